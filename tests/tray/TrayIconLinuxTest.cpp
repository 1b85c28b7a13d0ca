// The tray icon as the null display's notification area shows it: added once at
// start-up with its tip, removed and added again with Active, added again when the
// shell's taskbar is created anew, the tip cut to 63 characters, an icon created by
// code, and removal when the icon is destroyed.
#include <gtest/gtest.h>

#include "tests/tray/TrayIconFixture.h"
#include "tests/tray/TrayNullDisplay.h"

namespace {

posix::NotifyIcon IconOf(TTrayIcon* tray) {
  auto icons = IconsOf(tray->CallbackWindow());
  return icons.empty() ? posix::NotifyIcon{} : icons.front();
}

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
  EXPECT_EQ(IconOf(tray).tip, kTip);
  EXPECT_TRUE(tray->Hooked());
  EXPECT_FALSE(Application->ShowMainForm);
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));
  EXPECT_TRUE(form->Visible());

  tray->SetActive(true);  // already active: nothing more
  EXPECT_EQ(IconsOf(tray->CallbackWindow()).size(), 1u);
}

TEST_F(TrayIconTest, ANewTaskbarGetsTheIconAgainWhileActive) {
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  NOTIFYICONDATAA gone{};  // a restarted shell has lost the icon
  gone.cbSize = NOTIFYICONDATAA_V1_SIZE;
  gone.hWnd = tray->CallbackWindow();
  Shell_NotifyIconA(NIM_DELETE, &gone);
  tray->SetHint("DOWN: example.com");
  SendMessageA(tray->CallbackWindow(), taskbarCreated, 0, 0);
  ASSERT_EQ(IconsOf(tray->CallbackWindow()).size(), 1u);
  EXPECT_EQ(IconOf(tray).tip, "DOWN: example.com");

  tray->SetActive(false);
  SendMessageA(tray->CallbackWindow(), taskbarCreated, 0, 0);
  EXPECT_TRUE(IconsOf(tray->CallbackWindow()).empty());
}

TEST_F(TrayIconTest, HintIsCutAt63Characters) {
  std::string h63(63, 'a');
  tray->SetHint(h63);
  EXPECT_EQ(IconOf(tray).tip, h63);
  tray->SetHint(std::string(63, 'b') + "cdef");
  EXPECT_EQ(IconOf(tray).tip, std::string(63, 'b'));
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

}  // namespace
