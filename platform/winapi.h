// The operating-system services the program uses, in the shape of the Win32 API.
//
// On Windows this header includes the system headers and, at the end, the few messages
// of the program's own that the framework and the displays share. On Linux it
// declares the same names, types and constant values for the subset the program
// calls; platform/posix implements them with Windows' behaviour (Winsock error
// numbers, posted socket events, WM_TIMER only on an empty queue, modal dialogs
// that keep pumping). Everything above platform/ includes only this header for
// operating-system services.
//
// Linux notes:
//  - All functions live in namespace winapi (C++ linkage, so they never clash with
//    libc symbols such as socket() or send()); the using-directive at the end makes
//    them visible unqualified, as on Windows.
//  - Handles (HWND, SOCKET, timers) are table indices with a generation count; a
//    stale handle fails cleanly (0, FALSE, WSAENOTSOCK).
//  - A translation unit that includes this header must not include the POSIX
//    socket headers or curses: their macros and struct names clash. Keep system
//    calls of that kind behind a small internal header with names of our own.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// winsock.h must come first and windows.h before the rest.
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
// clang-format off
#include <winsock.h>
#include <windows.h>
#include <shellapi.h>
#include <commdlg.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <wincrypt.h>
#include <security.h>
#include <schannel.h>
// clang-format on
#ifndef SP_PROT_TLS1_3_CLIENT
#define SP_PROT_TLS1_3_CLIENT 0x00002000
#endif

// The program calls the ANSI entry points by their A names, as declared for Linux.
// The generic-name macros would rename the framework's own functions of the same
// name (Application->MessageBox, DeleteFile, AnsiUpper), so they go.
#undef MessageBox
#undef DeleteFile
#undef AnsiUpper
#undef AnsiLower

#else  // Linux

#include <cstddef>
#include <cstdint>

namespace winapi {

// ---- basic types (LLP64, as on 64-bit Windows: LONG and DWORD are 32 bits) ----
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef short SHORT;
typedef unsigned short USHORT;
typedef int INT;
typedef unsigned int UINT;
typedef char CHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef void* PVOID;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;
typedef intptr_t INT_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef WORD ATOM;
typedef DWORD COLORREF;
typedef DWORD LCID;
typedef DWORD LCTYPE;

typedef void* HANDLE;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HICON__* HICON;
typedef HICON HCURSOR;
typedef struct HBRUSH__* HBRUSH;
typedef struct HMENU__* HMENU;
typedef struct HBITMAP__* HBITMAP;
typedef struct HFONT__* HFONT;
typedef struct HDC__* HDC;
typedef void* HGDIOBJ;

#define WINAPI
#define CALLBACK
#define APIENTRY

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define LOBYTE(w) ((BYTE)(((DWORD_PTR)(w)) & 0xff))
#define HIBYTE(w) ((BYTE)((((DWORD_PTR)(w)) >> 8) & 0xff))
#define MAKELONG(a, b) \
  ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) << 16))
#define MAKEWORD(a, b) \
  ((WORD)(((BYTE)(((DWORD_PTR)(a)) & 0xff)) | ((WORD)((BYTE)(((DWORD_PTR)(b)) & 0xff))) << 8))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))

// ---- structures ----
struct POINT {
  LONG x;
  LONG y;
};
typedef POINT* LPPOINT;
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
typedef RECT* LPRECT;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
typedef MSG* LPMSG;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};

struct CREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};

struct WINDOWPLACEMENT {
  UINT length;
  UINT flags;
  UINT showCmd;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};
struct NMUPDOWN {
  NMHDR hdr;
  int iPos;
  int iDelta;
};
// The tooltip control's tool and text request (no such control is made on Linux).
struct TOOLINFOA {
  UINT cbSize;
  UINT uFlags;
  HWND hwnd;
  UINT_PTR uId;
  RECT rect;
  HINSTANCE hinst;
  LPSTR lpszText;
  LPARAM lParam;
  void* lpReserved;
};
struct NMTTDISPINFOA {
  NMHDR hdr;
  LPSTR lpszText;
  char szText[80];
  HINSTANCE hinst;
  UINT uFlags;
  LPARAM lParam;
};

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[260];
  CHAR cAlternateFileName[14];
};

