// The save dialog of the terminal display: the name field, the file type, and the
// checks the common dialog makes before it accepts a name.
#include <algorithm>
#include <filesystem>

#include "platform/display/terminal/Dialogs.h"
#include "platform/posix/Utf8.h"

namespace term {
namespace {

bool isDirectory(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string startFolder(const std::string& initialDir) {
  if (!initialDir.empty()) return initialDir;
  std::error_code ec;
  std::string cwd = std::filesystem::current_path(ec).string();
  return ec ? std::string(".") : cwd;
}

}  // namespace

std::string resolveSaveName(const std::string& typed, const std::string& dir,
                            const std::string& defaultExt) {
  std::string path = typed;
  if (path.empty() || path[0] != '/') path = (dir.empty() ? std::string(".") : dir) + "/" + path;
  size_t slash = path.rfind('/');
  std::string file = path.substr(slash + 1);
  if (!defaultExt.empty() && !file.empty() && file.find('.') == std::string::npos)
    path += "." + defaultExt;
  return path;
}

void Dialog::ask(const std::string& text, UINT type) {
  innerReq_ = std::make_unique<posix::DialogRequest>();
  innerReq_->kind = posix::DialogRequest::MessageBox;
  innerReq_->caption = req_.title.empty() ? "Save As" : req_.title;
  innerReq_->text = text;
  innerReq_->type = type;
  inner_ = std::make_unique<Dialog>(*innerReq_);
}

void Dialog::innerAnswered() {
  if (!inner_ || !inner_->done()) return;
  int answer = innerReq_->result;
  inner_.reset();
  innerReq_.reset();
  if (!pendingPath_.empty() && answer == IDYES) {
    req_.chosenPath = pendingPath_;
    req_.filterIndex = static_cast<DWORD>(filter_ + 1);
    finish(TRUE);
  }
  pendingPath_.clear();
}

void Dialog::confirmSave() {
  // Surrounding blanks are never part of a name the user meant.
  size_t b = name_.find_first_not_of(' '), e = name_.find_last_not_of(' ');
  if (b == std::string::npos) return;
  std::string path =
      resolveSaveName(name_.substr(b, e - b + 1), startFolder(req_.initialDir), req_.defaultExt);
  std::string folder = path.substr(0, std::max<size_t>(path.rfind('/'), 1));
  if (!isDirectory(folder)) {
    ask(folder + "\nThe folder does not exist.\nCheck the folder name and try again.", MB_OK);
    return;
  }
  if (isDirectory(path)) {
    ask(path + "\nThis is a folder. Type a file name.", MB_OK);
    return;
  }
  if ((req_.flags & OFN_OVERWRITEPROMPT) && exists(path)) {
    pendingPath_ = path;
    ask(path + " already exists.\nDo you want to replace it?", MB_YESNO | MB_ICONWARNING);
    return;
  }
  req_.chosenPath = path;
  req_.filterIndex = static_cast<DWORD>(filter_ + 1);
  finish(TRUE);
}

void Dialog::saveKey(const InputEvent& ev) {
  if (inner_) {
    inner_->key(ev);
    return innerAnswered();
  }
  int filters = static_cast<int>(req_.filters.size());
  if (ev.key == Key::Escape) return finish(FALSE);
  if (ev.key == Key::Tab) {
    focus_ = (focus_ + (ev.shift ? 3 : 1)) % 4;
    return;
  }
  if (ev.key == Key::Enter || (ev.key == Key::Char && ev.ch == ' ' && focus_ >= 2)) {
    if (focus_ == 3) return finish(FALSE);
    return confirmSave();
  }
  if (focus_ == 0) return editKey(ev);
  if (focus_ == 1 && filters > 0) {
    if (ev.key == Key::Down || ev.key == Key::Right) filter_ = (filter_ + 1) % filters;
    if (ev.key == Key::Up || ev.key == Key::Left) filter_ = (filter_ + filters - 1) % filters;
  } else if (focus_ >= 2 && (ev.key == Key::Left || ev.key == Key::Right)) {
    focus_ = focus_ == 2 ? 3 : 2;
  }
}

void Dialog::editKey(const InputEvent& ev) {
  size_t n = name_.size(), caret = std::min(static_cast<size_t>(std::max(0, caret_)), n);
  switch (ev.key) {
    case Key::Left:
      caret = posix::utf8Prev(name_, caret);
      break;
    case Key::Right:
      caret = posix::utf8Next(name_, caret);
      break;
    case Key::Home:
      caret = 0;
      break;
    case Key::End:
      caret = n;
      break;
    case Key::Backspace:
      if (caret > 0) {
        size_t from = posix::utf8Prev(name_, caret);
        name_.erase(from, caret - from);
        caret = from;
      }
      break;
    case Key::Delete:
      if (caret < n) name_.erase(caret, posix::utf8Next(name_, caret) - caret);
      break;
    case Key::Char:
      if (ev.ctrl && ev.ch == 'u') {  // as in a shell: clear the field
        name_.clear();
        caret = 0;
      } else if (!ev.ctrl && !ev.alt && name_.size() + ev.text.size() <= MAX_PATH) {
        name_.insert(caret, ev.text);
        caret += ev.text.size();
      }
      break;
    default:
      break;
  }
  caret_ = static_cast<int>(caret);
}

void Dialog::drawSave(Canvas& c, HitMap& hits, const Rect& desk) {
  int width = std::clamp(desk.width() - 4, 30, 72);
  int height = 9;
  Rect box = drawFrame(c, hits, desk, width, height, req_.title.empty() ? "Save As" : req_.title);

  const int labelCol = box.left + 2, fieldCol = box.left + 17;
  const int fieldWidth = box.right - 2 - fieldCol;
  int row = box.top + 2;
  c.put(row, labelCol, "File name:");
  // Scrolled by characters so that the caret stays in the field.
  size_t caret = std::min(static_cast<size_t>(std::max(0, caret_)), name_.size()), first = 0;
  while (static_cast<int>(
             posix::utf8Length(std::string_view(name_).substr(first, caret - first))) >= fieldWidth)
    first = posix::utf8Next(name_, first);
  uint8_t fieldAttr = focus_ == 0 ? Reverse : Underline;
  Rect field{fieldCol, row, fieldCol + fieldWidth, row + 1};
  c.fill(field, ' ', fieldAttr);
  c.setClip(field);
  c.put(row, fieldCol, std::string_view(name_).substr(first), fieldAttr);
  c.resetClip();
  int caretCol =
      fieldCol +
      static_cast<int>(posix::utf8Length(std::string_view(name_).substr(first, caret - first)));
  if (focus_ == 0 && !inner_) c.setCaret(row, caretCol);
  hits.add(Hit{Hit::DialogField, field, nullptr, 0, Rect{}, this});

  row += 1;
  c.put(row, labelCol, "Save as type:");
  std::string type = req_.filters.empty() ? std::string("All files") : req_.filters[filter_].first;
  std::string face = "< " + type + " >";
  c.put(row, fieldCol, face.substr(0, static_cast<size_t>(fieldWidth)),
        focus_ == 1 ? Reverse : Normal);
  hits.add(
      Hit{Hit::DialogFilter, Rect{fieldCol, row, field.right, row + 1}, nullptr, 0, Rect{}, this});

  row += 1;
  c.put(row, labelCol, "Folder:");
  std::string folder = startFolder(req_.initialDir);
  if (static_cast<int>(folder.size()) > fieldWidth)
    folder = "..." + folder.substr(folder.size() - static_cast<size_t>(fieldWidth - 3));
  c.put(row, fieldCol, folder, Dim);

  drawButtons(c, hits, box.bottom - 2, box, focus_ >= 2 ? focus_ - 2 : -1);
}

}  // namespace term
