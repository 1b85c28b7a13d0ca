// Window properties (SetPropA, GetPropA, RemovePropA): named values attached to a
// window; names compare without regard to case, as on Windows.
#include <map>
#include <string>
#include <utility>

#include "platform/winapi.h"

namespace winapi {
namespace {

std::string Folded(LPCSTR name) {
  std::string s = name ? name : "";
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// GUI thread only, like the windows themselves.
std::map<std::pair<HWND, std::string>, HANDLE>& Props() {
  static std::map<std::pair<HWND, std::string>, HANDLE> m;
  return m;
}

}  // namespace

BOOL SetPropA(HWND hwnd, LPCSTR name, HANDLE data) {
  if (!IsWindow(hwnd) || !name) return FALSE;
  Props()[{hwnd, Folded(name)}] = data;
  return TRUE;
}

HANDLE GetPropA(HWND hwnd, LPCSTR name) {
  if (!IsWindow(hwnd)) return nullptr;
  auto it = Props().find({hwnd, Folded(name)});
  return it == Props().end() ? nullptr : it->second;
}

HANDLE RemovePropA(HWND hwnd, LPCSTR name) {
  auto it = Props().find({hwnd, Folded(name)});
  if (it == Props().end()) return nullptr;
  HANDLE h = it->second;
  Props().erase(it);
  return h;
}

}  // namespace winapi