struct NOTIFYICONDATAA {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  CHAR szTip[128];
  DWORD dwState, dwStateMask;
  CHAR szInfo[256];
  UINT uTimeout;  // a union with uVersion on Windows
  CHAR szInfoTitle[64];
  DWORD dwInfoFlags;
};
// The first, smallest form of the record (88 bytes on 32-bit Windows): a tip of 63
// characters at most, no balloon.
#define NOTIFYICONDATAA_V1_SIZE (offsetof(winapi::NOTIFYICONDATAA, szTip) + 64)
// The form with the balloon (NIF_INFO).
#define NOTIFYICONDATAA_V2_SIZE sizeof(winapi::NOTIFYICONDATAA)

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
struct OPENFILENAMEA {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;  // pairs of NUL-terminated texts, ended by an extra NUL
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;  // 1-based
  LPSTR lpstrFile;     // in: default name; out: chosen path
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
};
typedef OPENFILENAMEA* LPOPENFILENAMEA;

struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
};

struct TIMECAPS {
  UINT wPeriodMin;
  UINT wPeriodMax;
};
typedef TIMECAPS* LPTIMECAPS;
typedef void(CALLBACK* LPTIMECALLBACK)(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1,
                                       DWORD_PTR dw2);

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved, lpDesktop, lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute, dwFlags;
  WORD wShowWindow, cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
};
struct PROCESS_INFORMATION {
  HANDLE hProcess, hThread;
  DWORD dwProcessId, dwThreadId;
};

// ---- messages ----
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUERYENDSESSION 0x0011
#define WM_QUIT 0x0012
#define WM_ENDSESSION 0x0016
#define WM_SHOWWINDOW 0x0018
#define WM_ACTIVATEAPP 0x001C
#define WM_GETMINMAXINFO 0x0024
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_NOTIFY 0x004E
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCHITTEST 0x0084
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_VSCROLL 0x0115
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_USER 0x0400
#define WM_APP 0x8000
// Sent to the parent before a child control paints (wParam: its HDC, lParam: the
// child); the answer is the brush for its background.
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORSTATIC 0x0138

// WM_NCHITTEST results
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTTRANSPARENT (-1)

// WM_ACTIVATE states
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

// WM_SIZE kinds
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2

#define WHEEL_DELTA 120
#define GET_WHEEL_DELTA_WPARAM(wp) ((short)HIWORD(wp))

// edit control
#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_GETRECT 0x00B2
#define EM_LINESCROLL 0x00B6
#define EM_SCROLLCARET 0x00B7
#define EM_GETLINECOUNT 0x00BA
#define EM_REPLACESEL 0x00C2
#define EM_LIMITTEXT 0x00C5
#define EM_GETFIRSTVISIBLELINE 0x00CE
#define EM_SETREADONLY 0x00CF
#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
#define EN_UPDATE 0x0400

// button control
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5
#define BN_CLICKED 0
#define BST_UNCHECKED 0
#define BST_CHECKED 1

// up-down control
#define UPDOWN_CLASSA "msctls_updown32"
#define UDM_SETBUDDY (WM_USER + 105)
#define UDM_GETBUDDY (WM_USER + 106)
#define UDM_SETRANGE32 (WM_USER + 111)
#define UDM_GETRANGE32 (WM_USER + 112)
#define UDM_SETPOS32 (WM_USER + 113)
#define UDM_GETPOS32 (WM_USER + 114)
#define UDN_FIRST (0U - 721)
#define UDN_DELTAPOS (UDN_FIRST - 1)
#define UDS_SETBUDDYINT 0x0002
#define UDS_ALIGNRIGHT 0x0004
#define UDS_ARROWKEYS 0x0020
#define UDS_NOTHOUSANDS 0x0080

// tooltip control: the class is not registered on Linux, so creating one fails (the
// displays show hints themselves)
#define TOOLTIPS_CLASSA "tooltips_class32"
#define TTS_ALWAYSTIP 0x01
#define TTS_NOPREFIX 0x02
#define TTF_IDISHWND 0x0001
#define TTM_ADDTOOLA (WM_USER + 4)
#define TTM_DELTOOLA (WM_USER + 5)
#define TTM_RELAYEVENT (WM_USER + 7)
#define TTN_FIRST (0U - 520)
#define TTN_GETDISPINFOA (TTN_FIRST - 0)
#define LPSTR_TEXTCALLBACKA (reinterpret_cast<LPSTR>(-1))
#define TTTOOLINFOA_V2_SIZE offsetof(TOOLINFOA, lpReserved)

