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
  if (it != hints().end()) return it->second;
  // The framework's controls carry their hint as a window property.
  if (auto* text = static_cast<const std::string*>(GetPropA(hwnd, "OrvaneHint"))) return *text;
  return std::string();
}

}  // namespace posix
