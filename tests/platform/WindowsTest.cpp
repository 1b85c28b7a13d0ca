// Window classes, creation and destruction order, stale handles, extra data and
// subclassing.
#include <gtest/gtest.h>

#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

using testsupport::InOrder;
using testsupport::kOptional;
using testsupport::MessageRecorder;
using testsupport::Step;

namespace {

const std::set<UINT> kNoise = {WM_GETMINMAXINFO, WM_WINDOWPOSCHANGED, WM_ACTIVATE,
                               WM_SETFOCUS,      WM_KILLFOCUS,        WM_GETTEXT};

// Messages that only Windows sends (the Linux platform has no names for them).
constexpr UINT kNcCalcSize = 0x0083, kParentNotify = 0x0210;

LRESULT CALLBACK failCreate(HWND h, UINT m, WPARAM w, LPARAM l) {
  return m == WM_CREATE ? -1 : DefWindowProcA(h, m, w, l);
}

TEST(WindowClasses, NamesCompareWithoutCaseAndRegisterOnce) {
  HINSTANCE inst = GetModuleHandleA(nullptr);  // a null instance means the system's
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = inst;
  wc.lpszClassName = "PlatTestClassA";
  ASSERT_NE(RegisterClassA(&wc), 0);
  wc.lpszClassName = "PLATTESTCLASSA";
  EXPECT_EQ(RegisterClassA(&wc), 0);
  WNDCLASSA out{};
  EXPECT_TRUE(GetClassInfoA(inst, "plattestclassa", &out));
  EXPECT_EQ(out.lpfnWndProc, &DefWindowProcA);
}

TEST(WindowClasses, BuiltinControlClassesExist) {
  WNDCLASSA out{};
  for (const char* n : {"EDIT", "button", "Static", UPDOWN_CLASSA})
    EXPECT_TRUE(GetClassInfoA(nullptr, n, &out)) << n;
}

TEST(WindowLifetime, CreateAndDestroySendMessagesInWindowsOrder) {
  MessageRecorder rec;
  HWND parent = rec.create("parent");
  HWND child = rec.create("child", WS_CHILD, parent, 7);
  ASSERT_TRUE(parent && child);
  // Windows also sends kNcCalcSize, and to the parent kParentNotify; a top-level
  // window created hidden gets its WM_SIZE and WM_MOVE only when first shown there.
  const std::vector<Step> parentCreated = {{WM_NCCREATE},        {kNcCalcSize, kOptional},
                                           {WM_CREATE},          {WM_SIZE, kOptional},
                                           {WM_MOVE, kOptional}, {kParentNotify, kOptional}};
  const std::vector<Step> childCreated = {
      {WM_NCCREATE}, {kNcCalcSize, kOptional}, {WM_CREATE}, {WM_SIZE}, {WM_MOVE}};
  EXPECT_TRUE(InOrder(rec.messages(parent, kNoise), parentCreated));
  EXPECT_TRUE(InOrder(rec.messages(child, kNoise), childCreated));

  rec.clear();
  ASSERT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> got;
  for (auto& r : rec.log)
    if (!kNoise.count(r.msg)) got.emplace_back(r.hwnd, r.msg);
  std::vector<std::pair<HWND, UINT>> want = {
      {parent, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {parent, WM_NCDESTROY}};
  EXPECT_EQ(got, want);
  EXPECT_FALSE(IsWindow(parent));
  EXPECT_FALSE(IsWindow(child));
}

TEST(WindowLifetime, CreateStructCarriesTheArguments) {
  MessageRecorder rec;
  CREATESTRUCTA seen{};
  std::string name;
  rec.handler = [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_CREATE) {
      seen = *reinterpret_cast<CREATESTRUCTA*>(l);
      name = seen.lpszName;
    }
    return std::nullopt;
  };
  HWND h = rec.create("title", WS_OVERLAPPEDWINDOW, nullptr, 0, 5, 6, 70, 80);
  EXPECT_EQ(name, "title");
  EXPECT_EQ(seen.x, 5);
  EXPECT_EQ(seen.cy, 80);
  char buf[16];
  EXPECT_EQ(GetWindowTextA(h, buf, sizeof buf), 5);
  EXPECT_STREQ(buf, "title");
}

TEST(WindowLifetime, CreateFailsWhenWmCreateReturnsMinusOne) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = failCreate;
  wc.lpszClassName = "PlatFailCreate";
  RegisterClassA(&wc);
  EXPECT_EQ(
      CreateWindowExA(0, "PlatFailCreate", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  EXPECT_EQ(
      CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
      nullptr);
}

TEST(WindowLifetime, StaleHandlesFailCleanly) {
  MessageRecorder rec;
  HWND h = rec.create("gone");
  DestroyWindow(h);
  // A new window must not revive the old handle.
  HWND other = rec.create("new");
  EXPECT_NE(other, h);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(PostMessageA(h, WM_USER, 0, 0));
  EXPECT_EQ(SendMessageA(h, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_FALSE(ShowWindow(h, SW_SHOW));
  EXPECT_FALSE(DestroyWindow(h));
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 0);
  RECT r;
  EXPECT_FALSE(GetWindowRect(h, &r));
  EXPECT_EQ(SetTimer(h, 1, 100, nullptr), 0u);
}

TEST(WindowLifetime, DestroyingTheOwnerDestroysOwnedWindowsFirst) {
  MessageRecorder rec;
  HWND owner = rec.create("owner");
  HWND owned = rec.create("owned", WS_POPUP, owner);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  rec.clear();
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(owned));
  ASSERT_FALSE(rec.log.empty());
  EXPECT_EQ(rec.log.front().hwnd, owned);
}

TEST(WindowData, ExtraBytesAndUserData) {
  MessageRecorder rec;
  HWND h = rec.create("x");
  EXPECT_EQ(SetWindowLongPtrA(h, 0, 1234), 0);
  EXPECT_EQ(SetWindowLongPtrA(h, sizeof(LONG_PTR), 99), 0);
  EXPECT_EQ(GetWindowLongPtrA(h, 0), 1234);
  EXPECT_EQ(SetWindowLongPtrA(h, 0, 5), 1234);
  EXPECT_EQ(GetWindowLongA(h, sizeof(LONG_PTR)), 99);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongPtrA(h, 2 * sizeof(LONG_PTR)), 0);  // past cbWndExtra
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
}

std::vector<std::string>* gChain;
WNDPROC gPrevious;
LRESULT CALLBACK subclassProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 1) gChain->push_back("subclass");
  return CallWindowProcA(gPrevious, h, m, w, l);
}