// scroll codes
#define SB_LINEUP 0
#define SB_LINEDOWN 1
#define SB_PAGEUP 2
#define SB_PAGEDOWN 3
#define SB_THUMBPOSITION 4
#define SB_TOP 6
#define SB_BOTTOM 7
#define SB_ENDSCROLL 8

// ---- window styles ----
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW \
  (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_APPWINDOW 0x00040000L

#define ES_LEFT 0x0000L
#define ES_MULTILINE 0x0004L
#define ES_AUTOVSCROLL 0x0040L
#define ES_AUTOHSCROLL 0x0080L
#define ES_READONLY 0x0800L
#define ES_WANTRETURN 0x1000L
#define ES_NUMBER 0x2000L
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define SS_LEFT 0x00000000L

#define CW_USEDEFAULT ((int)0x80000000)

// ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9

#define WPF_SETMINPOSITION 0x0001
#define WPF_RESTORETOMAXIMIZED 0x0002

// window data
#define GWL_WNDPROC (-4)
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWL_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)

// system commands
#define SC_SIZE 0xF000
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120

// system metrics
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CXSMICON 49
#define SM_CYSMICON 50

// virtual keys
#define VK_LBUTTON 0x01
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E
#define VK_F4 0x73

// mouse key flags
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// message boxes
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNO 0x00000004L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONERROR 0x00000010L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define MB_TASKMODAL 0x00002000L
#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// file dialog
#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_EXPLORER 0x00080000
#define OFN_ENABLESIZING 0x00800000

// notification icons
#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004
#define NIF_INFO 0x00000010
#define NIIF_NONE 0x00000000
#define NIIF_INFO 0x00000001
#define NIIF_WARNING 0x00000002
#define NIIF_ERROR 0x00000003
#define NIIF_NOSOUND 0x00000010

// message queue
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define QS_ALLINPUT 0x04FF
#define QS_ALLEVENTS 0x04BF
#define WAIT_OBJECT_0 0
#define WAIT_TIMEOUT 258
#define WAIT_FAILED 0xFFFFFFFF
#define INFINITE 0xFFFFFFFF

// multimedia timer
#define TIME_ONESHOT 0x0000
#define TIME_PERIODIC 0x0001
#define TIME_CALLBACK_FUNCTION 0x0000
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

// files
#define GENERIC_READ 0x80000000
#define GENERIC_WRITE 0x40000000
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define INVALID_HANDLE_VALUE ((winapi::HANDLE)(winapi::LONG_PTR)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_WRITE_THROUGH 0x00000008
#define MAX_PATH 260
#define STARTF_USESTDHANDLES 0x00000100
#define CREATE_NO_WINDOW 0x08000000
#define STILL_ACTIVE 259
#define HANDLE_FLAG_INHERIT 0x00000001
#define ERROR_BROKEN_PIPE 109L
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_TOO_MANY_OPEN_FILES 4L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_SAME_DEVICE 17L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_INVALID_INDEX 1413L
#define ERROR_DISK_FULL 112L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_BAD_FILE_TYPE 222L
#define ERROR_FILE_TOO_LARGE 223L
#define ERROR_UNABLE_TO_MOVE_REPLACEMENT 1176L
#define ERROR_CANT_RESOLVE_FILENAME 1921L

// locale
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SDECIMAL 0x0000000E
#define LOCALE_SSHORTDATE 0x0000001F
#define LOCALE_STIMEFORMAT 0x00001003

// colours
#define COLOR_BTNFACE 15
#define COLOR_WINDOWTEXT 8
#define COLOR_WINDOW 5

// fonts
#define FW_NORMAL 400
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0

// ---- windows, classes, procedures ----
HINSTANCE GetModuleHandleA(LPCSTR name);
ATOM RegisterClassA(const WNDCLASSA* wc);
BOOL GetClassInfoA(HINSTANCE inst, LPCSTR name, WNDCLASSA* out);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE inst, LPVOID param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
HWND GetParent(HWND hwnd);
HWND GetWindow(HWND hwnd, UINT cmd);
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5
int GetDlgCtrlID(HWND hwnd);
int GetClassNameA(HWND hwnd, LPSTR buf, int max);

BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
int GetWindowTextA(HWND hwnd, LPSTR buf, int max);
int GetWindowTextLengthA(HWND hwnd);

BOOL ShowWindow(HWND hwnd, int cmd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL MoveWindow(HWND hwnd, int x, int y, int w, int h, BOOL repaint);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);  // screen coordinates
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* wp);
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* wp);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND GetActiveWindow();
HWND SetActiveWindow(HWND hwnd);
BOOL SetForegroundWindow(HWND hwnd);
// ---- message queue ----
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);  // any thread
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT remove);
BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT first, UINT last);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms,
                                DWORD wakeMask);
