// Test helpers for the platform layer on either platform: a window class that records
// every message its windows receive and whether it came from the queue (for
// message-order tables), and a queue drain.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "platform/winapi.h"

namespace testsupport {

struct Recorded {
  HWND hwnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
  bool posted;  // dispatched from the queue by drainMessages, not sent
};

class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();  // destroys the windows it created that still exist

  // A window of the recording class; its procedure logs, then asks `handler`,
  // then DefWindowProcA.
  HWND create(const char* text, DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr,
              int id = 0, int x = 10, int y = 10, int w = 200, int h = 100);

  // Messages of one window (all windows when nullptr), minus the ignored ones.
  std::vector<UINT> messages(HWND hwnd = nullptr, const std::set<UINT>& ignore = {}) const;
  std::vector<Recorded> records(HWND hwnd = nullptr, const std::set<UINT>& ignore = {}) const;
  void clear() { log.clear(); }

  std::vector<Recorded> log;
  std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)> handler;

  static const char* className();

 private:
  static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
  std::vector<HWND> created_;
};

// One row of a message-order table: a message and its marks. kOptional: Windows (or the
// Linux platform) may leave it out. kSent / kPosted: it must arrive by SendMessage
// (straight to the procedure) or from the queue; unmarked rows may arrive either way.
constexpr unsigned kOptional = 1, kSent = 2, kPosted = 4;
struct Step {
  UINT msg;
  unsigned marks = 0;
};

// Messages Windows sends around creating, showing, moving and focusing a window that
// the Linux platform has no part in (the non-client area, painting, position changes,
// activation of the application, input methods): tables leave them out on both.
extern const std::set<UINT> kWindowsOnly;

// Whether `got` is `table` with some optional rows left out, in order, each message
// arriving the way its row says; a mismatch is reported with both sequences
// (s: sent, p: posted, ?: optional).
::testing::AssertionResult InOrder(const std::vector<Recorded>& got,
                                   const std::vector<Step>& table);
::testing::AssertionResult InOrder(const std::vector<UINT>& got, const std::vector<Step>& table);

// Dispatches everything queued now (posted messages, due timers); returns the count.
int drainMessages();

}  // namespace testsupport
