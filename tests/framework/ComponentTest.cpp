// Ownership, destruction order, component state and free notifications.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Classes.h"

namespace {

std::vector<std::string> gLog;

class TProbe : public TComponent {
 public:
  TProbe(TComponent* owner, std::string name) : TComponent(owner) { Name = std::move(name); }
  ~TProbe() override { gLog.push_back("~" + Name + (destroyingSeen ? "(destroying)" : "")); }
  void BeforeDestruction() override {
    destroyingSeen = false;
    TComponent::BeforeDestruction();
    destroyingSeen = ComponentState().Contains(csDestroying);
  }
  void Notification(TComponent* c, TOperation op) override {
    if (op == opRemove) {
      gLog.push_back(Name + " hears " + c->Name);
      if (c == watched) watched = nullptr;
    }
    TComponent::Notification(c, op);
  }
  TComponent* watched = nullptr;
  bool destroyingSeen = false;
};

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override { gLog.clear(); }
};

TEST_F(ComponentTest, OwnerFreesOwnedComponentsLastCreatedFirst) {
  auto* owner = TComponent::Create<TProbe>(nullptr, "owner");
  TComponent::Create<TProbe>(owner, "a");
  TComponent::Create<TProbe>(owner, "b");
  TComponent::Create<TProbe>(owner, "c");
  EXPECT_EQ(owner->ComponentCount(), 3);
  owner->Free();
  EXPECT_EQ(gLog, (std::vector<std::string>{"~c(destroying)", "~b(destroying)", "~a(destroying)",
                                            "~owner(destroying)"}));
}

TEST_F(ComponentTest, FreeingOneComponentTellsTheOwnerAndSiblings) {
  auto* owner = TComponent::Create<TProbe>(nullptr, "owner");
  auto* a = TComponent::Create<TProbe>(owner, "a");
  auto* b = TComponent::Create<TProbe>(owner, "b");
  a->watched = b;
  b->Free();
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(a->watched, nullptr);
  EXPECT_EQ(gLog, (std::vector<std::string>{"owner hears b", "a hears b", "~b(destroying)"}));
  owner->Free();
}

TEST_F(ComponentTest, FreeNotificationAcrossOwnersAndRemoval) {
  auto* o1 = TComponent::Create<TProbe>(nullptr, "o1");
  auto* o2 = TComponent::Create<TProbe>(nullptr, "o2");
  auto* tray = TComponent::Create<TProbe>(o1, "tray");
  auto* menu = TComponent::Create<TProbe>(o2, "menu");
  auto* other = TComponent::Create<TProbe>(o2, "other");
  tray->watched = menu;
  tray->FreeNotification(menu);
  tray->FreeNotification(other);
  tray->RemoveFreeNotification(other);
  o2->Free();  // frees menu and other without telling siblings; tray asked for menu
  EXPECT_EQ(tray->watched, nullptr);
  EXPECT_NE(std::find(gLog.begin(), gLog.end(), "tray hears menu"), gLog.end());
  EXPECT_EQ(std::find(gLog.begin(), gLog.end(), "tray hears other"), gLog.end());
  o1->Free();
}

TEST_F(ComponentTest, NotifiedComponentFreedFirstLeavesNoDanglingLink) {
  auto* a = TComponent::Create<TProbe>(nullptr, "a");
  auto* b = TComponent::Create<TProbe>(nullptr, "b");
  a->FreeNotification(b);
  a->Free();  // b must forget a
  gLog.clear();
  b->Free();
  EXPECT_EQ(gLog, (std::vector<std::string>{"~b(destroying)"}));
}

TEST_F(ComponentTest, UniquePtrOwnershipRunsTheSameSteps) {
  {
    TOwnedPtr<TProbe> owner(TComponent::Create<TProbe>(nullptr, "owner"));
    TComponent::Create<TProbe>(owner.get(), "a");
  }
  EXPECT_EQ(gLog, (std::vector<std::string>{"~a(destroying)", "~owner(destroying)"}));
  gLog.clear();
  {
    std::unique_ptr<TProbe> plain(TComponent::Create<TProbe>(nullptr, "plain"));
    TComponent::Create<TProbe>(plain.get(), "kid");
  }
  // The derived part goes first here; the owned component still gets freed.
  EXPECT_EQ(gLog, (std::vector<std::string>{"~plain", "~kid(destroying)"}));
}

TEST_F(ComponentTest, FindComponentIgnoresCase) {
  TOwnedPtr<TProbe> owner(TComponent::Create<TProbe>(nullptr, "owner"));
  auto* http = TComponent::Create<TProbe>(owner.get(), "HTTP");
  EXPECT_EQ(owner->FindComponent("http"), http);
  EXPECT_EQ(owner->FindComponent("none"), nullptr);
}

TEST_F(ComponentTest, ClassNameIsTheOwnClassName) {
  TOwnedPtr<TProbe> p(TComponent::Create<TProbe>(nullptr, "p"));
  EXPECT_EQ(p->ClassName(), "TProbe");
}

TEST(Sets, IncludeExcludeContains) {
  TComponentState s{csLoading};
  EXPECT_TRUE(s.Contains(csLoading));
  s.Include(csDestroying).Exclude(csLoading);
  EXPECT_FALSE(s.Contains(csLoading));
  EXPECT_TRUE(s.Contains(csDestroying));
}

}  // namespace
