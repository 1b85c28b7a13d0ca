// The display used when there is no screen (tests, headless runs): it keeps no
// state of its own and answers dialogs through the responder a test installs.
#include <memory>

#include "platform/posix/Display.h"
#include "platform/posix/Seams.h"

namespace posix {
namespace {

DialogResponder& responder() {
  static DialogResponder r;
  return r;
}

class NullDisplay : public Display {
 public:
  int screenWidth() const override { return width_; }
  int screenHeight() const override { return height_; }
  void beginDialog(DialogRequest& req) override {
    if (responder()) {
      responder()(req);
      return;
    }
    if (req.kind == DialogRequest::SaveFile) {
      req.result = FALSE;
    } else {
      UINT buttons = req.type & 0xF;
      req.result = buttons == MB_OKCANCEL ? IDCANCEL : buttons == MB_YESNO ? IDNO : IDOK;
    }
    req.done = true;
  }
  int width_ = 1024, height_ = 768;
};

std::unique_ptr<Display>& current() {
  static std::unique_ptr<Display> d = std::make_unique<NullDisplay>();
  return d;
}

NullDisplay* nullDisplay() { return dynamic_cast<NullDisplay*>(current().get()); }

}  // namespace

void setDisplay(std::unique_ptr<Display> d) {
  current() = d ? std::move(d) : std::make_unique<NullDisplay>();
}

Display& display() { return *current(); }

void setDialogResponder(DialogResponder r) { responder() = std::move(r); }

void setNullScreenSize(int width, int height) {
  if (NullDisplay* n = nullDisplay()) {
    n->width_ = width;
    n->height_ = height;
  }
}

}  // namespace posix
