// Icon and bitmap handles: enough objects for a notification icon and its
// animation frames. Handles are checked against a table, so a double delete fails.
#include <mutex>
#include <set>

#include "platform/posix/Internal.h"

namespace posix {
namespace {

std::mutex gGdiMutex;
std::set<uintptr_t> gObjects;
uintptr_t gNextHandle = 0x20000;
const uintptr_t kApplicationIcon = 0x10001;

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

BOOL MessageBeep(UINT) { return TRUE; }

}  // namespace winapi
