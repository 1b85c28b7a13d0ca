// Message boxes in tests on Linux: the null display's dialog responder answers them.
#include "platform/posix/Seams.h"
#include "tests/support/DialogAnswer.h"

namespace testsupport {

DialogAnswers::DialogAnswers() {
  posix::setDialogResponder([this](posix::DialogRequest& r) {
    if (r.kind == posix::DialogRequest::MessageBox) {
      UINT buttons = r.type & 0x0F;
      r.result = next(buttons);
      record({r.caption, r.text, buttons, r.result});
    } else {
      r.result = FALSE;  // save dialogs are cancelled
    }
    r.done = true;
  });
}

DialogAnswers::~DialogAnswers() { posix::setDialogResponder(nullptr); }

}  // namespace testsupport
