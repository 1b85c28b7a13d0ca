// Message recorder and queue drain for tests.
#include "tests/support/PlatformRecorder.h"

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

::testing::AssertionResult InOrder(const std::vector<UINT>& got, const std::vector<Step>& table) {
  size_t i = 0;
  bool ok = true;
  for (const Step& s : table) {
    if (i < got.size() && got[i] == s.msg)
      ++i;
    else if (!s.optional)
      ok = false;
  }
  if (ok && i == got.size()) return ::testing::AssertionSuccess();
  auto text = ::testing::AssertionFailure() << "got";
  for (UINT m : got) text << ' ' << m;
  text << "; table";
  for (const Step& s : table) text << ' ' << s.msg << (s.optional ? "?" : "");
  return text;
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

}  // namespace testsupport
