// Message boxes, and what every box shares: the frame, the buttons, the answer.
#include "platform/display/terminal/Dialogs.h"

#include <algorithm>
#include <cctype>

namespace term {
namespace {

std::vector<std::string> wrap(const std::string& text, int width) {
  std::vector<std::string> out;
  std::string line;
  auto flush = [&] {
    while (static_cast<int>(line.size()) > width) {
      size_t cut = line.rfind(' ', width);
      if (cut == std::string::npos || cut == 0) cut = width;
      out.push_back(line.substr(0, cut));
      line.erase(0, cut + (line[cut] == ' ' ? 1 : 0));
    }
    out.push_back(line);
    line.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    if (text[i] == '\n')
      flush();
    else
      line += text[i];
  }
  flush();
  return out;
}

}  // namespace

Dialog::Dialog(posix::DialogRequest& req) : req_(req) {
  if (req.kind == posix::DialogRequest::SaveFile) {
    name_ = req.defaultName;
    caret_ = static_cast<int>(name_.size());
    if (!req.filters.empty())
      filter_ = std::clamp(static_cast<int>(req.filterIndex) - 1, 0,
                           static_cast<int>(req.filters.size()) - 1);
    buttons_ = {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    return;
  }
  switch (req.type & 0x0F) {
    case MB_OKCANCEL:
      buttons_ = {{"OK", IDOK}, {"Cancel", IDCANCEL}};
      break;
    case 3:
      buttons_ = {{"Yes", IDYES}, {"No", IDNO}, {"Cancel", IDCANCEL}};
      break;
    case MB_YESNO:
      buttons_ = {{"Yes", IDYES}, {"No", IDNO}};
      break;
    default:
      buttons_ = {{"OK", IDOK}};
      break;
  }
  int def = (req.type >> 8) & 0x0F;  // MB_DEFBUTTON2 = 0x100, ...
  selected_ = std::min(def, static_cast<int>(buttons_.size()) - 1);
}

void Dialog::finish(int result) {
  req_.result = result;
  req_.done = true;
}

void Dialog::giveUp() {
  if (inner_) inner_->giveUp();
  if (req_.kind == posix::DialogRequest::SaveFile) return finish(FALSE);
  for (int want : {IDCANCEL, IDNO, IDOK})
    for (const Button& b : buttons_)
      if (b.result == want) return finish(want);
}

void Dialog::key(const InputEvent& ev) {
  if (req_.kind == posix::DialogRequest::SaveFile)
    saveKey(ev);
  else
    boxKey(ev);
}

void Dialog::boxKey(const InputEvent& ev) {
  int n = static_cast<int>(buttons_.size());
  switch (ev.key) {
    case Key::Enter:
      return finish(buttons_[selected_].result);
    case Key::Tab:
      selected_ = (selected_ + (ev.shift ? n - 1 : 1)) % n;
      return;
    case Key::Left:
    case Key::Up:
      selected_ = (selected_ + n - 1) % n;
      return;
    case Key::Right:
    case Key::Down:
      selected_ = (selected_ + 1) % n;
      return;
    case Key::Escape:
      // As on Windows: Escape answers Cancel, or OK in a box that has only OK.
      for (const Button& b : buttons_)
        if (b.result == IDCANCEL) return finish(IDCANCEL);
      if (n == 1) finish(buttons_[0].result);
      return;
    case Key::Char:
      if (ev.ch == ' ') return finish(buttons_[selected_].result);
      for (const Button& b : buttons_)
        if (!ev.ctrl && std::tolower(static_cast<unsigned char>(b.label[0])) ==
                            std::tolower(static_cast<unsigned char>(ev.ch)))
          return finish(b.result);
      return;
    default:
      return;
  }
}

void Dialog::click(const Hit& hit, int col) {
  if (inner_) {
    inner_->click(hit, col);
    return innerAnswered();
  }
  if (hit.dialog != this) return;
  if (hit.kind == Hit::DialogButton) {
    if (req_.kind == posix::DialogRequest::SaveFile) {
      if (buttons_[hit.index].result == IDOK)
        confirmSave();
      else
        finish(FALSE);
    } else {
      finish(buttons_[hit.index].result);
    }
  } else if (hit.kind == Hit::DialogField) {
    focus_ = 0;
    caret_ = std::clamp(col - hit.r.left, 0, static_cast<int>(name_.size()));
  } else if (hit.kind == Hit::DialogFilter && !req_.filters.empty()) {
    focus_ = 1;
    filter_ = (filter_ + 1) % static_cast<int>(req_.filters.size());
  }
}

void Dialog::draw(Canvas& c, HitMap& hits, const Rect& desk) {
  if (req_.kind == posix::DialogRequest::SaveFile)
    drawSave(c, hits, desk);
  else
    drawBox(c, hits, desk);
  if (inner_) inner_->draw(c, hits, desk);
}

void Dialog::drawButtons(Canvas& c, HitMap& hits, int row, const Rect& box, int focusIndex) {
  int total = 0;
  for (const Button& b : buttons_) total += static_cast<int>(b.label.size()) + 5;
  int col = box.left + std::max(1, (box.width() - total) / 2);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    // The focus shows in the face, as on the window's buttons: "[>Yes<]".
    const bool focused = static_cast<int>(i) == focusIndex;
    const std::string& label = buttons_[i].label;
    std::string face = focused ? "[>" + label + "<]" : "[ " + label + " ]";
    c.put(row, col, face, focused ? (Reverse | Bold) : Reverse);
    Hit hit;
    hit.kind = Hit::DialogButton;
    hit.index = static_cast<int>(i);
    hit.dialog = this;
    hit.r = Rect{col, row, col + static_cast<int>(face.size()), row + 1};
    hits.add(hit);
    col += static_cast<int>(face.size()) + 1;
  }
}

// The centred, framed box with its title bar that both kinds of dialog draw first.
Rect Dialog::drawFrame(Canvas& c, HitMap& hits, const Rect& desk, int width, int height,
                       const std::string& title) {
  Rect box{desk.left + std::max(0, (desk.width() - width) / 2),
           desk.top + std::max(0, (desk.height() - height) / 2), 0, 0};
  box.right = box.left + width;
  box.bottom = box.top + height;
  Hit body;
  body.kind = Hit::DialogBody;
  body.r = box;
  body.dialog = this;
  hits.add(body);
  c.fill(box, ' ');
  c.frame(box, Bold);
  c.fill(Rect{box.left + 1, box.top, box.right - 1, box.top + 1}, ' ', Reverse | Bold);
  c.put(box.top, box.left + 2, title, Reverse | Bold);
  return box;
}

void Dialog::drawBox(Canvas& c, HitMap& hits, const Rect& desk) {
  int maxText = std::max(10, desk.width() - 6);
  std::vector<std::string> lines = wrap(req_.text, maxText);
  int width = static_cast<int>(req_.caption.size()) + 8;
  for (const std::string& l : lines) width = std::max(width, static_cast<int>(l.size()) + 4);
  width = std::clamp(width, 24, std::max(24, desk.width()));
  int height = static_cast<int>(lines.size()) + 5;
  Rect box = drawFrame(c, hits, desk, width, height, req_.caption);
  for (size_t i = 0; i < lines.size(); ++i)
    c.put(box.top + 2 + static_cast<int>(i), box.left + 2, lines[i]);
  drawButtons(c, hits, box.bottom - 2, box, selected_);
}

}  // namespace term
