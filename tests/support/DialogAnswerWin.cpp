// Message boxes in tests on Windows: a hook on the test's thread sees each box when
// it is activated, reads its caption, text and buttons, and posts the answer as a
// button press, which the box's own modal loop then handles.
#include <set>

#include "tests/support/DialogAnswer.h"

namespace testsupport {

namespace {

thread_local DialogAnswers* tAnswers = nullptr;
thread_local HHOOK tHook = nullptr;
thread_local std::set<HWND> tHandled;

std::string TextOf(HWND w) {
  char buf[4096] = {};
  int n = GetWindowTextA(w, buf, sizeof buf);
  return std::string(buf, n > 0 ? size_t(n) : 0);
}

bool IsDialog(HWND w) {
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  return std::string(cls) == "#32770";
}

// The message is the longest static text in the box.
BOOL CALLBACK CollectStatic(HWND child, LPARAM out) {
  char cls[64] = {};
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0) {
    std::string t = TextOf(child);
    auto* best = reinterpret_cast<std::string*>(out);
    if (t.size() > best->size()) *best = t;
  }
  return TRUE;
}

UINT ButtonsOf(HWND box) {
  bool ok = GetDlgItem(box, IDOK) != nullptr, cancel = GetDlgItem(box, IDCANCEL) != nullptr;
  bool yes = GetDlgItem(box, IDYES) != nullptr, no = GetDlgItem(box, IDNO) != nullptr;
  if (yes && no) return cancel ? MB_YESNOCANCEL : MB_YESNO;
  if (ok && cancel) return MB_OKCANCEL;
  return MB_OK;
}

void Answer(HWND box) {
  BoxSeen seen;
  seen.caption = TextOf(box);
  EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&seen.text));
  seen.buttons = ButtonsOf(box);
  seen.result = tAnswers->next(seen.buttons);
  HWND button = GetDlgItem(box, seen.result);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(seen.result, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  tAnswers->record(std::move(seen));
}

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  HWND w = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && tAnswers && IsDialog(w) && tHandled.insert(w).second) Answer(w);
  if (code == HCBT_DESTROYWND) tHandled.erase(w);
  return CallNextHookEx(tHook, code, wParam, lParam);
}

}  // namespace

DialogAnswers::DialogAnswers() {
  tAnswers = this;
  tHook = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
}

DialogAnswers::~DialogAnswers() {
  if (tHook) UnhookWindowsHookEx(tHook);
  tHook = nullptr;
  tAnswers = nullptr;
  tHandled.clear();
}

}  // namespace testsupport
