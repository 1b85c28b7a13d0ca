// A small program on the platform API alone, for trying the terminal display and for
// its end-to-end tests: a window with an edit box, a spin box, buttons, a check box
// and a log, started hidden behind a notification icon, asking to save on close.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/display/terminal/TerminalDisplay.h"
#include "platform/posix/Input.h"
#include "platform/winapi.h"

namespace {

constexpr UINT kIconMessage = WM_USER + 101;
enum { idName = 1, idSpin, idCount, idAdd, idUpper, idHide, idLog };

HWND gMain, gName, gCount, gUpper, gLog, gIconWindow;
HWND gTabOrder[5];

void appendLog(const std::string& line) {
  int n = GetWindowTextLengthA(gLog);
  SendMessageA(gLog, EM_SETSEL, n, n);
  std::string text = (n > 0 ? "\r\n" : "") + line;
  SendMessageA(gLog, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string textOf(HWND h) {
  char buf[512];
  GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

void saveLog() {
  char file[MAX_PATH] = "demo-log";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = gMain;
  ofn.lpstrFilter = "Text files (*.txt)\0*.txt\0All files\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrDefExt = "txt";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameA(&ofn)) return;
  if (FILE* f = std::fopen(file, "wb")) {
    std::string t = textOf(gLog);
    std::fwrite(t.data(), 1, t.size(), f);
    std::fclose(f);
  }
}

LRESULT CALLBACK mainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == idAdd && HIWORD(wp) == BN_CLICKED) {
        std::string line = textOf(gName) + " x" + textOf(gCount);
        if (SendMessageA(gUpper, BM_GETCHECK, 0, 0) == BST_CHECKED)
          for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        appendLog(line);
      } else if (LOWORD(wp) == idHide && HIWORD(wp) == BN_CLICKED) {
        ShowWindow(hwnd, SW_HIDE);
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_MINIMIZE) {  // as a tray program does: hide instead
        ShowWindow(hwnd, SW_HIDE);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (GetWindowTextLengthA(gLog) > 0 &&
          MessageBoxA(hwnd, "Save the log before closing?", "Demo", MB_YESNO | MB_ICONQUESTION) ==
              IDYES)
        saveLog();
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK iconProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kIconMessage && lp == WM_LBUTTONUP) {
    ShowWindow(gMain, SW_SHOW);
    SetActiveWindow(gMain);
    SetFocus(gName);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND child(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
  return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, gMain,
                         reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
}

void createWindows() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = mainProc;
  wc.hInstance = inst;
  wc.lpszClassName = "DemoMain";
  RegisterClassA(&wc);
  wc.lpfnWndProc = iconProc;
  wc.lpszClassName = "DemoIcon";
  RegisterClassA(&wc);
  gMain = CreateWindowExA(0, "DemoMain", "Terminal Demo", WS_OVERLAPPEDWINDOW, 80, 32, 560, 400,
                          nullptr, nullptr, inst, nullptr);
  child("STATIC", "&Name:", 0, 8, 8, 48, 16, 0);
  gName = child("EDIT", "world", WS_TABSTOP | ES_AUTOHSCROLL, 64, 8, 200, 16, idName);
  child("STATIC", "Count:", 0, 280, 8, 48, 16, 0);
  gCount = child("EDIT", "1", WS_TABSTOP | ES_NUMBER, 336, 8, 40, 16, idCount);
  HWND spin = child(UPDOWN_CLASSA, "", UDS_SETBUDDYINT | UDS_ARROWKEYS, 376, 8, 16, 16, idSpin);
  SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(gCount), 0);
  SendMessageA(spin, UDM_SETRANGE32, 1, 9);
  SendMessageA(spin, UDM_SETPOS32, 0, 1);
  HWND add = child("BUTTON", "&Add", WS_TABSTOP, 8, 40, 80, 16, idAdd);
  gUpper = child("BUTTON", "&Upper case", WS_TABSTOP | BS_AUTOCHECKBOX, 104, 40, 128, 16, idUpper);
  HWND hide = child("BUTTON", "&Hide", WS_TABSTOP, 248, 40, 80, 16, idHide);
  gLog = child("EDIT", "", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 8, 72, 520, 256,
               idLog);
  posix::setWindowHint(add, "Adds the name to the log");
  posix::setWindowHint(gName, "Who to greet");
  HWND order[] = {gName, gCount, add, gUpper, hide};
  std::memcpy(gTabOrder, order, sizeof order);
  (void)gLog;
  gIconWindow =
      CreateWindowExA(0, "DemoIcon", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, inst, nullptr);
  NOTIFYICONDATAA nid{};
  nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  nid.hWnd = gIconWindow;
  nid.uFlags = NIF_MESSAGE | NIF_TIP;
  nid.uCallbackMessage = kIconMessage;
  std::strcpy(nid.szTip, "Terminal Demo (click to show)");
  Shell_NotifyIconA(NIM_ADD, &nid);
}

// What the framework does for the real program: Tab and Shift+Tab walk the controls.
bool moveFocus(const MSG& m) {
  if (m.message != WM_KEYDOWN || m.wParam != VK_TAB) return false;
  HWND all[6] = {gTabOrder[0], gTabOrder[1], gTabOrder[2], gTabOrder[3], gTabOrder[4], gLog};
  int at = 0;
  for (int i = 0; i < 6; ++i)
    if (all[i] == GetFocus()) at = i;
  bool back = GetKeyState(VK_SHIFT) & 0x8000;
  SetFocus(all[(at + (back ? 5 : 1)) % 6]);
  return true;
}

}  // namespace

int main() {
  posix::installTerminalDisplayIfTty();
  createWindows();
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    if (moveFocus(m)) continue;
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  NOTIFYICONDATAA nid{};
  nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  nid.hWnd = gIconWindow;
  Shell_NotifyIconA(NIM_DELETE, &nid);
  return 0;
}