TEST(WindowData, SubclassingChainsToThePreviousProcedure) {
  MessageRecorder rec;
  std::vector<std::string> chain;
  gChain = &chain;
  rec.handler = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER + 1) {
      chain.push_back("original");
      return 42;
    }
    return std::nullopt;
  };
  HWND h = rec.create("sub");
  gPrevious = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclassProc)));
  ASSERT_NE(gPrevious, nullptr);
  EXPECT_EQ(SendMessageA(h, WM_USER + 1, 0, 0), 42);
  EXPECT_EQ(chain, (std::vector<std::string>{"subclass", "original"}));
  // Unhooking restores the original.
  EXPECT_EQ(SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gPrevious)),
            reinterpret_cast<LONG_PTR>(subclassProc));
}

TEST(WindowTree, ChildrenInCreationOrderAndControlIds) {
  MessageRecorder rec;
  HWND p = rec.create("p");
  HWND a = rec.create("a", WS_CHILD, p, 11);
  HWND b = rec.create("b", WS_CHILD, p, 12);
  EXPECT_EQ(GetWindow(p, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetParent(b), p);
  EXPECT_EQ(GetDlgCtrlID(b), 12);
  DestroyWindow(a);
  EXPECT_EQ(GetWindow(p, GW_CHILD), b);
}

TEST(DefaultProcedure, CloseAndSystemCommands) {
  MessageRecorder rec;
  HWND h = rec.create("c", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  SendMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(h));
  SendMessageA(h, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(h));
  EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(110, 80)), HTCLIENT);  // screen point
  EXPECT_EQ(SendMessageA(h, WM_QUERYENDSESSION, 0, 0), TRUE);
  rec.clear();
  SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(h));
  std::vector<UINT> msgs = rec.messages(nullptr, kNoise);
  ASSERT_GE(msgs.size(), 3u);
  EXPECT_EQ(msgs[0], static_cast<UINT>(WM_SYSCOMMAND));
  EXPECT_EQ(msgs[1], static_cast<UINT>(WM_CLOSE));
}

TEST(DefaultProcedure, TextMessages) {
  MessageRecorder rec;
  HWND h = rec.create("");
  EXPECT_TRUE(SetWindowTextA(h, "hello world"));
  EXPECT_EQ(GetWindowTextLengthA(h), 11);
  char small[6];
  EXPECT_EQ(GetWindowTextA(h, small, sizeof small), 5);
  EXPECT_STREQ(small, "hello");
}

}  // namespace
