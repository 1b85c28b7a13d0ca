// Icon, bitmap and font handles: enough objects for a notification icon and its
// animation frames, and the fonts forms hand their controls. Handles are checked
// against a table, so a double delete fails.
#include <mutex>
#include <set>

#include "platform/posix/Internal.h"

namespace posix {
namespace {

std::mutex gGdiMutex;
std::set<uintptr_t> gObjects;
uintptr_t gNextHandle = 0x20000;
const uintptr_t kApplicationIcon = 0x10001;
const uintptr_t kArrowCursor = 0x10005;
const uintptr_t kSysColorBrushes = 0x11000;  // + colour index: shared, never freed

uintptr_t newHandle() {
  std::lock_guard<std::mutex> lock(gGdiMutex);
  uintptr_t h = gNextHandle;
  gNextHandle += 4;
  gObjects.insert(h);
  return h;
}

bool release(uintptr_t h) {
  std::lock_guard<std::mutex> lock(gGdiMutex);
  return gObjects.erase(h) > 0;
}

}  // namespace
}  // namespace posix

namespace winapi {

HICON LoadIconA(HINSTANCE, LPCSTR) {
  // Every name resolves to the one shared application icon.
  return reinterpret_cast<HICON>(posix::kApplicationIcon);
}

HICON CreateIconIndirect(ICONINFO* info) {
  if (!info) return nullptr;
  return reinterpret_cast<HICON>(posix::newHandle());
}

BOOL DestroyIcon(HICON icon) {
  uintptr_t h = reinterpret_cast<uintptr_t>(icon);
  if (h == posix::kApplicationIcon) return TRUE;  // shared icons are never freed
  return posix::release(h) ? TRUE : FALSE;
}

HANDLE CopyImage(HANDLE image, UINT type, int, int, UINT) {
  const uintptr_t h = reinterpret_cast<uintptr_t>(image);
  if (type != IMAGE_ICON || !h) return nullptr;
  {
    std::lock_guard<std::mutex> lock(posix::gGdiMutex);
    if (h != posix::kApplicationIcon && !posix::gObjects.count(h)) return nullptr;
  }
  return reinterpret_cast<HANDLE>(posix::newHandle());
}

HBITMAP CreateBitmap(int w, int h, UINT, UINT, const void*) {
  if (w < 0 || h < 0) return nullptr;
  return reinterpret_cast<HBITMAP>(posix::newHandle());
}

BOOL DeleteObject(HANDLE obj) {
  return posix::release(reinterpret_cast<uintptr_t>(obj)) ? TRUE : FALSE;
}

DWORD GetSysColor(int index) {
  switch (index) {
    case COLOR_BTNFACE:
      return 0x00F0F0F0;
    case COLOR_WINDOWTEXT:
      return 0x00000000;
  }
  return 0x00FFFFFF;
}

HFONT CreateFontA(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                  LPCSTR) {
  return reinterpret_cast<HFONT>(posix::newHandle());
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return reinterpret_cast<HCURSOR>(posix::kArrowCursor); }

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index > 30) return nullptr;
  return reinterpret_cast<HBRUSH>(posix::kSysColorBrushes + uintptr_t(index) * 4);
}

// No device contexts exist on Linux; nothing calls these with a real one.
COLORREF SetBkColor(HDC, COLORREF) { return 0; }
COLORREF SetTextColor(HDC, COLORREF) { return 0; }
HDC GetDC(HWND) { return nullptr; }
int ReleaseDC(HWND, HDC) { return 0; }
HGDIOBJ SelectObject(HDC, HGDIOBJ) { return nullptr; }
BOOL GetTextExtentPoint32A(HDC, LPCSTR, int, SIZE*) { return FALSE; }

BOOL MessageBeep(UINT) { return TRUE; }

}  // namespace winapi
