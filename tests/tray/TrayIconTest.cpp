// The tray icon on the null display: start-up, clicks, popup, minimise and close,
// activation, the tip text.
#include <gtest/gtest.h>

#include "tests/tray/TrayTestSupport.h"
#include "tray/TrayIcon.h"

namespace {

const char kTip[] = "Orvane Pollarion (click to show)";

class TRecordingMenu : public TPopupMenu {
 public:
  explicit TRecordingMenu(TComponent* AOwner) : TPopupMenu(AOwner) {}
  int Popups = 0;
  POINT At{-1, -1};
  TComponent* OpenedBy = nullptr;
  std::vector<std::string>* Log = nullptr;
  void Popup(int x, int y) override {
    ++Popups;
    At = POINT{x, y};
    OpenedBy = PopupComponent;
    if (Log) Log->push_back("popup");
  }
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    form.reset(TComponent::Create<TTrayForm>(nullptr));
    tray = form->TrayIcon1;
  }
  posix::NotifyIcon Icon() {
    auto icons = IconsOf(tray->CallbackWindow());
    return icons.empty() ? posix::NotifyIcon{} : icons.front();
  }
  void Mouse(UINT msg) {
    posix::notifyIconMouse(Icon(), msg);
    Application->ProcessMessages();
  }
  // Records every event of the icon as a short text.
  void RecordEvents() {
    auto button = [](TMouseButton b) {
      return b == mbLeft ? std::string("left") : b == mbRight ? "right" : "middle";
    };
    tray->OnClick = [this](TObject* s) {
      EXPECT_EQ(s, tray);
      log.push_back("click");
    };
    tray->OnDblClick = [this](TObject*) { log.push_back("dblclick"); };
    tray->OnMouseDown = [this, button](TObject*, TMouseButton b, TShiftState sh, int, int) {
      log.push_back("down " + button(b) + (sh.Contains(ssDouble) ? " double" : ""));
    };
    tray->OnMouseUp = [this, button](TObject*, TMouseButton b, TShiftState, int, int) {
      log.push_back("up " + button(b));
    };
    tray->OnPopUp = [this](TObject*) { log.push_back("onpopup"); };
  }
  TOwnedPtr<TTrayForm> form;
  TTrayIcon* tray = nullptr;
  std::vector<std::string> log;
};

TEST_F(TrayIconTest, StartsHiddenWithTheIconAddedOnceWithItsTip) {
  auto icons = IconsOf(tray->CallbackWindow());
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].tip, kTip);
  EXPECT_EQ(icons[0].uid, 0u);
  EXPECT_EQ(icons[0].callbackMessage, 1125u);
  EXPECT_FALSE(Application->ShowMainForm);
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));
  EXPECT_FALSE(form->Visible());
  EXPECT_TRUE(tray->Active());
  EXPECT_TRUE(tray->Hooked());
}

TEST_F(TrayIconTest, ReleaseOfAnyButtonShowsTheWindow) {
  for (UINT down : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
    form->SetVisible(false);
    Mouse(down);
    EXPECT_FALSE(form->Visible()) << down;
    Mouse(down + 1);  // the matching release
    EXPECT_TRUE(form->Visible()) << down;
  }
}

TEST_F(TrayIconTest, DoubleClickSequence) {
  RecordEvents();
  for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) Mouse(m);
  std::vector<std::string> expected{"down left",        "click", "up left", "dblclick",
                                    "down left double", "click", "up left"};
  EXPECT_EQ(log, expected);
}

TEST_F(TrayIconTest, MouseMoveAndUnknownMessages) {
  int moves = 0;
  tray->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
  RecordEvents();
  Mouse(WM_MOUSEMOVE);
  Mouse(WM_MOUSEWHEEL);
  EXPECT_EQ(moves, 1);
  EXPECT_TRUE(log.empty());
}

TEST_F(TrayIconTest, RightPressWithAPopupMenuOpensItAtTheCursor) {
  auto* menu = TComponent::Create<TRecordingMenu>(form.get());
  menu->Log = &log;
  tray->SetPopupMenu(menu);
  RecordEvents();
  Mouse(WM_RBUTTONDOWN);
  EXPECT_EQ(log, (std::vector<std::string>{"down right", "onpopup", "popup"}));
  EXPECT_EQ(menu->OpenedBy, tray);
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(menu->At.x, cursor.x);
  EXPECT_EQ(menu->At.y, cursor.y);
  EXPECT_EQ(tray->CursorPos().x, cursor.x);
}

TEST_F(TrayIconTest, RightClickWithoutAMenu) {
  RecordEvents();
  Mouse(WM_RBUTTONDOWN);
  EXPECT_EQ(log, std::vector<std::string>{"down right"});
  Mouse(WM_RBUTTONUP);
  EXPECT_EQ(log, (std::vector<std::string>{"down right", "click", "up right"}));
}

