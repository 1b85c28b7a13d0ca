// The modal boxes of the terminal display: message boxes and the save dialog.
//
// A box answers its DialogRequest (result, chosen path) and sets done; the platform
// pumps messages meanwhile, so the program keeps working behind it. Only the box on
// top of the stack takes input. The save dialog checks the name as the common file
// dialog does: the default extension is added to a name without one, the folder must
// exist, and an existing file is replaced only after a Yes (when the caller asked).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/display/terminal/Canvas.h"
#include "platform/display/terminal/HitMap.h"
#include "platform/display/terminal/InputParser.h"
#include "platform/posix/Display.h"

namespace term {

class Dialog {
 public:
  explicit Dialog(posix::DialogRequest& req);
  void draw(Canvas& c, HitMap& hits, const Rect& desk);
  void key(const InputEvent& ev);
  void click(const Hit& hit, int col);
  bool done() const { return req_.done; }
  posix::DialogRequest& request() { return req_; }
  // Answers as the null display does (cancel / no / ok): the terminal is gone.
  void giveUp();

 private:
  struct Button {
    std::string label;
    int result;
  };
  void finish(int result);
  void boxKey(const InputEvent& ev);
  void saveKey(const InputEvent& ev);
  void editKey(const InputEvent& ev);
  void confirmSave();
  void innerAnswered();  // the question over the save dialog may have been answered
  void ask(const std::string& text, UINT type);
  Rect drawFrame(Canvas& c, HitMap& hits, const Rect& desk, int width, int height,
                 const std::string& title);
  void drawBox(Canvas& c, HitMap& hits, const Rect& desk);
  void drawSave(Canvas& c, HitMap& hits, const Rect& desk);
  void drawButtons(Canvas& c, HitMap& hits, int row, const Rect& box, int focusIndex);

  posix::DialogRequest& req_;
  std::vector<Button> buttons_;
  int selected_ = 0;
  // save dialog
  std::string name_;
  int caret_ = 0;
  int filter_ = 0;
  int focus_ = 0;  // 0 name, 1 type, 2 OK, 3 Cancel
  std::string pendingPath_;
  std::unique_ptr<posix::DialogRequest> innerReq_;  // a question over the save dialog
  std::unique_ptr<Dialog> inner_;
};

// Resolves a typed file name as the save dialog does: relative to dir, with the
// default extension added when the name has none.
std::string resolveSaveName(const std::string& typed, const std::string& dir,
                            const std::string& defaultExt);

}  // namespace term