void PostQuitMessage(int exitCode);
// A message number of its own for a name (0xC000 to 0xFFFF), the same for every caller
// of the same name, whatever its case.
UINT RegisterWindowMessageA(LPCSTR name);

// ---- timers ----
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
DWORD GetTickCount();
uint64_t GetTickCount64();
void GetLocalTime(SYSTEMTIME* st);
void GetSystemTime(SYSTEMTIME* st);  // UTC

// ---- input state, screen ----
int GetSystemMetrics(int index);
BOOL GetCursorPos(LPPOINT pt);
SHORT GetKeyState(int vk);
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();

// ---- dialogs ----
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn);
BOOL MessageBeep(UINT type);

// ---- notification area ----
BOOL Shell_NotifyIconA(DWORD msg, NOTIFYICONDATAA* data);

// ---- icons and bitmaps (enough for a tray icon and its animation) ----
HICON LoadIconA(HINSTANCE inst, LPCSTR name);
HICON CreateIconIndirect(ICONINFO* info);
BOOL DestroyIcon(HICON icon);
// A new icon of another size (LR_COPYFROMRESOURCE: the resource's own image of that
// size). Here every icon is the one picture, so the copy is a new handle to it.
HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags);
#define IMAGE_ICON 1
#define LR_COPYFROMRESOURCE 0x00004000
HBITMAP CreateBitmap(int w, int h, UINT planes, UINT bits, const void* data);
BOOL DeleteObject(HANDLE obj);
DWORD GetSysColor(int index);
#define IDI_APPLICATION ((winapi::LPCSTR)32512)
// Fonts, cursors and system brushes for the look of windows; the terminal display
// draws with its own, so on Linux these are handles only.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR face);
HCURSOR LoadCursorA(HINSTANCE inst, LPCSTR name);
#define IDC_ARROW ((winapi::LPCSTR)32512)
HBRUSH GetSysColorBrush(int index);  // shared: never deleted
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF SetTextColor(HDC dc, COLORREF color);
// Measuring text; the Linux platform has no device contexts (GetDC gives nullptr).
struct SIZE {
  LONG cx;
  LONG cy;
};
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int len, SIZE* size);

// ---- private-profile files ----
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buf, DWORD size,
                               LPCSTR file);
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int def, LPCSTR file);

// ---- files, module, system ----
DWORD GetModuleFileNameA(HMODULE module, LPSTR buf, DWORD size);
UINT GetWindowsDirectoryA(LPSTR buf, UINT size);
DWORD GetFileAttributesA(LPCSTR path);
BOOL DeleteFileA(LPCSTR path);
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
BOOL ReplaceFileA(LPCSTR replaced, LPCSTR replacement, LPCSTR backup, DWORD flags, LPVOID exclude,
                  LPVOID reserved);
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* sa, DWORD creation,
                   DWORD flags, HANDLE templ);
BOOL ReadFile(HANDLE file, LPVOID buf, DWORD toRead, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buf, DWORD toWrite, DWORD* written, void* overlapped);
DWORD SetFilePointer(HANDLE file, LONG dist, LONG* distHigh, DWORD method);
DWORD GetFileSize(HANDLE file, DWORD* high);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
BOOL CloseHandle(HANDLE h);
// Patterns: "*" and "?" in the last name only.
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found);
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* found);
BOOL FindClose(HANDLE find);
// Processes and anonymous pipes, enough to start a command without waiting for it and
// collect its output. Linux: a command line with no application name runs through
// /bin/sh -c (Linux's own way of reading a command line); the child is the leader of
// a process group of its own, so TerminateProcess also ends what it started. The
// environment block (NUL-separated NAME=value texts, ended by an empty one) replaces
// the environment when given. Handles in STARTUPINFOA are the child's standard
// handles (a null one reads or writes /dev/null); no other handle is inherited, so
// SetHandleInformation has nothing to do.
BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD flags,
                    LPVOID environment, LPCSTR directory, STARTUPINFOA* startup,
                    PROCESS_INFORMATION* info);
