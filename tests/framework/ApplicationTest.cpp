// The application object: run loop, close path, destruction order, key
// handling, minimising and the application window's visibility record.
// Linux only: drives the platform through its test seams.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "platform/posix/Input.h"
#include "platform/posix/Seams.h"

namespace {

std::vector<std::string> gLog;

class TWitness : public TComponent {
 public:
  explicit TWitness(TComponent* owner)
      : TComponent(owner), form(dynamic_cast<TCustomForm*>(owner)) {}
  ~TWitness() override {
    gLog.push_back(std::string("free witness, window ") +
                   (form->HandleAllocated() && IsWindow(form->Handle()) ? "alive" : "gone"));
  }
  TCustomForm* form;
};

class TMainForm : public TForm {
 public:
  explicit TMainForm(TComponent* owner) : TForm(owner) {
    ReadState([this] {
      edit = TComponent::Create<TEdit>(this);
      edit->SetParent(this);
      TComponent::Create<TWitness>(this);
      OnCloseQuery = [this](TObject*, bool& canClose) {
        gLog.push_back("closequery");
        canClose = allowClose;
      };
      OnDestroy = [this](TObject*) {
        gLog.push_back(std::string("destroy, edit ") +
                       (edit->HandleAllocated() ? "alive" : "gone"));
      };
    });
  }
  TEdit* edit = nullptr;
  bool allowClose = true;
};

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
    Application->Initialize();
    posix::setDialogResponder([this](posix::DialogRequest& req) {
      boxes_.push_back(req.caption + ": " + req.text);
      req.result = IDOK;
      req.done = true;
    });
  }
  void TearDown() override {
    while (!Application->Forms().empty()) Application->Forms().back()->Free();
    Application->OnException = nullptr;
    posix::setDialogResponder(nullptr);
  }
  bool AppWindowVisible() { return IsWindowVisible(Application->Handle()) != 0; }
  std::vector<std::string> boxes_;
};

TEST_F(ApplicationTest, FirstFormIsTheMainFormAndCloseEndsTheRun) {
  TMainForm* main = nullptr;
  TMainForm* second = nullptr;
  Application->CreateForm(main);
  Application->CreateForm(second);
  EXPECT_EQ(Application->MainForm(), main);
  second->HandleNeeded();
  PostMessageA(main->Handle(), WM_CLOSE, 0, 0);
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(Application->MainForm(), nullptr);
  EXPECT_TRUE(Application->Forms().empty());
  // The second form goes first (created last); each: OnDestroy with the window
  // and controls still there, then its components, then the window.
  EXPECT_EQ(gLog, (std::vector<std::string>{"closequery", "destroy, edit alive",
                                            "free witness, window alive", "destroy, edit alive",
                                            "free witness, window alive"}));
}

