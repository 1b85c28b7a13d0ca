// The owner window hook: installing, passing on, removing, and the owner's window
// going away while hooked.
#include <gtest/gtest.h>

#include "tests/tray/TrayTestSupport.h"
#include "tray/WndProcComponent.h"

namespace {

// Records the messages that pass through the hook; can unhook itself on one message.
class TProbe : public TWndProcComponent {
 public:
  explicit TProbe(TComponent* AOwner) : TWndProcComponent(AOwner) {}
  std::vector<UINT> Seen;
  UINT UnhookOn = 0;

 protected:
  void OwnerWindowProc(TMessage& Msg) override {
    Seen.push_back(Msg.Msg);
    if (UnhookOn && Msg.Msg == UnhookOn) UnhookOwner();
    TWndProcComponent::OwnerWindowProc(Msg);
  }
};

const UINT kPing = WM_USER + 7;

class WndProcComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    form.reset(TComponent::Create<TRecordingForm>(nullptr));
    wnd = form->Handle();
    original = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
  }
  TOwnedPtr<TRecordingForm> form;
  HWND wnd = nullptr;
  LONG_PTR original = 0;
};

TEST_F(WndProcComponentTest, HookPassesMessagesOnAndUnhookRestoresTheProcedure) {
  auto* probe = TComponent::Create<TProbe>(form.get());
  ASSERT_TRUE(probe->HookOwner());
  EXPECT_NE(GetWindowLongPtrA(wnd, GWLP_WNDPROC), original);
  SendMessageA(wnd, kPing, 0, 0);
  EXPECT_EQ(probe->Seen, std::vector<UINT>{kPing});
  EXPECT_TRUE(form->Saw(kPing));

  probe->UnhookOwner();
  EXPECT_FALSE(probe->Hooked());
  EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), original);
  SendMessageA(wnd, kPing, 0, 0);
  EXPECT_EQ(probe->Seen.size(), 1u);
}

TEST_F(WndProcComponentTest, SecondHookOwnerFailsAndKeepsTheSavedProcedure) {
  auto* probe = TComponent::Create<TProbe>(form.get());
  ASSERT_TRUE(probe->HookOwner());
  EXPECT_FALSE(probe->HookOwner());
  probe->UnhookOwner();
  EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), original);  // not our own thunk
}

TEST_F(WndProcComponentTest, DisablingLeavesAnInstalledHookInPlace) {
  auto* probe = TComponent::Create<TProbe>(form.get());
  probe->Loaded();  // Enabled from construction: the loaded step installs the hook
  ASSERT_TRUE(probe->Hooked());
  probe->SetEnabled(false);
  EXPECT_TRUE(probe->Hooked());
  probe->SetEnabled(true);
  EXPECT_TRUE(probe->Hooked());
}

TEST_F(WndProcComponentTest, TwoHooksOnOneWindowEachReachTheirOwnComponent) {
  auto* first = TComponent::Create<TProbe>(form.get());
  auto* second = TComponent::Create<TProbe>(form.get());
  ASSERT_TRUE(first->HookOwner());
  ASSERT_TRUE(second->HookOwner());
  SendMessageA(wnd, kPing, 0, 0);
  EXPECT_EQ(first->Seen, std::vector<UINT>{kPing});
  EXPECT_EQ(second->Seen, std::vector<UINT>{kPing});
  second->UnhookOwner();
  first->UnhookOwner();
  EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), original);
}

TEST_F(WndProcComponentTest, UnhookInsideTheHookStillPassesThatMessageOn) {
  auto* probe = TComponent::Create<TProbe>(form.get());
  ASSERT_TRUE(probe->HookOwner());
  probe->UnhookOn = kPing;
  SendMessageA(wnd, kPing, 0, 0);
  EXPECT_FALSE(probe->Hooked());
  EXPECT_TRUE(form->Saw(kPing));
  EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), original);
}

TEST_F(WndProcComponentTest, OwnerWindowDestroyedWhileHooked) {
  auto* probe = TComponent::Create<TProbe>(form.get());
  ASSERT_TRUE(probe->HookOwner());
  form->Messages.clear();
  DestroyWindow(wnd);  // behind the framework's back, as the system may do
  EXPECT_TRUE(probe->WindowDestroyed());
  EXPECT_TRUE(form->Saw(WM_DESTROY));     // passed on
  EXPECT_FALSE(form->Saw(WM_NCDESTROY));  // dropped after WM_DESTROY
  EXPECT_FALSE(IsWindow(wnd));
  probe->Free();  // releases the thunk without touching or re-creating the window
  EXPECT_FALSE(IsWindow(wnd));
  // WM_NCDESTROY never reached the form, so it still holds the dead handle; nothing new.
  EXPECT_EQ(form->Handle(), wnd);
}

TEST_F(WndProcComponentTest, NoOwnerFormMeansNothingIsHooked) {
  TOwnedPtr<TProbe> orphan(TComponent::Create<TProbe>(nullptr));
  EXPECT_EQ(orphan->OwnerWindowHandle(), nullptr);
  EXPECT_FALSE(orphan->HookOwner());
}

TEST_F(WndProcComponentTest, ComponentFreedWithItsFormLeavesNoDanglingProcedure) {
  auto* probe = TComponent::Create<TProbe>(form.get());
  ASSERT_TRUE(probe->HookOwner());
  form.reset();  // the form frees its components before its window goes
  EXPECT_FALSE(IsWindow(wnd));
}

}  // namespace