BOOL GetExitCodeProcess(HANDLE process, DWORD* code);  // STILL_ACTIVE while it runs
BOOL TerminateProcess(HANDLE process, UINT code);
BOOL CreatePipe(HANDLE* readEnd, HANDLE* writeEnd, SECURITY_ATTRIBUTES* attributes, DWORD size);
BOOL PeekNamedPipe(HANDLE pipe, LPVOID buf, DWORD size, DWORD* read, DWORD* available,
                   DWORD* leftThisMessage);
BOOL SetHandleInformation(HANDLE h, DWORD mask, DWORD flags);
LPSTR GetEnvironmentStringsA();
BOOL FreeEnvironmentStringsA(LPSTR block);
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buf, DWORD size);
DWORD GetLastError();
// FORMAT_MESSAGE_FROM_SYSTEM with FORMAT_MESSAGE_IGNORE_INSERTS only, for the error
// numbers this platform sets; 0 for any other.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD id, DWORD lang, LPSTR buf, DWORD size,
                     void* args);
void SetLastError(DWORD err);
DWORD GetVersion();
int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR buf, int size);

// ---- multimedia timer ----
UINT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK proc, DWORD_PTR user, UINT flags);
UINT timeKillEvent(UINT id);
UINT timeGetDevCaps(LPTIMECAPS caps, UINT size);
UINT timeBeginPeriod(UINT period);
UINT timeEndPeriod(UINT period);

// ---- Windows Sockets 1.1 ----
typedef UINT_PTR SOCKET;
typedef unsigned char u_char;
typedef unsigned short u_short;
typedef unsigned int u_int;
typedef uint32_t u_long;

#define INVALID_SOCKET ((winapi::SOCKET)(~0))
#define SOCKET_ERROR (-1)
#define AF_INET 2
#define PF_INET 2
#define SOCK_STREAM 1
#define IPPROTO_TCP 6
#define SOL_SOCKET 0xffff
#define SO_LINGER 0x0080
#define MSG_PEEK 0x2
#define INADDR_ANY ((winapi::u_long)0x00000000)
#define INADDR_NONE 0xffffffff

#define FD_READ 0x01
#define FD_WRITE 0x02
#define FD_OOB 0x04
#define FD_ACCEPT 0x08
#define FD_CONNECT 0x10
#define FD_CLOSE 0x20
#define WSAGETSELECTEVENT(l) LOWORD(l)
#define WSAGETSELECTERROR(l) HIWORD(l)
#define WSAGETASYNCBUFLEN(l) LOWORD(l)
#define WSAGETASYNCERROR(l) HIWORD(l)
#define MAXGETHOSTSTRUCT 1024

#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEPFNOSUPPORT 10046
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETOOMANYREFS 10059
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAELOOP 10062
#define WSAENAMETOOLONG 10063
#define WSAEHOSTDOWN 10064
#define WSAEHOSTUNREACH 10065
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128
struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
};
typedef WSADATA* LPWSADATA;

struct in_addr {
  u_long s_addr;  // network byte order
};
struct sockaddr {
  u_short sa_family;
  char sa_data[14];
};
struct sockaddr_in {
  short sin_family;
  u_short sin_port;
  struct in_addr sin_addr;
  char sin_zero[8];
};
struct linger {
  u_short l_onoff;
  u_short l_linger;
};
struct hostent {
  char* h_name;
  char** h_aliases;
  short h_addrtype;
  short h_length;
  char** h_addr_list;
};

int WSAStartup(WORD version, LPWSADATA data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int err);
SOCKET socket(int af, int type, int protocol);
int closesocket(SOCKET s);
int setsockopt(SOCKET s, int level, int name, const char* value, int len);
int connect(SOCKET s, const struct sockaddr* addr, int len);
int bind(SOCKET s, const struct sockaddr* addr, int len);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, struct sockaddr* addr, int* len);
int send(SOCKET s, const char* buf, int len, int flags);
int recv(SOCKET s, char* buf, int len, int flags);
int shutdown(SOCKET s, int how);
u_long inet_addr(const char* text);
u_short htons(u_short v);
u_short ntohs(u_short v);
u_long htonl(u_long v);
u_long ntohl(u_long v);
int WSAAsyncSelect(SOCKET s, HWND hwnd, u_int msg, LONG events);
HANDLE WSAAsyncGetHostByName(HWND hwnd, u_int msg, const char* name, char* buf, int buflen);
int WSACancelAsyncRequest(HANDLE task);

