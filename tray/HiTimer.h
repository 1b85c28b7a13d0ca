// THiTimer: a high-resolution timer component that ticks either on the platform's
// multimedia timer or on a worker thread (TThreadedTimer).
//
// Multimedia mode (UseThread false): the multimedia timer's thread only posts WM_TIMER
// to a hidden window; the tick (OnTimer) runs on the GUI thread. A tick that raises
// goes to the application's exception handler and, because the in-tick guard stays
// set, no later tick is delivered until the next change of a setting.
// Worker mode (UseThread true): the worker sleeps Interval, then ticks; with
// Synchronize the tick runs on the GUI thread while the worker waits. Ticks do not
// catch up. A worker that is told to stop leaves at its next check and frees itself;
// it never touches its timer again, so destroying the timer is safe at any moment.
// Every change of Enabled, Interval, OnTimer, UseThread (and ThreadPriority while
// UseThread) stops the running mechanism and starts the one the settings ask for.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "framework/TimerCore.h"
#include "framework/UtilWindow.h"
#include "tray/BaseComponent.h"

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class THiTimer;
struct TWorkerState;

// The worker thread of THiTimer; created suspended, runs until told to terminate.
class TThreadedTimer {
 public:
  explicit TThreadedTimer(THiTimer* Owner);
  ~TThreadedTimer();
  TThreadedTimer(const TThreadedTimer&) = delete;
  TThreadedTimer& operator=(const TThreadedTimer&) = delete;

  uint16_t Interval = 1000;  // sleep between ticks, milliseconds
  TThreadPriority Priority = tpNormal;

  void Resume();     // starts the thread (once)
  void Terminate();  // GUI thread; the worker forgets its timer at once
 private:
  std::shared_ptr<TWorkerState> FState;
  std::unique_ptr<TUtilWindow> FSyncWindow;  // where synchronised ticks run
  bool FStarted = false;
};

class THiTimer : public TBaseComponent {
 public:
  explicit THiTimer(TComponent* AOwner);
  ~THiTimer() override;

  bool Enabled() const { return FCore.Enabled(); }
  void SetEnabled(bool Value);
  DWORD Interval() const { return FCore.Interval(); }
  void SetInterval(DWORD Value);  // kept within the supported periods
  const TNotifyEvent& OnTimer() const { return FCore.OnTimer(); }
  void SetOnTimer(TNotifyEvent Value);
  bool UseThread() const { return FUseThread; }
  void SetUseThread(bool Value);
  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(TThreadPriority Value);
  std::atomic<bool> Synchronize{true};  // worker mode: tick on the GUI thread

  void DoTimer();

  UINT MinPeriod() const { return FMinPeriod; }
  UINT MaxPeriod() const { return FMaxPeriod; }
  UINT TimerID() const { return FTimerID; }
  HWND WindowHandle() const { return FWindow ? FWindow->Handle() : nullptr; }
  bool HasWorker() const { return FWorker != nullptr; }

 private:
  friend struct TWorkerState;
  void StopTicks();
  void ApplySettings();
  void StartWorker();
  void StartMultimedia();
  LRESULT HandleTimerMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  TTimerCore FCore{false, 1000};
  bool FInTick = false;
  UINT FTimerID = 0;
  UINT FMinPeriod = 1;
  UINT FMaxPeriod = 1000000;
  std::unique_ptr<TUtilWindow> FWindow;
  std::unique_ptr<TThreadedTimer> FWorker;
  TThreadPriority FThreadPriority = tpNormal;
  bool FUseThread = true;
  bool FDestroying = false;
};
