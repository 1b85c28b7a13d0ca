// TTimerPool: the library-wide timer pool. One 50 ms window timer on the GUI thread
// runs while any entry is registered; an entry with an interval of N x 50 ms has its
// callback run on every Nth tick after it was enabled.
//
// A callback that raises goes to the application's exception handler, and the pool's
// in-tick guard then stays set: no entry gets a tick any more. Callbacks may add and
// remove entries (their own included). GUI thread only.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "framework/UtilWindow.h"

class TTimerPool {
 public:
  static constexpr unsigned Resolution = 50;  // milliseconds per pool tick

  static TTimerPool& Pool();

  // Returns the new entry's identifier (nonzero), or 0 when the interval is not a
  // positive multiple of 50 or the pool's window timer cannot be started.
  unsigned AddTimer(unsigned Interval, std::function<void()> Callback);
  void DeleteTimer(unsigned Id);
  void SetEnabled(unsigned Id, bool Enabled);
  // An interval that is not a positive multiple of 50 is ignored (the old one stays).
  void SetInterval(unsigned Id, unsigned Interval);

  bool Exists(unsigned Id) const { return FEntries.count(Id) != 0; }
  bool Enabled(unsigned Id) const;
  unsigned Interval(unsigned Id) const;
  size_t Count() const { return FEntries.size(); }
  bool Running() const { return FWindow != nullptr; }

  TTimerPool() = default;
  ~TTimerPool();
  TTimerPool(const TTimerPool&) = delete;
  TTimerPool& operator=(const TTimerPool&) = delete;

 private:
  struct Entry {
    unsigned interval = 0;
    bool enabled = true;
    unsigned ticks = 0;
    std::function<void()> callback;
  };
  void Tick();
  void Stop();
  LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  std::map<unsigned, Entry> FEntries;
  unsigned FNextId = 1;
  bool FInTick = false;
  std::unique_ptr<TUtilWindow> FWindow;  // exists exactly while the window timer runs
};
