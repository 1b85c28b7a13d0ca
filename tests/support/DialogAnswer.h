// Answers the program's message boxes during a test, on every platform, and records
// what each box showed.
//
// Answers are used in order, one per box; a box without a queued answer is
// cancelled (IDCANCEL, or IDOK where the box has no Cancel button). Install one
// DialogAnswers on the GUI thread for the test's length.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace testsupport {

struct BoxSeen {
  std::string caption, text;
  UINT buttons = 0;  // the MB_ button set (MB_OK, MB_YESNO, ...), without icon bits
  int result = 0;
};

class DialogAnswers {
 public:
  DialogAnswers();
  ~DialogAnswers();
  DialogAnswers(const DialogAnswers&) = delete;
  DialogAnswers& operator=(const DialogAnswers&) = delete;

  void answer(int id) { answers_.push_back(id); }
  const std::vector<BoxSeen>& seen() const { return seen_; }

  // Used by the platform part: the result for the next box with these buttons.
  int next(UINT buttons);
  void record(BoxSeen box) { seen_.push_back(std::move(box)); }

 private:
  std::deque<int> answers_;
  std::vector<BoxSeen> seen_;
};

}  // namespace testsupport
