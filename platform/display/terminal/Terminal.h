// The terminal display's object: owns the screen, the picture, the layout, the input
// decoder and the open dialogs. Input read from the terminal is delivered in
// beforeWait(), before the loop starts waiting (so posting it needs no wake-up);
// paint() only draws, when something was marked dirty.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/display/terminal/Canvas.h"
#include "platform/display/terminal/Dialogs.h"
#include "platform/display/terminal/HitMap.h"
#include "platform/display/terminal/InputParser.h"
#include "platform/display/terminal/Layout.h"
#include "platform/display/terminal/Router.h"
#include "platform/display/terminal/Screen.h"
#include "platform/posix/Display.h"
#include "platform/posix/EventLoop.h"

namespace term {

class TerminalDisplay : public posix::Display {
 public:
  TerminalDisplay();
  ~TerminalDisplay() override;
  bool ok() const { return screen_.isOpen(); }

  void windowChanged(HWND) override { dirty_ = true; }
  void iconsChanged() override { dirty_ = true; }
  int screenWidth() const override { return cols_ * kCellW; }
  int screenHeight() const override { return rows_ * kCellH; }
  int workAreaHeight() const override { return (rows_ > 2 ? rows_ - 2 : rows_) * kCellH; }
  void beginDialog(posix::DialogRequest& req) override;
  void endDialog(posix::DialogRequest& req) override;
  bool beforeWait() override;
  void paint() override;
  // Why the terminal cannot be used full screen, when ok() is false and it is one.
  const std::string& unusable() const { return unusable_; }

 private:
  void onInput();
  void waitForRestOfSequence();
  void escapeWaitOver();
  void onSignal();
  void dispatch(const InputEvent& ev);
  bool dispatchPending();
  void showKeyHelp();
  void closeKeyHelp();
  bool windowShown() const;
  void resize();
  void terminalLost();
  void endSession(int sig);

  Screen screen_;
  Canvas canvas_;
  HitMap hits_;
  Layout layout_;
  bool tooSmall_ = false;
  std::string unusable_;
  std::unique_ptr<posix::DialogRequest> help_;  // the F1 box, while it shows
  InputParser parser_;
  Router router_;
  std::vector<std::unique_ptr<Dialog>> dialogs_;  // the last one is on top
  std::deque<InputEvent> pending_;                // decoded, not yet delivered
  posix::Source input_, signals_;
  HWND sessionWindow_ = nullptr;
  int rows_ = 24, cols_ = 80;
  bool dirty_ = true;
  bool lost_ = false;
  // Balloons: the newest one seen (it rings once) and whether it still shows; any key
  // or click takes it away.
  std::map<HWND, unsigned> balloonSeen_;  // per icon window
  bool balloonShown_ = false;
  void noticeBalloons();
  // SIGTERM: the session ends with nobody to answer; boxes are answered for them.
  bool unattended_ = false;
};

}  // namespace term
