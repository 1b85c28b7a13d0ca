// The panel container and the timer component.
#include "framework/ExtCtrls.h"

#include "framework/Forms.h"
#include "framework/TimerEvent.h"

// ---- TPanel ----

namespace {

const char kPanelClass[] = "TPanel";

void RegisterPanelClass() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (GetClassInfoA(inst, kPanelClass, &wc)) return;
  wc = WNDCLASSA{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = inst;
  wc.lpszClassName = kPanelClass;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  RegisterClassA(&wc);
}

}  // namespace

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 185;
  FHeight = 41;
}

void TPanel::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  RegisterPanelClass();
  p.WinClassName = kPanelClass;
  p.Style |= WS_CLIPCHILDREN;
}

// ---- TTimer ----

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
}

TTimer::~TTimer() {
  FEnabled = false;
  if (FArmed) KillTimer(FWindow, 1);
  DeallocateHWnd(FWindow);
}

void TTimer::UpdateTimer() {
  if (FArmed) KillTimer(FWindow, 1);
  FArmed = false;
  if (FEnabled && FInterval != 0 && FOnTimer) {
    if (SetTimer(FWindow, 1, FInterval, nullptr) == 0)
      throw EOutOfResources("Not enough timers available");
    FArmed = true;
  }
}

void TTimer::SetEnabled(bool v) {
  if (v == FEnabled) return;
  FEnabled = v;
  UpdateTimer();
}

void TTimer::SetInterval(UINT v) {
  if (v == FInterval) return;
  FInterval = v;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent e) {
  FOnTimer = std::move(e);
  UpdateTimer();
}

void TTimer::Timer() { CallTimerHandler(FOnTimer, this); }

void TTimer::WndProc(TMessage& msg) {
  if (msg.Msg == WM_TIMER) {
    try {
      Timer();
    } catch (const std::exception& e) {
      Application->HandleException(e);
    }
    return;
  }
  msg.Result = DefWindowProcA(FWindow, msg.Msg, msg.WParam, msg.LParam);
}
