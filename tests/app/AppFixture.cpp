// The main-window test fixture on Linux.
#include "tests/app/AppFixture.h"

void AppTest::SetUp() {
  AppCore::SetUp();
  clock_ = testsupport::FixedTestClock();
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
  posix::setDialogResponder(nullptr);
  posix::setResolver(nullptr);
  AppCore::TearDown();
  clock_ = nullptr;
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
