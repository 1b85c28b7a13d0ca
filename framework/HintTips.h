// Hover hints where the system draws the controls: one tooltip control for a form, a
// tool for each control window, the text asked for when the tip is about to show,
// through WM_GETHINT (the answer the terminal display reads for its hint line). The
// tooltip waits the system's hover delay itself; the form relays its controls' mouse
// messages to it. Where the platform has no tooltip control (Linux), nothing is made
// and every call does nothing. GUI thread only.
#pragma once

#include <string>

#include "platform/winapi.h"

class THintTips {
 public:
  explicit THintTips(HWND owner);  // the form's window: it receives the text requests
  ~THintTips();
  THintTips(const THintTips&) = delete;
  THintTips& operator=(const THintTips&) = delete;

  void Add(HWND control);
  void Remove(HWND control);
  void Relay(HWND control, UINT msg, WPARAM wp, LPARAM lp);
  // The owner's WM_NOTIFY: true when it was the tooltip asking for a tool's text.
  bool Notify(LPARAM lp);

 private:
  HWND FOwner;
  HWND FTip = nullptr;
  std::string FText;  // the text the tooltip shows, alive until the next request
};