// ---- the secure channel (Schannel through SSPI), client side ----
// The subset the socket layer drives: credentials, a context stepped by input and
// output tokens (whole TLS records; a partial record is SEC_E_INCOMPLETE_MESSAGE and
// nothing of it is taken), stream encryption in place, and the peer's certificate.
// Over OpenSSL memory BIOs; the trusted roots are the system's (SSL_CERT_FILE and
// SSL_CERT_DIR are honoured). Only SCH_CRED_MANUAL_CRED_VALIDATION is offered (other
// credentials are SEC_E_UNSUPPORTED_FUNCTION, so nothing believes it was checked): the
// handshake does not refuse a certificate; the caller asks CertGetCertificateChain and
// CertVerifyCertificateChainPolicy (CERT_CHAIN_POLICY_SSL), which give the chain's fault
// first, then the host name's, as Windows does.
typedef LONG SECURITY_STATUS;
typedef char SEC_CHAR;
struct SecHandle {
  ULONG_PTR dwLower;
  ULONG_PTR dwUpper;
};
typedef SecHandle CredHandle, *PCredHandle, CtxtHandle, *PCtxtHandle;
struct SECURITY_INTEGER {
  ULONG LowPart;
  LONG HighPart;
};
typedef SECURITY_INTEGER TimeStamp, *PTimeStamp;
struct SecBuffer {
  ULONG cbBuffer;
  ULONG BufferType;
  void* pvBuffer;
};
typedef SecBuffer* PSecBuffer;
struct SecBufferDesc {
  ULONG ulVersion;
  ULONG cBuffers;
  PSecBuffer pBuffers;
};
typedef SecBufferDesc* PSecBufferDesc;
struct SecPkgContext_StreamSizes {
  ULONG cbHeader;
  ULONG cbTrailer;
  ULONG cbMaximumMessage;
  ULONG cBuffers;
  ULONG cbBlockSize;
};
struct SCHANNEL_CRED {
  DWORD dwVersion;
  DWORD cCreds;
  void* paCred;
  void* hRootStore;
  DWORD cMappers;
  void* aphMappers;
  DWORD cSupportedAlgs;
  void* palgSupportedAlgs;
  DWORD grbitEnabledProtocols;
  DWORD dwMinimumCipherStrength;
  DWORD dwMaximumCipherStrength;
  DWORD dwSessionLifespan;
  DWORD dwFlags;
  DWORD dwCredFormat;
};
struct CRYPT_INTEGER_BLOB {
  DWORD cbData;
  BYTE* pbData;
};
typedef CRYPT_INTEGER_BLOB CERT_NAME_BLOB;
// The members the program reads; Windows' record has more.
struct CERT_INFO {
  DWORD dwVersion;
  CRYPT_INTEGER_BLOB SerialNumber;  // least significant byte first
  CERT_NAME_BLOB Issuer;            // DER
  FILETIME NotBefore;               // UTC
  FILETIME NotAfter;
  CERT_NAME_BLOB Subject;
};
typedef CERT_INFO* PCERT_INFO;
struct CERT_CONTEXT {
  DWORD dwCertEncodingType;
  BYTE* pbCertEncoded;
  DWORD cbCertEncoded;
  PCERT_INFO pCertInfo;
  void* hCertStore;
};
typedef const CERT_CONTEXT* PCCERT_CONTEXT;
typedef wchar_t WCHAR;
struct CERT_TRUST_STATUS {
  DWORD dwErrorStatus;
  DWORD dwInfoStatus;
};
// The members the program reads; Windows' record has more.
struct CERT_CHAIN_CONTEXT {
  DWORD cbSize;
  CERT_TRUST_STATUS TrustStatus;
};
typedef const CERT_CHAIN_CONTEXT* PCCERT_CHAIN_CONTEXT;
struct CERT_ENHKEY_USAGE {
  DWORD cUsageIdentifier;
  char** rgpszUsageIdentifier;
};
struct CERT_USAGE_MATCH {
  DWORD dwType;
  CERT_ENHKEY_USAGE Usage;
};
struct CERT_CHAIN_PARA {
  DWORD cbSize;
  CERT_USAGE_MATCH RequestedUsage;
};
struct SSL_EXTRA_CERT_CHAIN_POLICY_PARA {
  DWORD cbSize;
  DWORD dwAuthType;
  DWORD fdwChecks;
  WCHAR* pwszServerName;
};
struct CERT_CHAIN_POLICY_PARA {
  DWORD cbSize;
  DWORD dwFlags;
  void* pvExtraPolicyPara;
};
struct CERT_CHAIN_POLICY_STATUS {
  DWORD cbSize;
  DWORD dwError;
  LONG lChainIndex;
  LONG lElementIndex;
  void* pvExtraPolicyStatus;
};

