// The worker thread of THiTimer and its hand-over of ticks to the GUI thread.
//
// The worker shares one state block with the GUI side. The GUI side clears the
// owner under the lock when it stops the worker, so the worker never reaches a
// destroyed timer: a direct tick holds FState->tick, which Terminate waits for; a
// synchronised tick runs on the GUI thread itself, where the owner is re-checked.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "tray/HiTimer.h"

namespace {
const UINT kSyncMessage = WM_USER + 1;
}

struct TSyncCall {
  bool done = false;
  bool failed = false;
};

struct TWorkerState {
  std::mutex m;
  std::condition_variable cv;
  bool terminated = false;
  THiTimer* owner = nullptr;
  uint16_t interval = 1000;
  HWND syncWindow = nullptr;
  std::deque<std::shared_ptr<TSyncCall>> pending;
  std::mutex tick;

  // GUI thread: run every tick the worker handed over.
  void RunPending();
  // Worker thread: hand one tick over and wait for it; false ends the worker.
  bool TickSynchronized();
  bool TickDirect();
  void Body();
};

void TWorkerState::RunPending() {
  for (;;) {
    std::shared_ptr<TSyncCall> call;
    THiTimer* timer = nullptr;
    {
      std::lock_guard<std::mutex> l(m);
      if (pending.empty()) return;
      call = pending.front();
      pending.pop_front();
      if (!terminated) timer = owner;
    }
    bool failed = false;
    try {
      if (timer) timer->DoTimer();
    } catch (...) {
      failed = true;  // carried back to the worker, which ends
    }
    std::lock_guard<std::mutex> l(m);
    call->done = true;
    call->failed = failed;
    cv.notify_all();
  }
}

bool TWorkerState::TickSynchronized() {
  auto call = std::make_shared<TSyncCall>();
  std::unique_lock<std::mutex> l(m);
  pending.push_back(call);
  PostMessageA(syncWindow, kSyncMessage, 0, 0);
  cv.wait(l, [&] { return call->done || terminated; });
  return call->done && !call->failed && !terminated;
}

bool TWorkerState::TickDirect() {
  std::lock_guard<std::mutex> t(tick);
  THiTimer* timer;
  {
    std::lock_guard<std::mutex> l(m);
    if (terminated || !owner) return false;
    timer = owner;
  }
  try {
    timer->DoTimer();
  } catch (...) {
    return false;
  }
  return true;
}

void TWorkerState::Body() {
  for (;;) {
    bool sync;
    {
      std::unique_lock<std::mutex> l(m);
      if (terminated || !owner) return;
      cv.wait_for(l, std::chrono::milliseconds(interval), [&] { return terminated; });
      if (terminated || !owner) return;
      if (!owner->Enabled()) continue;
      sync = owner->Synchronize;
    }
    if (!(sync ? TickSynchronized() : TickDirect())) return;
  }
}

TThreadedTimer::TThreadedTimer(THiTimer* Owner) : FState(std::make_shared<TWorkerState>()) {
  FState->owner = Owner;
  auto state = FState;
  FSyncWindow = std::make_unique<TUtilWindow>([state](HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != kSyncMessage) return DefWindowProcA(h, msg, wp, lp);
    state->RunPending();
    return LRESULT(0);
  });
  FState->syncWindow = FSyncWindow->Handle();
}

TThreadedTimer::~TThreadedTimer() { Terminate(); }

void TThreadedTimer::Resume() {
  if (FStarted) return;
  FStarted = true;
  FState->interval = Interval;
  auto state = FState;  // the thread keeps the state alive after we are gone
  std::thread([state] { state->Body(); }).detach();
}

void TThreadedTimer::Terminate() {
  std::lock_guard<std::mutex> t(FState->tick);  // lets a direct tick finish first
  std::lock_guard<std::mutex> l(FState->m);
  FState->terminated = true;
  FState->owner = nullptr;
  FState->cv.notify_all();
}
