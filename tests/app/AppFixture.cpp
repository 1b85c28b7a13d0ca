// The main-window test fixture.
#include "tests/app/AppFixture.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

void AppTest::SetUp() {
  setenv("LC_ALL", "C", 1);
  dir_ =
      fs::temp_directory_path() / ("tavix-app-" + std::to_string(getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
  posix::setModuleFileName(dir_ + "/tavix");
  gui_ = AllocateHWnd([this](TMessage& m) {
    if (m.Msg != WM_USER + 1) {
      m.Result = DefWindowProcA(gui_, m.Msg, m.WParam, m.LParam);
      return;
    }
    std::function<void()> f;
    {
      std::lock_guard<std::mutex> l(guiMu_);
      f = std::move(guiCalls_.front());
      guiCalls_.pop_front();
    }
    f();
  });
  clock_ = new posix::ManualClock(kStartMs);
  posix::setClock(clock_);
  posix::setDialogResponder([this](posix::DialogRequest& r) {
    if (!answers_.empty()) {
      auto a = std::move(answers_.front());
      answers_.pop_front();
      a(r);
    } else {
      r.result = r.kind == posix::DialogRequest::SaveFile ? FALSE : IDCANCEL;
    }
    r.done = true;
    dialogs_.push_back(r);
  });
}

void AppTest::TearDown() {
  if (Form1) StopApp();
  DeallocateHWnd(gui_);
  posix::setDialogResponder(nullptr);
  posix::setResolver(nullptr);
  posix::setClock(nullptr);
  delete clock_;
  posix::setModuleFileName("");
  fs::remove_all(dir_);
}

void AppTest::StartApp() {
  Application->Initialize();
  Application->CreateForm(Form1);
}

void AppTest::StopApp() {
  Form1->Free();
  Form1 = nullptr;
}

void AppTest::AnswerBox(int id) {
  Answer([id](posix::DialogRequest& r) { r.result = id; });
}

void AppTest::AnswerSave(const std::string& path) {
  Answer([path](posix::DialogRequest& r) {
    r.result = TRUE;
    r.chosenPath = path;
  });
}

std::vector<std::string> AppTest::LogLines() const {
  std::vector<std::string> out;
  TStrings* lines = Form1->Memo1->Lines();
  for (int i = 0; i < lines->Count(); ++i) out.push_back(lines->Get(i));
  return out;
}

void AppTest::WriteIni(const std::string& text) const {
  std::ofstream(IniPath(), std::ios::binary) << text;
}

std::string AppTest::ReadFile(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool AppTest::PumpUntil(const std::function<bool()>& pred) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  return true;
}

void AppTest::OnGui(std::function<void()> f) {
  {
    std::lock_guard<std::mutex> l(guiMu_);
    guiCalls_.push_back(std::move(f));
  }
  PostMessageA(gui_, WM_USER + 1, 0, 0);
}