#define UNISP_NAME_A "Microsoft Unified Security Protocol Provider"
#define SECPKG_CRED_OUTBOUND 2
#define SCHANNEL_CRED_VERSION 4
#define SP_PROT_TLS1_2_CLIENT 0x00000800
#define SP_PROT_TLS1_3_CLIENT 0x00002000
#define SCH_CRED_NO_DEFAULT_CREDS 0x00000010
#define SCH_CRED_MANUAL_CRED_VALIDATION 0x00000008
#define CERT_CHAIN_POLICY_SSL ((const char*)4)
#define AUTHTYPE_SERVER 2
#define USAGE_MATCH_TYPE_AND 0
#define szOID_PKIX_KP_SERVER_AUTH "1.3.6.1.5.5.7.3.1"
#define CERT_TRUST_NO_ERROR 0x00000000
#define CERT_TRUST_IS_NOT_TIME_VALID 0x00000001
#define CERT_TRUST_IS_UNTRUSTED_ROOT 0x00000020
#define CERT_TRUST_IS_PARTIAL_CHAIN 0x00010000
#define CERT_TRUST_IS_NOT_SIGNATURE_VALID 0x00000008
#define SCH_USE_STRONG_CRYPTO 0x00400000
#define ISC_REQ_REPLAY_DETECT 0x00000004
#define ISC_REQ_SEQUENCE_DETECT 0x00000008
#define ISC_REQ_CONFIDENTIALITY 0x00000010
#define ISC_REQ_ALLOCATE_MEMORY 0x00000100
#define ISC_REQ_STREAM 0x00008000
#define SECURITY_NATIVE_DREP 0x00000010
#define SECBUFFER_VERSION 0
#define SECBUFFER_EMPTY 0
#define SECBUFFER_DATA 1
#define SECBUFFER_TOKEN 2
#define SECBUFFER_EXTRA 5
#define SECBUFFER_STREAM_TRAILER 6
#define SECBUFFER_STREAM_HEADER 7
#define SECPKG_ATTR_STREAM_SIZES 4
#define SECPKG_ATTR_REMOTE_CERT_CONTEXT 0x53

#define SEC_E_OK ((winapi::SECURITY_STATUS)0x00000000L)
#define SEC_I_CONTINUE_NEEDED ((winapi::SECURITY_STATUS)0x00090312L)
#define SEC_I_CONTEXT_EXPIRED ((winapi::SECURITY_STATUS)0x00090317L)
#define SEC_I_RENEGOTIATE ((winapi::SECURITY_STATUS)0x00090321L)
#define SEC_E_INSUFFICIENT_MEMORY ((winapi::SECURITY_STATUS)0x80090300L)
#define SEC_E_INVALID_HANDLE ((winapi::SECURITY_STATUS)0x80090301L)
#define SEC_E_UNSUPPORTED_FUNCTION ((winapi::SECURITY_STATUS)0x80090302L)
#define SEC_E_INTERNAL_ERROR ((winapi::SECURITY_STATUS)0x80090304L)
#define SEC_E_SECPKG_NOT_FOUND ((winapi::SECURITY_STATUS)0x80090305L)
#define SEC_E_INVALID_TOKEN ((winapi::SECURITY_STATUS)0x80090308L)
#define SEC_E_INCOMPLETE_MESSAGE ((winapi::SECURITY_STATUS)0x80090318L)
#define SEC_E_BUFFER_TOO_SMALL ((winapi::SECURITY_STATUS)0x80090321L)
#define SEC_E_WRONG_PRINCIPAL ((winapi::SECURITY_STATUS)0x80090322L)
#define SEC_E_UNTRUSTED_ROOT ((winapi::SECURITY_STATUS)0x80090325L)
#define SEC_E_ILLEGAL_MESSAGE ((winapi::SECURITY_STATUS)0x80090326L)
#define SEC_E_CERT_UNKNOWN ((winapi::SECURITY_STATUS)0x80090327L)
#define SEC_E_CERT_EXPIRED ((winapi::SECURITY_STATUS)0x80090328L)
#define SEC_E_DECRYPT_FAILURE ((winapi::SECURITY_STATUS)0x80090330L)
#define SEC_E_ALGORITHM_MISMATCH ((winapi::SECURITY_STATUS)0x80090331L)
#define CERT_E_EXPIRED ((winapi::SECURITY_STATUS)0x800B0101L)
#define CERT_E_UNTRUSTEDROOT ((winapi::SECURITY_STATUS)0x800B0109L)
#define CERT_E_CHAINING ((winapi::SECURITY_STATUS)0x800B010AL)
#define CERT_E_CN_NO_MATCH ((winapi::SECURITY_STATUS)0x800B010FL)
#define TRUST_E_CERT_SIGNATURE ((winapi::SECURITY_STATUS)0x80096004L)

