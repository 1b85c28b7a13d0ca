// The icon animation: the pool interval, frames in turn, timer changes.
#include <gtest/gtest.h>

#include "platform/posix/Seams.h"
#include "tests/tray/TrayTestSupport.h"
#include "tray/TimerPool.h"

namespace {

// An image list of Count images that records which image was drawn.
class TFakeImageList : public TCustomImageList {
 public:
  TFakeImageList(TComponent* AOwner, int Count) : TCustomImageList(AOwner), FCount(Count) {}
  std::vector<int> Drawn;
  int ImageCount(int List) const override { return List == 0 ? FCount : 0; }
  void Draw(int List, int Index, HBITMAP) override {
    if (List != 0 || Index >= FCount)
      throw EListError(Format("List index out of bounds (%d)", {Index}));
    Drawn.push_back(Index);
  }

 private:
  int FCount;
};

class TrayAnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    form.reset(TComponent::Create<TTrayForm>(nullptr));
    tray = form->TrayIcon1;
  }
  void TearDown() override {
    form.reset();
    posix::setClock(nullptr);
  }
  TOwnedPtr<TTrayForm> form;
  TTrayIcon* tray = nullptr;
};

TEST_F(TrayAnimationTest, PoolIntervalIsRaisedToAMultipleOf50) {
  tray->SetInterval(230);
  tray->SetAnimated(true);
  EXPECT_EQ(tray->Interval(), 250);
  ASSERT_NE(tray->GlobalTimerID(), 0u);
  EXPECT_EQ(TTimerPool::Pool().Interval(tray->GlobalTimerID()), 250u);
  EXPECT_TRUE(TTimerPool::Pool().Enabled(tray->GlobalTimerID()));
  tray->SetAnimated(false);
  EXPECT_EQ(tray->GlobalTimerID(), 0u);
  tray->SetInterval(250);
  tray->SetAnimated(true);
  EXPECT_EQ(tray->Interval(), 250);
}

TEST_F(TrayAnimationTest, ThreeImagesAreShownInTurn) {
  auto* list = TComponent::Create<TFakeImageList>(form.get(), 3);
  tray->SetImageList(list);
  for (int i = 0; i < 4; ++i) tray->AnimateIcon();
  EXPECT_EQ(list->Drawn, (std::vector<int>{0, 1, 2, 0}));
  EXPECT_EQ(tray->FrameIndex(), 1);
}

TEST_F(TrayAnimationTest, PoolTicksDriveTheFrames) {
  posix::ManualClock clock;
  posix::setClock(&clock);
  auto* list = TComponent::Create<TFakeImageList>(form.get(), 3);
  tray->SetImageList(list);
  tray->SetInterval(100);
  tray->SetAnimated(true);
  for (int step = 0; step < 8; ++step) {  // 8 pool ticks of 50 ms: 4 frames
    clock.advance(50);
    Application->ProcessMessages();
  }
  EXPECT_EQ(list->Drawn, (std::vector<int>{0, 1, 2, 0}));
}

TEST_F(TrayAnimationTest, EmptyListFailsBeforeTheFrameAdvances) {
  auto* list = TComponent::Create<TFakeImageList>(form.get(), 0);
  tray->SetImageList(list);
  EXPECT_THROW(tray->AnimateIcon(), EListError);
  EXPECT_EQ(tray->FrameIndex(), 0);
}

TEST_F(TrayAnimationTest, DestroyingTheImageListClearsTheReference) {
  auto* list = TComponent::Create<TFakeImageList>(form.get(), 2);
  tray->SetImageList(list);
  list->Free();
  EXPECT_EQ(tray->ImageList(), nullptr);
  tray->AnimateIcon();  // no list: nothing to do
}

TEST_F(TrayAnimationTest, ChangingTimerModeLeavesTheNewTimerStopped) {
  tray->SetAnimated(true);
  ASSERT_NE(tray->GlobalTimerID(), 0u);
  tray->SetTimerMode(tmHiTimer);
  EXPECT_EQ(tray->GlobalTimerID(), 0u);
  ASSERT_NE(tray->HiTimer(), nullptr);
  EXPECT_FALSE(tray->HiTimer()->Enabled());
  EXPECT_FALSE(tray->HiTimer()->UseThread());
  tray->SetTimerMode(tmThreaded);
  ASSERT_NE(tray->HiTimer(), nullptr);
  EXPECT_TRUE(tray->HiTimer()->UseThread());
  tray->SetAnimated(false);
  EXPECT_EQ(tray->HiTimer(), nullptr);
}

TEST_F(TrayAnimationTest, FormFreesAnAnimatedIconWithItsOwnTimerAndList) {
  auto* list = TComponent::Create<TFakeImageList>(form.get(), 2);  // freed before the icon
  tray->SetImageList(list);
  tray->SetTimerMode(tmHiTimer);
  tray->SetAnimated(true);
  ASSERT_NE(tray->HiTimer(), nullptr);
  EXPECT_TRUE(tray->HiTimer()->Enabled());
  form.reset();  // no use of the freed list or timer (checked under the sanitizers)
}

TEST_F(TrayAnimationTest, DeactivationReleasesThePoolEntry) {
  tray->SetAnimated(true);
  unsigned id = tray->GlobalTimerID();
  ASSERT_NE(id, 0u);
  tray->SetActive(false);
  EXPECT_FALSE(TTimerPool::Pool().Exists(id));
}

}  // namespace
