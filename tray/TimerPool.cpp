// The shared 50 ms timer behind the tray icon's global-timer animation.
#include "tray/TimerPool.h"

#include <exception>
#include <vector>

#include "framework/Forms.h"

namespace {
const UINT_PTR kTimerId = 1;
bool ValidInterval(unsigned interval) {
  return interval > 0 && interval % TTimerPool::Resolution == 0;
}
}  // namespace

TTimerPool& TTimerPool::Pool() {
  static TTimerPool pool;
  return pool;
}

TTimerPool::~TTimerPool() { Stop(); }

unsigned TTimerPool::AddTimer(unsigned Interval, std::function<void()> Callback) {
  if (!ValidInterval(Interval)) return 0;
  if (!FWindow) {
    try {
      FWindow = std::make_unique<TUtilWindow>(
          [this](HWND h, UINT m, WPARAM wp, LPARAM lp) { return WndProc(h, m, wp, lp); });
    } catch (const std::exception&) {
      return 0;
    }
    if (!SetTimer(FWindow->Handle(), kTimerId, Resolution, nullptr)) {
      FWindow.reset();
      return 0;
    }
  }
  unsigned id = FNextId++;
  if (FNextId == 0) FNextId = 1;
  FEntries[id] = Entry{Interval, true, 0, std::move(Callback)};
  return id;
}

void TTimerPool::DeleteTimer(unsigned Id) {
  FEntries.erase(Id);
  if (FEntries.empty()) Stop();
}

void TTimerPool::Stop() {
  if (!FWindow) return;
  KillTimer(FWindow->Handle(), kTimerId);
  FWindow.reset();
}

void TTimerPool::SetEnabled(unsigned Id, bool Enabled) {
  auto it = FEntries.find(Id);
  if (it == FEntries.end()) return;
  if (Enabled && !it->second.enabled) it->second.ticks = 0;
  it->second.enabled = Enabled;
}

void TTimerPool::SetInterval(unsigned Id, unsigned Interval) {
  auto it = FEntries.find(Id);
  if (it != FEntries.end() && ValidInterval(Interval)) it->second.interval = Interval;
}

bool TTimerPool::Enabled(unsigned Id) const {
  auto it = FEntries.find(Id);
  return it != FEntries.end() && it->second.enabled;
}

unsigned TTimerPool::Interval(unsigned Id) const {
  auto it = FEntries.find(Id);
  return it == FEntries.end() ? 0 : it->second.interval;
}

LRESULT TTimerPool::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kTimerId) {
    Tick();
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void TTimerPool::Tick() {
  if (FInTick) return;
  FInTick = true;
  std::vector<unsigned> ids;
  for (auto& [id, entry] : FEntries) ids.push_back(id);
  for (unsigned id : ids) {
    auto it = FEntries.find(id);  // an earlier callback may have removed it
    if (it == FEntries.end() || !it->second.enabled) continue;
    Entry& e = it->second;
    if (++e.ticks < e.interval / Resolution) continue;
    e.ticks = 0;
    std::function<void()> callback = e.callback;  // survives removal of the entry
    try {
      if (callback) callback();
    } catch (std::exception& ex) {
      Application->HandleException(ex);  // the guard stays set from here on
      return;
    }
  }
  FInTick = false;
}