SECURITY_STATUS AcquireCredentialsHandleA(LPSTR principal, LPSTR package, ULONG use, void* logonId,
                                          void* authData, void* getKeyFn, void* getKeyArg,
                                          PCredHandle cred, PTimeStamp expiry);
SECURITY_STATUS FreeCredentialsHandle(PCredHandle cred);
SECURITY_STATUS InitializeSecurityContextA(PCredHandle cred, PCtxtHandle context,
                                           SEC_CHAR* targetName, ULONG contextReq, ULONG reserved1,
                                           ULONG targetDataRep, PSecBufferDesc input,
                                           ULONG reserved2, PCtxtHandle newContext,
                                           PSecBufferDesc output, ULONG* contextAttr,
                                           PTimeStamp expiry);
SECURITY_STATUS DeleteSecurityContext(PCtxtHandle context);
SECURITY_STATUS FreeContextBuffer(void* buffer);
SECURITY_STATUS QueryContextAttributesA(PCtxtHandle context, ULONG attribute, void* buffer);
SECURITY_STATUS EncryptMessage(PCtxtHandle context, ULONG qop, PSecBufferDesc message,
                               ULONG sequence);
SECURITY_STATUS DecryptMessage(PCtxtHandle context, PSecBufferDesc message, ULONG sequence,
                               ULONG* qop);
BOOL CertFreeCertificateContext(PCCERT_CONTEXT cert);
// The chain of a certificate the secure channel gave (engine, time and store are
// those of the handshake: only null is taken); freed by CertFreeCertificateChain.
BOOL CertGetCertificateChain(void* engine, PCCERT_CONTEXT cert, FILETIME* time, void* store,
                             CERT_CHAIN_PARA* para, DWORD flags, void* reserved,
                             PCCERT_CHAIN_CONTEXT* chain);
void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT chain);
BOOL CertVerifyCertificateChainPolicy(const char* policy, PCCERT_CHAIN_CONTEXT chain,
                                      CERT_CHAIN_POLICY_PARA* para,
                                      CERT_CHAIN_POLICY_STATUS* status);

}  // namespace winapi

using namespace winapi;

#endif  // _WIN32

// ---- this program's own window messages, the same on every target ----

// WM_GETHINT: a window's hint text, asked for like WM_GETTEXT. wParam: the buffer size
// in bytes; lParam: the buffer, or 0 to ask for the length. The answer is the number of
// characters (without the terminating NUL) copied, or the whole length when lParam is 0.
// Windows that have no hint leave it to DefWindowProcA, which answers 0.
constexpr UINT WM_GETHINT = WM_APP + 0x100;

// Whether this build carries the secure channel (the CMake option TAVIX_TLS); without
// it the calls above exist but answer SEC_E_SECPKG_NOT_FOUND.
#ifdef TAVIX_TLS
constexpr bool kSecureChannelBuilt = true;
#else
constexpr bool kSecureChannelBuilt = false;
#endif

// WM_GETTEXTCOLOUR: the colour a display that has colours may give what a window shows.
// lParam: one line of text the window shows (wParam its length in bytes), or 0 for the
// window's face as a whole (a notification icon's callback window is asked for its
// icon). The answer is TEXTCOLOUR_NONE (DefWindowProcA's 0), TEXTCOLOUR_GOOD or
// TEXTCOLOUR_BAD. Colour only adds to what the text already says.
constexpr UINT WM_GETTEXTCOLOUR = WM_APP + 0x101;
constexpr LRESULT TEXTCOLOUR_NONE = 0;
constexpr LRESULT TEXTCOLOUR_GOOD = 1;  // green
constexpr LRESULT TEXTCOLOUR_BAD = 2;   // red
