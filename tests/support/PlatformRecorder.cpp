// Message recorder and queue drain for tests.
#include "tests/support/PlatformRecorder.h"

namespace testsupport {

namespace {
// The queued message drainMessages is dispatching now, until its window receives it.
thread_local const MSG* tDispatching = nullptr;

bool takeDispatched(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const MSG* m = tDispatching;
  if (!m || m->hwnd != hwnd || m->message != msg || m->wParam != wp || m->lParam != lp)
    return false;
  tDispatching = nullptr;
  return true;
}
}  // namespace

// By number: the Linux platform has no names for most of them.
const std::set<UINT> kWindowsOnly = {0x0014 /* WM_ERASEBKGND */,
                                     0x001C /* WM_ACTIVATEAPP */,
                                     0x0020 /* WM_SETCURSOR */,
                                     0x0022 /* WM_CHILDACTIVATE */,
                                     0x0024 /* WM_GETMINMAXINFO */,
                                     0x0046 /* WM_WINDOWPOSCHANGING */,
                                     0x0047 /* WM_WINDOWPOSCHANGED */,
                                     0x007F /* WM_GETICON */,
                                     0x0083 /* WM_NCCALCSIZE */,
                                     0x0085 /* WM_NCPAINT */,
                                     0x0086 /* WM_NCACTIVATE */,
                                     0x0088 /* WM_SYNCPAINT */,
                                     0x0090 /* WM_UAHDESTROYWINDOW */,
                                     0x0210 /* WM_PARENTNOTIFY */,
                                     0x0215 /* WM_CAPTURECHANGED */,
                                     0x0281 /* WM_IME_SETCONTEXT */,
                                     0x0282 /* WM_IME_NOTIFY */,
                                     0x030F /* WM_QUERYNEWPALETTE */,
                                     0x031F /* WM_DWMNCRENDERINGCHANGED */};

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
    self->log.push_back(Recorded{hwnd, msg, wp, lp, takeDispatched(hwnd, msg, wp, lp)});
    if (self->handler)
      if (auto r = self->handler(hwnd, msg, wp, lp)) return *r;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

std::vector<Recorded> MessageRecorder::records(HWND hwnd, const std::set<UINT>& ignore) const {
  std::vector<Recorded> out;
  for (auto& r : log)
    if ((!hwnd || r.hwnd == hwnd) && !ignore.count(r.msg)) out.push_back(r);
  return out;
}

std::vector<UINT> MessageRecorder::messages(HWND hwnd, const std::set<UINT>& ignore) const {
  std::vector<UINT> out;
  for (auto& r : records(hwnd, ignore)) out.push_back(r.msg);
  return out;
}

namespace {
struct Arrival {
  UINT msg;
  std::optional<bool> posted;  // unknown for a bare message list
};

bool arrivesAs(const Arrival& a, const Step& s) {
  if (a.msg != s.msg) return false;
  if (!a.posted) return true;
  if (s.marks & kSent) return !*a.posted;
  if (s.marks & kPosted) return *a.posted;
  return true;
}

::testing::AssertionResult inOrder(const std::vector<Arrival>& got,
                                   const std::vector<Step>& table) {
  size_t i = 0;
  bool ok = true;
  for (const Step& s : table) {
    if (i < got.size() && arrivesAs(got[i], s))
      ++i;
    else if (!(s.marks & kOptional))
      ok = false;
  }
  if (ok && i == got.size()) return ::testing::AssertionSuccess();
  auto text = ::testing::AssertionFailure() << "got";
  for (const Arrival& a : got) text << ' ' << a.msg << (!a.posted ? "" : *a.posted ? "p" : "s");
  text << "; table";
  for (const Step& s : table)
    text << ' ' << s.msg << ((s.marks & kSent) ? "s" : "") << ((s.marks & kPosted) ? "p" : "")
         << ((s.marks & kOptional) ? "?" : "");
  return text;
}
}  // namespace

::testing::AssertionResult InOrder(const std::vector<Recorded>& got,
                                   const std::vector<Step>& table) {
  std::vector<Arrival> arrivals;
  for (const Recorded& r : got) arrivals.push_back({r.msg, r.posted});
  return inOrder(arrivals, table);
}

::testing::AssertionResult InOrder(const std::vector<UINT>& got, const std::vector<Step>& table) {
  std::vector<Arrival> arrivals;
  for (UINT m : got) arrivals.push_back({m, std::nullopt});
  return inOrder(arrivals, table);
}

int drainMessages() {
  int n = 0;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message != WM_QUIT) {
      const MSG* outer = tDispatching;
      tDispatching = &m;
      DispatchMessageA(&m);
      tDispatching = outer;
    }
    ++n;
  }
  return n;
}

}  // namespace testsupport
