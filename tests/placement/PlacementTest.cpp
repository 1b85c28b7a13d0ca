// The window placement store: first run, restore after restart, foreign densities,
// short position texts, the maximised state, and the shared INI file.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "framework/Forms.h"
#include "placement/Placement.h"
#include "tests/support/SettingsDir.h"

namespace {

namespace fs = std::filesystem;

// Built like the program's main window: 487 x 463, the store in section "window".
class TPlacedForm : public TForm {
 public:
  TFormStorage* FormStorage1 = nullptr;
  int OwnDestroys = 0;
  explicit TPlacedForm(TComponent* AOwner) : TForm(AOwner) {
    SetVisible(false);
    SetBounds(860, 304, 487, 463);
    OnDestroy = [this](TObject*) { ++OwnDestroys; };
    ReadState([this] {
      FormStorage1 = TComponent::Create<TFormStorage>(this);
      FormStorage1->IniSection = "window";
    });
  }
};

class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tavix-placement-" + std::to_string(std::random_device{}()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    settings = testsupport::UseSettingsDir(dir);
    store = DefaultStoreName();
    RemoveStore();
    Application->Initialize();
    suffix = ScreenSuffix();
  }
  void TearDown() override {
    RemoveStore();
    testsupport::ReleaseSettingsDir();
    fs::remove_all(dir);
  }
  TOwnedPtr<TPlacedForm> NewForm() {
    return TOwnedPtr<TPlacedForm>(TComponent::Create<TPlacedForm>(nullptr));
  }
  // One run: show, optionally change the window, close, destroy.
  void Run(const std::function<void(TPlacedForm&)>& change) {
    auto form = NewForm();
    form->SetVisible(true);
    change(*form);
    EXPECT_TRUE(form->CloseQuery());
  }
  std::string Key(const std::string& key) {
    return TIniFile(store).ReadString("window", key, "<none>");
  }
  void Put(const std::string& key, const std::string& value) {
    TIniFile(store).WriteString("window", key, value);
  }
  // The store's file as it lies in the settings directory (names compare without case).
  fs::path StorePath() {
    for (auto& e : fs::directory_iterator(settings))
      if (Lower(e.path().filename().string()) == Lower(store)) return e.path();
    return {};
  }
  void RemoveStore() {
    fs::path p = StorePath();
    if (!p.empty()) fs::remove(p);
  }
  std::string FileText() {
    fs::path p = StorePath();
    if (p.empty()) return "";
    std::ifstream in(p);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }
  fs::path dir;
  fs::path settings;  // where directory-less INI names land
  std::string store;  // the store's name: the executable's, with ".INI"
  std::string suffix;
};

TEST_F(PlacementTest, StoreNameIsTheExecutableWithIniExtension) {
  EXPECT_EQ(DefaultStoreName(), testsupport::ModuleBaseName() + ".INI");
  auto form = NewForm();
  EXPECT_EQ(form->FormStorage1->StoreName(), DefaultStoreName());
  EXPECT_EQ(form->FormStorage1->SectionName(), "window");
  form->FormStorage1->IniSection.clear();
  EXPECT_EQ(form->FormStorage1->SectionName(), "TPlacedForm");
}

TEST_F(PlacementTest, NeverShownWritesNoWindowSection) {
  {
    auto form = NewForm();
    EXPECT_TRUE(form->CloseQuery());
  }
  EXPECT_EQ(Key("NormPos"), "<none>");
  EXPECT_EQ(Key("FormVersion"), "<none>");
}

TEST_F(PlacementTest, FirstRunWritesTheNineKeysAtClose) {
  int left = 0, top = 0;
  Run([&](TPlacedForm& f) {
    left = f.Left();
    top = f.Top();
  });
  std::string norm = Format("%d,%d,%d,%d", {left, top, left + 487, top + 463});
  EXPECT_EQ(Key("FormVersion"), "0");
  EXPECT_NE(Key("Flags"), "<none>");
  EXPECT_EQ(Key("ShowCmd"), "1");
  EXPECT_EQ(Key("PixelsPerInch"), "96");
  EXPECT_NE(Key("MinMaxPos" + suffix), "<none>");
  EXPECT_EQ(Key("MinMaxPos"), Key("MinMaxPos" + suffix));
  EXPECT_EQ(Key("NormPos" + suffix), norm);
  EXPECT_EQ(Key("NormPos"), norm);
  EXPECT_EQ(Key("Visible"), "0");  // saved at close, not again at destruction
  // Written in this order, into the same file as the settings.
  std::string text = FileText();
  size_t at = 0;
  for (std::string k : std::vector<std::string>{
           "FormVersion=", "Flags=", "ShowCmd=", "PixelsPerInch=", "MinMaxPos" + suffix + "=",
           "MinMaxPos=", "NormPos" + suffix + "=", "NormPos=", "Visible="}) {
    size_t next = text.find(k, at);
    ASSERT_NE(next, std::string::npos) << k << " in\n" << text;
    at = next + k.size();
  }
}

TEST_F(PlacementTest, SavedFromDestructionWhenNotClosed) {
  {
    auto form = NewForm();
    form->SetVisible(true);
  }
  EXPECT_EQ(Key("Visible"), "1");
}

TEST_F(PlacementTest, OwnDestroyHandlerStillRuns) {
  auto form = NewForm();
  form->SetVisible(true);
  TPlacedForm* f = form.get();
  int* count = &f->OwnDestroys;
  int seen = -1;
  f->FormStorage1->OnSavePlacement = [&](TObject*) { seen = *count; };
  form.reset();
  EXPECT_EQ(seen, 0);  // placement saved before the form's own handler
}