TEST_F(TrayIconTest, DestroyingThePopupMenuClearsTheReference) {
  auto* menu = TComponent::Create<TRecordingMenu>(form.get());
  tray->SetPopupMenu(menu);
  menu->Free();
  EXPECT_EQ(tray->PopupMenu(), nullptr);
  Mouse(WM_RBUTTONDOWN);  // no menu to open, nothing to crash on
}

TEST_F(TrayIconTest, MinimiseHidesTheWindow) {
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(form->SysCommands, std::vector<WPARAM>{SC_MINIMIZE});  // passed on first
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));
}

TEST_F(TrayIconTest, MinimiseKeepsTheWindowWithShowMinimizedIcon) {
  tray->ShowMinimizedIcon = true;
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(form->Visible());
}

TEST_F(TrayIconTest, NoCloseHidesInsteadOfClosingWhileActive) {
  tray->NoClose = true;
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(form->SysCommands.empty());  // not passed on
  EXPECT_EQ(form->CloseQueries, 0);
  EXPECT_FALSE(form->Visible());
}

TEST_F(TrayIconTest, NoCloseWithoutActiveLetsTheCloseThrough) {
  tray->NoClose = true;
  tray->SetActive(false);
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(form->CloseQueries, 1);
}

TEST_F(TrayIconTest, CloseWithoutNoCloseGoesThrough) {
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(form->SysCommands, std::vector<WPARAM>{SC_CLOSE});
  EXPECT_EQ(form->CloseQueries, 1);
}

TEST_F(TrayIconTest, SystemCommandWithLowBitsSetPassesThrough) {
  tray->NoClose = true;
  form->SetVisible(true);
  form->SysCommands.clear();
  // Neither counts as minimise or close for the icon: both reach the form untouched.
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE | 2, 0);
  ASSERT_EQ(form->SysCommands, std::vector<WPARAM>{SC_CLOSE | 2});
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE | 2, 0);
  EXPECT_EQ(form->SysCommands, (std::vector<WPARAM>{SC_CLOSE | 2, SC_MINIMIZE | 2}));
  EXPECT_TRUE(form->Visible());  // not hidden as after a minimise
}

TEST_F(TrayIconTest, ActiveOffAndOnAgain) {
  form->SetVisible(true);
  tray->SetActive(false);
  EXPECT_TRUE(IconsOf(tray->CallbackWindow()).empty());
  EXPECT_TRUE(Application->ShowMainForm);
  EXPECT_TRUE(IsWindowVisible(Application->Handle()));
  EXPECT_FALSE(tray->Hooked());
  EXPECT_TRUE(form->Visible());  // untouched

  tray->SetActive(true);
  EXPECT_EQ(IconsOf(tray->CallbackWindow()).size(), 1u);
  EXPECT_EQ(Icon().tip, kTip);
  EXPECT_TRUE(tray->Hooked());
  EXPECT_FALSE(Application->ShowMainForm);
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));
  EXPECT_TRUE(form->Visible());

  tray->SetActive(true);  // already active: nothing more
  EXPECT_EQ(IconsOf(tray->CallbackWindow()).size(), 1u);
}

TEST_F(TrayIconTest, HintIsCutAt63Characters) {
  std::string h63(63, 'a');
  tray->SetHint(h63);
  EXPECT_EQ(Icon().tip, h63);
  tray->SetHint(std::string(63, 'b') + "cdef");
  EXPECT_EQ(Icon().tip, std::string(63, 'b'));
}

TEST_F(TrayIconTest, CreatedByCodeAddsNoIconUntilReactivated) {
  auto* later = TComponent::Create<TTrayIcon>(form.get());
  later->SetHint("later");
  EXPECT_TRUE(IconsOf(later->CallbackWindow()).empty());
  later->SetActive(false);
  later->SetActive(true);
  ASSERT_EQ(IconsOf(later->CallbackWindow()).size(), 1u);
  EXPECT_EQ(IconsOf(later->CallbackWindow())[0].tip, "later");
}

TEST_F(TrayIconTest, DestructionRemovesTheIconAndTheHook) {
  HWND callback = tray->CallbackWindow();
  HWND wnd = form->Handle();
  LONG_PTR hooked = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
  tray->Free();
  EXPECT_TRUE(IconsOf(callback).empty());
  EXPECT_FALSE(IsWindow(callback));
  EXPECT_NE(GetWindowLongPtrA(wnd, GWLP_WNDPROC), hooked);
}

TEST_F(TrayIconTest, ClickHandlerMayFreeTheIcon) {
  bool upAfterFree = false;
  tray->OnClick = [this](TObject*) { tray->Free(); };
  tray->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { upAfterFree = true; };
  Mouse(WM_LBUTTONUP);
  EXPECT_FALSE(upAfterFree);
}

}  // namespace
