// The panel container and the timer component.
#include "framework/ExtCtrls.h"

#include "framework/Forms.h"

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

TTimer::TTimer(TComponent* AOwner)
    : TComponent(AOwner), FWindow(MessageHandler([this](TMessage& m) { WndProc(m); })) {}

TTimer::~TTimer() {
  if (FArmed) KillTimer(FWindow.Handle(), 1);
}

void TTimer::UpdateTimer() {
  if (FArmed) KillTimer(FWindow.Handle(), 1);
  FArmed = false;
  if (FCore.Runs()) {
    if (SetTimer(FWindow.Handle(), 1, FCore.Interval(), nullptr) == 0)
      throw EOutOfResources("Not enough timers available");
    FArmed = true;
  }
}

void TTimer::SetEnabled(bool v) {
  if (FCore.SetEnabled(v)) UpdateTimer();
}

void TTimer::SetInterval(UINT v) {
  if (FCore.SetInterval(v)) UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent e) {
  FCore.SetOnTimer(std::move(e));
  UpdateTimer();
}

void TTimer::Timer() { FCore.Tick(this); }

void TTimer::WndProc(TMessage& msg) {
  if (msg.Msg == WM_TIMER) {
    Timer();  // what it raises goes to the application's handler
    return;
  }
  msg.Result = DefWindowProcA(FWindow.Handle(), msg.Msg, msg.WParam, msg.LParam);
}
