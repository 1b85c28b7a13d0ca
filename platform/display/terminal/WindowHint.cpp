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
  std::lock_guard<std::mutex> lock(gHintMutex);
  auto it = hints().find(hwnd);
  return it == hints().end() ? std::string() : it->second;
}

}  // namespace posix
