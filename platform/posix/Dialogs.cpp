// Modal dialogs: MessageBoxA and GetSaveFileNameA hand a request to the display
// and pump messages until it is answered, so the program keeps running behind.
// A WM_QUIT arriving meanwhile cancels the dialog and is posted again for the
// caller's own loop.
//
// A message box asked for on another thread has, as on Windows, no loop under it on
// the GUI thread: the GUI thread's loop shows it among the others and the asking
// thread waits for the answer. Nothing the GUI thread is doing waits behind it.
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/posix/Display.h"
#include "platform/posix/EventLoop.h"
#include "platform/posix/Internal.h"

namespace posix {
namespace {

struct ForeignBox {
  DialogRequest req;
  bool begun = false, finished = false;
};

// Never destroyed: a thread may still wait on them while the process exits.
std::mutex& foreignMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::condition_variable& foreignAnswered() {
  static auto* c = new std::condition_variable;
  return *c;
}
std::vector<ForeignBox*>& foreignBoxes() {
  static auto* v = new std::vector<ForeignBox*>;
  return *v;
}

int runOnGuiThread(DialogRequest req) {
  ForeignBox box{std::move(req)};
  std::unique_lock<std::mutex> lock(foreignMutex());
  foreignBoxes().push_back(&box);
  lock.unlock();
  wake();
  lock.lock();
  foreignAnswered().wait(lock, [&] { return box.finished; });
  return box.req.result;
}

int cancelResult(const DialogRequest& req) {
  if (req.kind == DialogRequest::SaveFile) return FALSE;
  UINT buttons = req.type & 0xF;
  return buttons == MB_OKCANCEL ? IDCANCEL : buttons == MB_YESNO ? IDNO : IDOK;
}

// Runs the request to its end; returns the answer.
int runDialog(DialogRequest& req) {
  HWND focus = GetFocus();
  struct RestoreFocus {
    HWND h;
    ~RestoreFocus() {
      // As on Windows, the control that had the focus gets it back afterwards.
      if (h && IsWindow(h) && GetFocus() != h) SetFocus(h);
    }
  } restore{focus};
  display().beginDialog(req);
  while (!req.done) {
    MSG m;
    if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      waitSources(-1);
      continue;
    }
    if (m.message == WM_QUIT) {
      req.result = cancelResult(req);
      req.done = true;
      display().endDialog(req);
      PostQuitMessage(static_cast<int>(m.wParam));
      return req.result;
    }
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  display().endDialog(req);
  return req.result;
}

std::vector<std::pair<std::string, std::string>> parseFilter(LPCSTR f) {
  std::vector<std::pair<std::string, std::string>> out;
  if (!f) return out;
  while (*f) {
    std::string desc = f;
    f += desc.size() + 1;
    std::string pattern = f;
    f += pattern.size() + (*f ? 1 : 0);
    out.emplace_back(desc, pattern);
    if (pattern.empty()) break;  // odd list: a description without a pattern
  }
  return out;
}

bool hasExtension(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
         dot + 1 < path.size();
}

}  // namespace

void serviceForeignDialogs() {
  std::lock_guard<std::mutex> lock(foreignMutex());
  auto& boxes = foreignBoxes();
  bool answered = false;
  for (auto it = boxes.begin(); it != boxes.end();) {
    ForeignBox* box = *it;
    if (!box->begun) {
      box->begun = true;
      display().beginDialog(box->req);
    }
    if (!box->req.done) {
      ++it;
      continue;
    }
    display().endDialog(box->req);
    box->finished = answered = true;
    it = boxes.erase(it);
  }
  if (answered) foreignAnswered().notify_all();
}

}  // namespace posix

namespace winapi {
using namespace posix;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  DialogRequest req;
  req.kind = DialogRequest::MessageBox;
  req.owner = owner;
  req.text = text ? text : "";
  req.caption = caption ? caption : "Error";
  req.type = type;
  if (!onLoopThread()) return runOnGuiThread(std::move(req));
  return runDialog(req);
}

BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn) {
  if (!ofn || ofn->lStructSize < sizeof(OPENFILENAMEA) || !ofn->lpstrFile || ofn->nMaxFile == 0)
    return FALSE;
  DialogRequest req;
  req.kind = DialogRequest::SaveFile;
  req.owner = ofn->hwndOwner;
  req.title = ofn->lpstrTitle ? ofn->lpstrTitle : "Save As";
  req.defaultName.assign(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
  req.defaultExt = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
  req.initialDir = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : "";
  req.filters = parseFilter(ofn->lpstrFilter);
  req.filterIndex = ofn->nFilterIndex ? ofn->nFilterIndex : 1;
  req.flags = ofn->Flags;
  if (!runDialog(req) || req.chosenPath.empty()) return FALSE;

  std::string path = req.chosenPath;
  if (!req.defaultExt.empty() && !hasExtension(path)) {
    if (path.back() != '.') path += '.';
    path += req.defaultExt;
  }
  if (path.size() + 1 > ofn->nMaxFile) return FALSE;
  std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
  size_t slash = path.find_last_of('/');
  size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.find_last_of('.');
  ofn->nFileOffset = static_cast<WORD>(nameAt);
  ofn->nFileExtension =
      static_cast<WORD>(dot != std::string::npos && dot >= nameAt ? dot + 1 : path.size());
  ofn->nFilterIndex = req.filterIndex;
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
    std::string title = path.substr(nameAt);
    size_t n = std::min<size_t>(title.size(), ofn->nMaxFileTitle - 1);
    std::memcpy(ofn->lpstrFileTitle, title.data(), n);
    ofn->lpstrFileTitle[n] = 0;
  }
  return TRUE;
}

}  // namespace winapi
