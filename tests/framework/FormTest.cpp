// Reading a form description, the loaded step, and driving the controls through
// the platform's windows.
// Linux only: drives the platform through its test seams.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Spin.h"
#include "framework/StdCtrls.h"
#include "platform/posix/Input.h"
#include "platform/posix/Seams.h"

namespace {

std::vector<std::string>* gLog = nullptr;
void Log(const std::string& s) {
  if (gLog) gLog->push_back(s);
}

// Records its loaded step and whether it was created in the loading state.
class TLoadProbe : public TComponent {
 public:
  explicit TLoadProbe(TComponent* owner) : TComponent(owner) {
    createdLoading = ComponentState().Contains(csLoading);
    inner = TComponent::Create<TComponent>(this);  // a sub-component of its own
  }
  void Loaded() override {
    TComponent::Loaded();
    Log("loaded " + Name + (ComponentState().Contains(csLoading) ? " (still loading)" : ""));
  }
  bool createdLoading = false;
  TComponent* inner = nullptr;
};

class TTestForm : public TForm {
 public:
  TPanel* Panel1 = nullptr;
  TLoadProbe* First = nullptr;
  TLabel* Label1 = nullptr;
  TEdit* edURL = nullptr;
  TSpinEdit* edFreq = nullptr;
  TButton* btnPoll = nullptr;
  TButton* btnStart = nullptr;
  TCheckBox* cbxHeader = nullptr;
  TMemo* Memo1 = nullptr;
  TTimer* Timer1 = nullptr;
  TSaveDialog* SaveDialog = nullptr;
  TPopupMenu* Popup = nullptr;
  TLoadProbe* Last = nullptr;
  int urlChanges = 0, freqChanges = 0, pollClicks = 0, headerClicks = 0, urlExits = 0;

  explicit TTestForm(TComponent* owner) : TForm(owner) {
    ReadState([this] { Build(); });
  }

 private:
  template <class T>
  T* Make(const std::string& name, TWinControl* parent = nullptr) {
    T* c = TComponent::Create<T>(this);
    c->Name = name;
    if constexpr (std::is_base_of_v<TControl, T>) c->SetParent(parent ? parent : this);
    return c;
  }

