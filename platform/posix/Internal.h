// Shared state of the Linux platform: the window table, the class table and the
// hooks the message queue, timers and controls use on each other. Not part of the
// public contract; only platform/posix and display code include it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace posix {

// Per-window data of a built-in control class (edit, button, up-down...).
struct ControlData {
  virtual ~ControlData() = default;
};

struct WindowClass {
  WNDCLASSA wc{};
  std::string name;  // as registered
  bool builtin = false;
};

struct Window {
  HWND self = nullptr;
  std::string className;
  WNDPROC proc = nullptr;
  DWORD style = 0, exStyle = 0;
  std::string text;
  HWND parent = nullptr;       // child windows
  HWND owner = nullptr;        // top-level windows
  std::vector<HWND> children;  // creation order
  RECT rect{};                 // parent client coordinates (screen for top-level)
  RECT normalRect{};           // restored bounds (same coordinates)
  POINT minPos{-1, -1}, maxPos{-1, -1};
  bool restoreToMax = false;
  HMENU menu = nullptr;  // control id for children
  HINSTANCE inst = nullptr;
  LONG_PTR userData = 0;
  std::vector<unsigned char> extra;
  bool destroying = false;
  uint64_t createSeq = 0;
  std::unique_ptr<ControlData> control;
};

// Guards the slot table against handle checks from other threads (PostMessageA);
// the GUI thread takes it only while adding or freeing a slot.
std::mutex& tableMutex();

// Window handles: low 16 bits index + 1, the rest a generation count.
Window* findWindow(HWND hwnd);       // nullptr for a stale or null handle
std::vector<HWND>& topLevelOrder();  // z-order, topmost first
const WindowClass* findClass(const std::string& name);
ATOM registerClass(const WNDCLASSA& wc, bool builtin);  // 0 if the name exists
void registerBuiltinClasses();                          // idempotent
HWND topLevelOf(HWND hwnd);
bool isDescendant(HWND ancestor, HWND hwnd);  // ancestor == hwnd counts
void notifyChanged(HWND hwnd);                // tell the display

// Frame geometry: caption windows have a 16 px title bar and a frame.
int frameWidth(DWORD style);
int captionHeight(DWORD style);
RECT clientRectOf(const Window& w);      // in window-relative client coordinates (0,0,w,h)
POINT clientOrigin(HWND hwnd);           // screen position of the client area
void setRect(HWND hwnd, const RECT& r);  // moves, sends WM_MOVE / WM_SIZE

// Focus / activation housekeeping when a window goes away or hides.
void forgetFocus(HWND dying);
void activateNext(HWND leaving);

// Queue and timer hooks used by DestroyWindow.
void discardMessagesFor(HWND hwnd);
void killTimersOf(HWND hwnd);
bool postedMessagePending();
// Next window-timer deadline in clock ms, or UINT64_MAX.
uint64_t nextTimerDeadline();
bool clockIsReal();
uint64_t nowMs();

// The GUI thread: the main thread, which owns the windows and runs the loop.
bool onLoopThread();
// Shows message boxes other threads asked for and hands back their answers; run by
// the loop before each wait.
void serviceForeignDialogs();

// Thread-local last error in Windows numbers.
void setLastErrorFromErrno(int err);
// $XDG_CONFIG_HOME, else ~/.config: where directory-less profile names live.
std::string windowsDirectory();
DWORD errnoToWin(int err);

// File handles over descriptors (Files.cpp): a new handle that owns fd, and the
// descriptor behind a handle (-1 and ERROR_INVALID_HANDLE when it is none).
HANDLE addFileHandle(int fd);
int fileDescriptor(HANDLE h);
// Process handles (Process.cpp): true when h was one, now closed.
bool closeProcessHandle(HANDLE h);

}  // namespace posix
