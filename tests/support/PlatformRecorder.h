// Test helpers for the platform layer: a window class that records every message
// its windows receive (for message-order tables), a temporary settings directory
// and a queue drain.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace testsupport {

struct Recorded {
  HWND hwnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
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
  void clear() { log.clear(); }

  std::vector<Recorded> log;
  std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)> handler;

  static const char* className();

 private:
  static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
  std::vector<HWND> created_;
};

// Dispatches everything queued now (posted messages, due timers); returns the count.
int drainMessages();

// Points XDG_CONFIG_HOME at a fresh temporary directory for the object's life.
class TempConfigDir {
 public:
  TempConfigDir();
  ~TempConfigDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_, saved_;
  bool hadSaved_ = false;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace testsupport
