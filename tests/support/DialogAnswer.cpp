// The platform-independent part of answering message boxes in tests.
#include "tests/support/DialogAnswer.h"

namespace testsupport {

int DialogAnswers::next(UINT buttons) {
  if (!answers_.empty()) {
    int id = answers_.front();
    answers_.pop_front();
    return id;
  }
  return buttons == UINT(MB_OK) ? IDOK : IDCANCEL;
}

}  // namespace testsupport