  void Build() {
    SetCaption("Orvane Pollarion");
    SetBounds(860, 304, 487, 463);
    SetPosition(poDefaultPosOnly);
    OnCreate = [](TObject*) { Log("create"); };
    Panel1 = Make<TPanel>("Panel1");
    Panel1->SetAlign(alTop);
    Panel1->SetBounds(Panel1->Left(), Panel1->Top(), Panel1->Width(), 124);
    Panel1->TabOrder = 0;
    First = Make<TLoadProbe>("First");
    Label1 = Make<TLabel>("Label1", Panel1);
    Label1->SetCaption("Server HTTP Address");
    edURL = Make<TEdit>("edURL", Panel1);
    edURL->SetBounds(143, 19, 309, 21);
    edURL->TabOrder = 0;
    edURL->OnChange = [this](TObject*) { ++urlChanges; };
    edURL->OnExit = [this](TObject*) { ++urlExits; };
    edFreq = Make<TSpinEdit>("edFreq", Panel1);
    edFreq->SetBounds(114, 54, 55, 22);
    edFreq->MinValue = 1;
    edFreq->MaxValue = 10000;
    edFreq->SetValue(15);
    edFreq->TabOrder = 1;
    edFreq->OnChange = [this](TObject*) { ++freqChanges; };
    // Created before btnPoll but later in the tab order.
    btnStart = Make<TButton>("btnStart", Panel1);
    btnStart->SetCaption("Start");
    btnStart->TabOrder = 3;
    btnPoll = Make<TButton>("btnPoll", Panel1);
    btnPoll->SetCaption("Poll Now");
    btnPoll->TabOrder = 2;
    btnPoll->OnClick = [this](TObject*) { ++pollClicks; };
    cbxHeader = Make<TCheckBox>("cbxHeader", Panel1);
    cbxHeader->TabOrder = 4;
    cbxHeader->OnClick = [this](TObject*) { ++headerClicks; };
    Memo1 = Make<TMemo>("Memo1");
    Memo1->SetAlign(alClient);
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(ssVertical);
    Memo1->TabOrder = 1;
    Timer1 = Make<TTimer>("Timer1");
    Timer1->SetEnabled(false);
    SaveDialog = Make<TSaveDialog>("SaveDialog");
    Popup = Make<TPopupMenu>("Popup");
    Last = Make<TLoadProbe>("Last");
  }
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog = &log_;
    Application->Initialize();
    form_ = TComponent::Create<TTestForm>(Application);
  }
  void TearDown() override {
    form_->Free();
    posix::setKeyState(VK_SHIFT, false);
    gLog = nullptr;
  }
  TWinControl* Focused() { return TWinControl::FindControl(GetFocus()); }
  void PressTab() {
    posix::postInput(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    posix::postInput(GetFocus(), WM_KEYUP, VK_TAB, 0);
    Application->ProcessMessages();
  }
  std::vector<std::string> log_;
  TTestForm* form_ = nullptr;
};

TEST_F(FormTest, LoadedRunsInCreationOrderThenOnCreate) {
  EXPECT_EQ(log_, (std::vector<std::string>{"loaded First", "loaded Last", "create"}));
  EXPECT_TRUE(form_->First->createdLoading);
  EXPECT_FALSE(form_->First->inner->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form_->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form_->edURL->ComponentState().Contains(csLoading));
  EXPECT_EQ(form_->FindComponent("edurl"), form_->edURL);
}

TEST_F(FormTest, WindowsAreCreatedWithTheParentAndAlignedChildrenFill) {
  EXPECT_FALSE(form_->edURL->HandleAllocated());
  HWND h = form_->Handle();
  ASSERT_TRUE(form_->edURL->HandleAllocated());
  EXPECT_EQ(GetParent(form_->edURL->Handle()), form_->Panel1->Handle());
  EXPECT_EQ(GetWindow(h, GW_OWNER), Application->Handle());
  char cls[32];
  GetClassNameA(form_->edURL->Handle(), cls, sizeof cls);
  EXPECT_STREQ(cls, "EDIT");
  EXPECT_EQ(form_->Width(), 487);  // default position, stored size
  RECT rc;
  GetClientRect(h, &rc);
  EXPECT_EQ(form_->Panel1->Width(), rc.right);
  EXPECT_EQ(form_->Memo1->Top(), 124);
  EXPECT_EQ(form_->Memo1->Height(), rc.bottom - 124);
  MoveWindow(h, 10, 10, 600, 500, TRUE);
  GetClientRect(h, &rc);
  EXPECT_EQ(form_->Memo1->Width(), rc.right);
  EXPECT_EQ(form_->Width(), 600);
  EXPECT_EQ(form_->Left(), 10);
}

TEST_F(FormTest, TypingInTheEditRunsOnChange) {
  form_->Show();
  form_->edURL->SetText("");
  int before = form_->urlChanges;
  SendMessageA(form_->edURL->Handle(), WM_CHAR, 'a', 0);
  SendMessageA(form_->edURL->Handle(), WM_CHAR, 'b', 0);
  EXPECT_EQ(form_->edURL->Text(), "ab");
  EXPECT_EQ(form_->urlChanges, before + 2);
  form_->edURL->SetText("ab");  // same text: no change
  EXPECT_EQ(form_->urlChanges, before + 2);
}

TEST_F(FormTest, ButtonsClickByMessageAndSpace) {
  form_->Show();
  SendMessageA(form_->btnPoll->Handle(), BM_CLICK, 0, 0);
  SendMessageA(form_->btnPoll->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(form_->pollClicks, 2);
  form_->btnPoll->Click();
  EXPECT_EQ(form_->pollClicks, 3);
}

TEST_F(FormTest, CheckBoxStateAndClick) {
  form_->Show();
  EXPECT_FALSE(form_->cbxHeader->Checked());
  SendMessageA(form_->cbxHeader->Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(form_->cbxHeader->Checked());
  EXPECT_EQ(form_->headerClicks, 1);
  form_->cbxHeader->SetChecked(false);
  EXPECT_EQ(SendMessageA(form_->cbxHeader->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(form_->headerClicks, 2);
}

TEST_F(FormTest, SpinValueReadsTheTextAndClampsAssignments) {
  TSpinEdit* s = form_->edFreq;
  EXPECT_EQ(s->Value(), 15);
  s->SetText("abc");
  EXPECT_EQ(s->Value(), 1);  // not a number: the minimum
  s->SetText("0x10");
  EXPECT_EQ(s->Value(), 1);  // decimal only
  s->SetValue(20000);
  EXPECT_EQ(s->Text(), "10000");
  s->SetValue(0);
  EXPECT_EQ(s->Text(), "1");
}

TEST_F(FormTest, SpinArrowsStepAndRunOnChange) {
  form_->Show();
  TSpinEdit* s = form_->edFreq;
  ASSERT_NE(s->UpDownHandle(), nullptr);
  int before = form_->freqChanges;
  SendMessageA(s->UpDownHandle(), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(s->Value(), 16);
  SendMessageA(s->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  SendMessageA(s->Handle(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(s->Value(), 14);
  EXPECT_EQ(form_->freqChanges, before + 3);
  s->SetValue(10000);
  SendMessageA(s->UpDownHandle(), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(s->Value(), 10000);
}

TEST_F(FormTest, SpinClampsTypedTextOnFocusLoss) {
  form_->Show();
  TSpinEdit* s = form_->edFreq;
  s->SetFocus();
  s->SetText("20000");  // typing is not limited
  EXPECT_EQ(s->Value(), 20000);
  int before = form_->freqChanges;
  form_->edURL->SetFocus();
  EXPECT_EQ(s->Text(), "10000");
  EXPECT_EQ(form_->freqChanges, before + 1);
  s->SetFocus();
  s->SetText("junk");
  form_->edURL->SetFocus();
  EXPECT_EQ(s->Text(), "junk");  // not a number: left as typed, reads as the minimum
}

TEST_F(FormTest, EditExitRunsOnFocusLoss) {
  form_->Show();
  form_->edURL->SetFocus();
  form_->btnPoll->SetFocus();
  EXPECT_EQ(form_->urlExits, 1);
}

TEST_F(FormTest, MemoLinesFollowTheControlText) {
  TStrings* lines = form_->Memo1->Lines();
  lines->Add("one");
  lines->Add("two\r\nthree");
  EXPECT_EQ(lines->Count(), 3);
  EXPECT_EQ(form_->Memo1->Text(), "one\r\ntwo\r\nthree\r\n");
  form_->Show();  // the window takes the text over
  EXPECT_EQ(lines->Count(), 3);
  lines->Add("four");
  EXPECT_EQ((*lines)[3], "four");
  HWND m = form_->Memo1->Handle();
  int len = GetWindowTextLengthA(m);
  DWORD selEnd = 0;
  SendMessageA(m, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&selEnd));
  EXPECT_EQ(int(selEnd), len);  // scrolled to the end
  lines->Delete(0);
  EXPECT_EQ((*lines)[0], "two");
  lines->Clear();
  EXPECT_EQ(lines->Count(), 0);
  EXPECT_EQ(form_->Memo1->Text(), "");
}

TEST_F(FormTest, TabAndShiftTabFollowTheTabOrderThroughThePanel) {
  form_->Show();
  form_->edURL->SetFocus();
  std::vector<TWinControl*> seen;
  for (int i = 0; i < 6; ++i) {
    seen.push_back(Focused());
    PressTab();
  }
  EXPECT_EQ(seen, (std::vector<TWinControl*>{form_->edURL, form_->edFreq, form_->btnPoll,
                                             form_->btnStart, form_->cbxHeader, form_->Memo1}));
  EXPECT_EQ(Focused(), form_->edURL);  // wrapped
  posix::setKeyState(VK_SHIFT, true);
  PressTab();
  EXPECT_EQ(Focused(), form_->Memo1);
  PressTab();
  EXPECT_EQ(Focused(), form_->cbxHeader);
}

TEST_F(FormTest, TabSkipsDisabledAndHiddenControls) {
  form_->Show();
  form_->edFreq->SetEnabled(false);
  form_->btnPoll->SetVisible(false);
  form_->edURL->SetFocus();
  PressTab();
  EXPECT_EQ(Focused(), form_->btnStart);
}

TEST_F(FormTest, SaveDialogPassesItsSettingsAndTakesTheChosenName) {
  form_->SaveDialog->Filter = "Text files|*.txt|All files|*.*";
  EXPECT_EQ(TSaveDialog::FilterList(form_->SaveDialog->Filter),
            std::string("Text files\0*.txt\0All files\0*.*\0\0", 32));
  form_->SaveDialog->Options = {ofOverwritePrompt, ofHideReadOnly, ofPathMustExist, ofEnableSizing};
  DWORD f = form_->SaveDialog->Flags();
  EXPECT_TRUE(f & OFN_OVERWRITEPROMPT);
  EXPECT_TRUE(f & OFN_PATHMUSTEXIST);
  EXPECT_FALSE(f & OFN_FILEMUSTEXIST);
  form_->SaveDialog->DefaultExt = "txt";
  form_->SaveDialog->Title = "Save Pollarion Log";
  form_->SaveDialog->FileName = "tavix-2026-12-06-21-04-35";
  posix::DialogRequest seen;
  posix::setDialogResponder([&](posix::DialogRequest& req) {
    seen = req;
    req.result = TRUE;
    req.chosenPath = "/tmp/chosen.txt";
    req.done = true;
  });
  EXPECT_TRUE(form_->SaveDialog->Execute());
  EXPECT_EQ(form_->SaveDialog->FileName, "/tmp/chosen.txt");
  EXPECT_EQ(seen.kind, posix::DialogRequest::SaveFile);
  EXPECT_EQ(seen.defaultName, "tavix-2026-12-06-21-04-35");
  EXPECT_EQ(seen.defaultExt, "txt");
  EXPECT_EQ(seen.title, "Save Pollarion Log");
  ASSERT_EQ(seen.filters.size(), 2u);
  EXPECT_EQ(seen.filters[1].second, "*.*");
  posix::setDialogResponder([](posix::DialogRequest& req) {
    req.result = FALSE;
    req.done = true;
  });
  EXPECT_FALSE(form_->SaveDialog->Execute());
  EXPECT_EQ(form_->SaveDialog->FileName, "/tmp/chosen.txt");
  posix::setDialogResponder(nullptr);
}

TEST_F(FormTest, FreeingTheFormDestroysItsWindows) {
  HWND h = form_->Handle();
  HWND edit = form_->edURL->Handle();
  form_->Free();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_EQ(TWinControl::FindControl(edit), nullptr);
  form_ = TComponent::Create<TTestForm>(Application);  // for TearDown
}

}  // namespace

#endif  // _WIN32
