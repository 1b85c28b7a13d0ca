// The main-window fixture on Linux: the portable one, plus the manual clock and a
// recording responder for every dialog (message boxes and the save dialog).
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/fMain.h"
#include "platform/posix/Seams.h"
#include "tests/app/AppCore.h"
#include "tests/support/TestClockPosix.h"

class AppTest : public AppCore {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Answers the next dialogs in order; without an answer a dialog is cancelled.
  void Answer(std::function<void(posix::DialogRequest&)> a) { answers_.push_back(std::move(a)); }
  void AnswerBox(int id);
  void AnswerSave(const std::string& path);

  std::string Stamp() const { return DateTimeToStr(Now()); }

  posix::ManualClock* clock_ = nullptr;
  std::deque<std::function<void(posix::DialogRequest&)>> answers_;
  std::vector<posix::DialogRequest> dialogs_;  // what was shown, in order
};