TEST_F(PlacementTest, MovedWindowIsRestoredAfterRestart) {
  Run([](TPlacedForm& f) { f.SetBounds(100, 120, 500, 400); });
  auto form = NewForm();
  form->SetVisible(true);
  EXPECT_EQ(form->Left(), 100);
  EXPECT_EQ(form->Top(), 120);
  EXPECT_EQ(form->Width(), 500);
  EXPECT_EQ(form->Height(), 400);
}

TEST_F(PlacementTest, EveryShowingReadsTheFileAgain) {
  Run([](TPlacedForm& f) { f.SetBounds(100, 120, 500, 400); });
  auto form = NewForm();
  form->SetVisible(true);
  form->SetBounds(300, 310, 500, 400);
  form->SetVisible(false);
  form->SetVisible(true);
  EXPECT_EQ(form->Left(), 100);
}

TEST_F(PlacementTest, PlacementOfAnotherDensityIsNotApplied) {
  Put("PixelsPerInch", "120");
  Put("NormPos", "10,20,300,400");
  auto form = NewForm();
  int left = form->Left(), width = form->Width();
  form->SetVisible(true);
  EXPECT_EQ(form->Left(), left);
  EXPECT_EQ(form->Width(), width);
}

TEST_F(PlacementTest, NormPosWithFewerThanFourNumbersKeepsTheCurrentValues) {
  Put("NormPos", "10, 20");
  auto form = NewForm();
  int right = form->Left() + form->Width(), bottom = form->Top() + form->Height();
  form->SetVisible(true);
  EXPECT_EQ(form->Left(), 10);
  EXPECT_EQ(form->Top(), 20);
  EXPECT_EQ(form->Left() + form->Width(), right);
  EXPECT_EQ(form->Top() + form->Height(), bottom);
}

TEST_F(PlacementTest, EmptyOrReversedRectangleIsNotApplied) {
  Put("NormPos", "400,20,300,400");
  auto form = NewForm();
  int left = form->Left();
  form->SetVisible(true);
  EXPECT_EQ(form->Left(), left);
}

// Hand-edited extremes must not overflow the width or height (a difference of two).
TEST_F(PlacementTest, ExtremeCoordinatesAreKeptWithinReach) {
  Put("NormPos", "-2147483648,-2147483648,2147483647,2147483647");
  auto form = NewForm();
  form->SetVisible(true);
  EXPECT_GT(form->Width(), 0);
  EXPECT_LE(form->Width(), 2 << 20);
}

// A run that ended minimised must not hide the window again when the icon shows it.
TEST_F(PlacementTest, AMinimisedEndComesBackRestored) {
  Put("ShowCmd", "2");
  Put("NormPos", "10,20,310,420");
  auto form = NewForm();
  form->SetVisible(true);
  Application->ProcessMessages();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_FALSE(Application->IsMinimized());
  EXPECT_EQ(form->Left(), 10);
}

TEST_F(PlacementTest, ResolutionSpecificKeyWinsOverThePlainOne) {
  Put("NormPos", "10,20,310,420");
  Put("NormPos" + suffix, "30,40,330,440");
  Put("NormPos(1x1)", "50,60,350,460");
  auto form = NewForm();
  form->SetVisible(true);
  EXPECT_EQ(form->Left(), 30);
  EXPECT_EQ(form->Top(), 40);
}

TEST_F(PlacementTest, MaximisedCloseAndReopen) {
  Run([](TPlacedForm& f) {
    f.SetBounds(100, 120, 500, 400);
    f.SetWindowState(wsMaximized);
  });
  EXPECT_EQ(Key("ShowCmd"), "3");
  EXPECT_EQ(Key("NormPos"), "100,120,600,520");
  auto form = NewForm();
  form->SetVisible(true);
  EXPECT_EQ(form->WindowState(), wsMaximized);
  WINDOWPLACEMENT wp{};
  wp.length = sizeof(wp);
  GetWindowPlacement(form->Handle(), &wp);
  EXPECT_EQ(wp.rcNormalPosition.left, 100);
  EXPECT_EQ(wp.rcNormalPosition.right, 600);
  form->SetWindowState(wsNormal);
  EXPECT_EQ(form->Left(), 100);
  EXPECT_EQ(form->Width(), 500);
}

TEST_F(PlacementTest, InactiveStoreNeitherReadsNorWrites) {
  Put("NormPos", "10,20,310,420");
  auto form = NewForm();
  form->FormStorage1->Active = false;
  int left = form->Left();
  form->SetVisible(true);
  EXPECT_EQ(form->Left(), left);
  EXPECT_TRUE(form->CloseQuery());
  EXPECT_EQ(Key("FormVersion"), "<none>");
}

TEST_F(PlacementTest, StoredValuesAreSavedAndRestored) {
  {
    auto form = NewForm();
    TStoredValue v;
    v.Name = "LastHost";
    v.Value = "a = b; c";
    form->FormStorage1->StoredValues.push_back(v);
    form->SetVisible(true);
    EXPECT_TRUE(form->CloseQuery());
  }
  auto form = NewForm();
  TStoredValue v;
  v.Name = "LastHost";
  form->FormStorage1->StoredValues.push_back(v);
  form->SetVisible(true);
  EXPECT_EQ(form->FormStorage1->StoredValues[0].Value, "a = b; c");
}

}  // namespace
