// THiTimer: settings, the multimedia-timer path and the hand-off to the worker.
#include "tray/HiTimer.h"

#include "framework/Forms.h"
#include "framework/SysUtils.h"

namespace {
// Runs on the multimedia timer's thread: nothing but the post.
void CALLBACK TimerCallback(UINT uTimerID, UINT, DWORD_PTR dwUser, DWORD_PTR, DWORD_PTR) {
  PostMessageA(reinterpret_cast<HWND>(dwUser), WM_TIMER, uTimerID, 0);
}
}  // namespace

THiTimer::THiTimer(TComponent* AOwner) : TBaseComponent(AOwner) {
  TIMECAPS caps{};
  if (timeGetDevCaps(&caps, sizeof(caps)) == TIMERR_NOERROR) {
    FMinPeriod = caps.wPeriodMin;
    FMaxPeriod = caps.wPeriodMax;
  }
  timeBeginPeriod(FMinPeriod);  // held for the timer's life
}

THiTimer::~THiTimer() {
  FDestroying = true;
  // Stops the worker (waiting for a tick it runs) and the multimedia timer first: an
  // unsynchronised tick calls the handler on the worker's thread.
  ApplySettings();
  FCore.SetOnTimer(nullptr);
  timeEndPeriod(FMinPeriod);
  FCore.SetEnabled(false);
  FWindow.reset();
}

void THiTimer::SetEnabled(bool Value) {
  if (FCore.SetEnabled(Value)) ApplySettings();
}

void THiTimer::SetInterval(DWORD Value) {
  if (FCore.SetInterval(Value, FMinPeriod, FMaxPeriod)) ApplySettings();
}

void THiTimer::SetOnTimer(TNotifyEvent Value) {
  StopTicks();  // never replace the handler under a tick running on the worker
  FCore.SetOnTimer(std::move(Value));
  ApplySettings();
}

void THiTimer::SetUseThread(bool Value) {
  if (Value == FUseThread) return;
  FUseThread = Value;
  ApplySettings();
}

void THiTimer::SetThreadPriority(TThreadPriority Value) {
  if (Value == FThreadPriority) return;
  FThreadPriority = Value;
  if (FUseThread) ApplySettings();
}

void THiTimer::DoTimer() { FCore.Tick(this); }

void THiTimer::StopTicks() {
  if (FWorker) {
    FWorker->Terminate();  // returns once a direct tick has finished
    FWorker.reset();
  }
  if (FTimerID) {
    timeKillEvent(FTimerID);
    FTimerID = 0;
  }
}

void THiTimer::ApplySettings() {
  if (ComponentState().Contains(csDesigning)) return;
  StopTicks();
  if (FDestroying) return;
  if (FUseThread)
    StartWorker();
  else
    StartMultimedia();
}

void THiTimer::StartWorker() {
  FWindow.reset();
  if (!FCore.Enabled() || !FCore.OnTimer()) return;
  FWorker = std::make_unique<TThreadedTimer>(this);
  FWorker->Interval = static_cast<uint16_t>(FCore.Interval() & 0xFFFF);
  FWorker->Priority = FThreadPriority;
  FWorker->Resume();
}

void THiTimer::StartMultimedia() {
  if (!FWindow)
    FWindow = std::make_unique<TUtilWindow>(
        [this](HWND h, UINT m, WPARAM wp, LPARAM lp) { return HandleTimerMessage(h, m, wp, lp); });
  if (!FCore.Runs()) return;
  FTimerID = timeSetEvent(FCore.Interval(), FCore.Interval(), &TimerCallback,
                          reinterpret_cast<DWORD_PTR>(FWindow->Handle()), TIME_PERIODIC);
  FInTick = false;
  if (FTimerID == 0) throw EOutOfResources("Not enough timers available");
}

LRESULT THiTimer::HandleTimerMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // A tick of a killed timer may still be queued; its identifier no longer matches.
  if (msg != WM_TIMER || FTimerID == 0 || wp != FTimerID) return DefWindowProcA(hwnd, msg, wp, lp);
  if (FInTick) return 0;
  FInTick = true;
  std::weak_ptr<void> alive = AliveToken();
  try {
    DoTimer();
  } catch (std::exception& e) {
    Application->HandleException(e);  // the guard stays set: no more ticks until a change
    return 0;
  }
  if (!alive.expired()) FInTick = false;  // the tick may have freed the timer
  return 0;
}