TEST_F(ApplicationTest, RefusedCloseKeepsRunningAndOtherFormsHide) {
  TMainForm* main = nullptr;
  TMainForm* other = nullptr;
  Application->CreateForm(main);
  Application->CreateForm(other);
  main->allowClose = false;
  main->Show();
  SendMessageA(main->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(Application->Terminated());
  EXPECT_TRUE(IsWindow(main->Handle()));
  other->Show();
  SendMessageA(other->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(other->Visible());
  EXPECT_TRUE(IsWindow(other->Handle()));
  EXPECT_FALSE(Application->Terminated());
}

TEST_F(ApplicationTest, ErrorInCloseQueryShowsTheBoxAndStopsTheClose) {
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  main->OnCloseQuery = [](TObject*, bool&) { throw Exception("Cannot create file x.txt"); };
  main->Close();
  EXPECT_FALSE(Application->Terminated());
  EXPECT_EQ(boxes_, (std::vector<std::string>{"tavix: Cannot create file x.txt"}));
}

// A close request while the close query's dialog pumps, or once the end is under
// way, asks nothing again.
TEST_F(ApplicationTest, CloseRequestsDuringAnEndDoNothing) {
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  int queries = 0;
  main->OnCloseQuery = [&](TObject*, bool&) {
    ++queries;
    SendMessageA(main->Handle(), WM_CLOSE, 0, 0);  // as a second Ctrl+Q in the dialog
  };
  main->Close();
  EXPECT_TRUE(Application->Terminated());
  SendMessageA(main->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(queries, 1);
}

TEST_F(ApplicationTest, ErrorInOnCreateGoesToTheStandardBox) {
  struct TBadForm : TForm {
    explicit TBadForm(TComponent* o) : TForm(o) {
      ReadState([this] { OnCreate = [](TObject*) { throw EConvertError("bad"); }; });
    }
  };
  TBadForm* f = nullptr;
  Application->CreateForm(f);
  EXPECT_NE(f, nullptr);
  EXPECT_EQ(boxes_, (std::vector<std::string>{"tavix: bad"}));
}

TEST_F(ApplicationTest, AltF4AsksTheFormToClose) {
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  main->Show();
  main->edit->SetFocus();
  posix::postInput(main->edit->Handle(), WM_SYSKEYDOWN, VK_F4, 0);
  Application->ProcessMessages();
  EXPECT_EQ(gLog, (std::vector<std::string>{"closequery"}));
  EXPECT_TRUE(Application->Terminated());
}

// The system ends the process once WM_ENDSESSION returns: OnDestroy has run by then
// (once, the form still whole), and the questions asked meanwhile are answered No.
TEST_F(ApplicationTest, EndSessionAsksOnceAndRunsOnDestroyBeforeItReturns) {
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  main->OnCloseQuery = [](TObject*, bool&) {
    gLog.push_back("closequery");
    gLog.push_back(Application->MessageBox("Save?", "t", MB_YESNO) == IDNO ? "no" : "asked");
  };
  // Every top-level window is asked and told, the application's own window first.
  for (HWND w : {Application->Handle(), main->Handle()})
    EXPECT_EQ(SendMessageA(w, WM_QUERYENDSESSION, 0, 0), TRUE);
  for (HWND w : {Application->Handle(), main->Handle()}) SendMessageA(w, WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(gLog, (std::vector<std::string>{"closequery", "no", "destroy, edit alive"}));
  EXPECT_TRUE(boxes_.empty());
  main->Free();  // no second OnDestroy
  ASSERT_EQ(gLog.size(), 4u);
  EXPECT_EQ(gLog[3].rfind("free witness", 0), 0u);
}

TEST_F(ApplicationTest, ShowRunsOnShowBeforeTheWindowAppearsAndHideRunsOnHide) {
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  main->OnShow = [main](TObject*) {
    gLog.push_back(std::string("show, window ") +
                   (IsWindowVisible(main->Handle()) ? "visible" : "hidden"));
  };
  main->OnHide = [main](TObject*) {
    gLog.push_back(std::string("hide, window ") +
                   (IsWindowVisible(main->Handle()) ? "visible" : "hidden"));
  };
  main->SetVisible(true);
  main->SetVisible(true);  // no change: nothing runs
  main->SetVisible(false);
  main->Show();
  EXPECT_EQ(gLog, (std::vector<std::string>{"show, window hidden", "hide, window hidden",
                                            "show, window hidden"}));
  EXPECT_TRUE(IsWindowVisible(main->Handle()));
}

TEST_F(ApplicationTest, ShowMainFormFlagDecidesWhetherRunShowsIt) {
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  Application->ShowMainForm = false;
  HWND h = main->Handle();
  bool visibleInLoop = true;
  main->edit->OnChange = [&](TObject*) {
    visibleInLoop = IsWindowVisible(h);
    Application->Terminate();
  };
  PostMessageA(main->edit->Handle(), WM_CHAR, 'x', 0);
  Application->Run();
  EXPECT_FALSE(visibleInLoop);
}

TEST_F(ApplicationTest, AppWindowFollowsFormsWhileItsRecordHolds) {
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  EXPECT_FALSE(AppWindowVisible());
  main->Show();
  EXPECT_TRUE(AppWindowVisible());
  main->Hide();
  EXPECT_FALSE(AppWindowVisible());
  main->Show();
  EXPECT_TRUE(AppWindowVisible());
  // Someone else (the tray icon) hides the application window: from now on the
  // framework leaves it alone.
  ShowWindow(Application->Handle(), SW_HIDE);
  main->Hide();
  main->Show();
  EXPECT_FALSE(AppWindowVisible());
  EXPECT_TRUE(Application->AppVisibleRecord());
}

TEST_F(ApplicationTest, MinimisingTheMainFormMinimisesTheApplication) {
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  main->Show();
  SendMessageA(main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(Application->IsMinimized());
  EXPECT_TRUE(IsIconic(main->Handle()));
  // Hidden and shown again (the tray's way back): it comes back restored.
  main->Hide();
  main->Show();
  EXPECT_FALSE(IsIconic(main->Handle()));
  EXPECT_FALSE(Application->IsMinimized());
  EXPECT_EQ(main->WindowState(), wsNormal);
}

TEST_F(ApplicationTest, WindowStateOfAHiddenFormIsRecordedAndAppliedOnShow) {
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  main->SetWindowState(wsMaximized);
  EXPECT_FALSE(IsZoomed(main->Handle()));
  main->Show();
  EXPECT_TRUE(IsZoomed(main->Handle()));
  main->SetWindowState(wsNormal);
  EXPECT_FALSE(IsZoomed(main->Handle()));
  EXPECT_EQ(main->WindowState(), wsNormal);
}

TEST_F(ApplicationTest, ExceptionsInHandlersNeverLeaveTheDispatch) {
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  main->edit->OnChange = [](TObject*) { throw Exception("boom"); };
  PostMessageA(main->edit->Handle(), WM_CHAR, 'x', 0);
  Application->ProcessMessages();
  EXPECT_EQ(boxes_, (std::vector<std::string>{"tavix: boom"}));
}

TEST_F(ApplicationTest, NewStyleShellFollowsTheVersion) {
  EXPECT_EQ(Application->NewStyleShell(), LOBYTE(GetVersion()) > 3);
}

}  // namespace

#endif  // _WIN32
