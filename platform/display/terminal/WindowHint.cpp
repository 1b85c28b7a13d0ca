// The hint texts of windows (declared in platform/posix/Input.h). Part of the
// platform library, so the framework can store hints whichever display runs.
#include <map>
#include <mutex>

#include "platform/posix/Input.h"

namespace posix {
namespace {

std::mutex gHintMutex;
std::map<HWND, std::string>& hints() {
  static std::map<HWND, std::string> m;
  return m;
}

}  // namespace

void setWindowHint(HWND hwnd, const std::string& text) {
  std::lock_guard<std::mutex> lock(gHintMutex);
  // Handles carry a generation count, so a stale entry never matches a new window.
  if (!IsWindow(hwnd) || text.empty())
    hints().erase(hwnd);
  else
    hints()[hwnd] = text;
}

std::string windowHint(HWND hwnd) {
  {
    std::lock_guard<std::mutex> lock(gHintMutex);
    auto it = hints().find(hwnd);
    if (it != hints().end()) return it->second;
  }
  // Other windows (the framework's controls) answer WM_GETHINT, outside the lock.
  LRESULT n = SendMessageA(hwnd, WM_GETHINT, 0, 0);
  if (n <= 0) return std::string();
  std::string text(size_t(n) + 1, '\0');
  n = SendMessageA(hwnd, WM_GETHINT, WPARAM(text.size()), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(size_t(n > 0 ? n : 0));
  return text;
}

}  // namespace posix
