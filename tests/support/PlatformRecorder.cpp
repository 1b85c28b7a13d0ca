// Message recorder, queue drain and temporary settings directory for tests.
#include "tests/support/PlatformRecorder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testsupport {

const char* MessageRecorder::className() { return "PlatformRecorder"; }

MessageRecorder::MessageRecorder() {
  WNDCLASSA wc{};
  if (!GetClassInfoA(GetModuleHandleA(nullptr), className(), &wc)) {
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className();
    RegisterClassA(&wc);
  }
}

MessageRecorder::~MessageRecorder() {
  handler = nullptr;
  for (auto it = created_.rbegin(); it != created_.rend(); ++it)
    if (IsWindow(*it)) DestroyWindow(*it);
}

HWND MessageRecorder::create(const char* text, DWORD style, HWND parent, int id, int x, int y,
                             int w, int h) {
  HWND hwnd = CreateWindowExA(0, className(), text, style, x, y, w, h, parent,
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                              GetModuleHandleA(nullptr), this);
  if (hwnd) created_.push_back(hwnd);
  return hwnd;
}

LRESULT CALLBACK MessageRecorder::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<MessageRecorder*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self) {
    self->log.push_back(Recorded{hwnd, msg, wp, lp});
    if (self->handler)
      if (auto r = self->handler(hwnd, msg, wp, lp)) return *r;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

std::vector<UINT> MessageRecorder::messages(HWND hwnd, const std::set<UINT>& ignore) const {
  std::vector<UINT> out;
  for (auto& r : log)
    if ((!hwnd || r.hwnd == hwnd) && !ignore.count(r.msg)) out.push_back(r.msg);
  return out;
}

int drainMessages() {
  int n = 0;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message != WM_QUIT) DispatchMessageA(&m);
    ++n;
  }
  return n;
}

TempConfigDir::TempConfigDir() {
  if (const char* s = std::getenv("XDG_CONFIG_HOME")) {
    saved_ = s;
    hadSaved_ = true;
  }
  std::string tmpl = (std::filesystem::temp_directory_path() / "platXXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back(0);
  path_ = mkdtemp(buf.data());
  setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
}

TempConfigDir::~TempConfigDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
  if (hadSaved_)
    setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace testsupport
