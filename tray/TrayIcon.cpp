// TTrayIcon: activation, the notify-icon record, the shell's mouse notifications and
// the owner window's minimise and close commands.
#include "tray/TrayIcon.h"

#include <cstring>

#include "framework/Forms.h"

TTrayIcon::TTrayIcon(TComponent* AOwner)
    : TWndProcComponent(AOwner), FIcon(std::make_unique<TIcon>()) {
  FIcon->OnChange = [this](TObject* Sender) { IconPictureChanged(Sender); };
  FWindow = std::make_unique<TUtilWindow>(
      [this](HWND h, UINT m, WPARAM wp, LPARAM lp) { return HandleIconMessage(h, m, wp, lp); });
  FChangeLink = std::make_unique<TChangeLink>();
  FChangeLink->OnChange = [this](TObject* Sender) { ImageListChanged(Sender); };
}

// Our own timer is an owned component, and owned components are freed quietly
// (no notification) before the destructor runs: release it while it still exists.
void TTrayIcon::BeforeDestruction() {
  FreeTimer(FTimerMode);
  TWndProcComponent::BeforeDestruction();
}

TTrayIcon::~TTrayIcon() {
  FreeTimer(FTimerMode);
  FChangeLink.reset();  // detaches itself from a list that still exists
  SetEnabled(false);
  FHint.clear();
  NotifyShell(NIM_DELETE);
  FWindow.reset();
  FIcon.reset();
  // ~TWndProcComponent removes the hook.
}

void TTrayIcon::Loaded() {
  TWndProcComponent::Loaded();  // installs the hook
  if (FActive) {
    FActive = false;  // so that the setter performs the whole activation once
    SetActive(true);
  }
}

void TTrayIcon::SetActive(bool Value) {
  if (!Application->NewStyleShell() || Value == FActive) return;
  FActive = Value;
  if (Designing()) return;
  if (Value)
    Activate();
  else
    Deactivate();
}

void TTrayIcon::Activate() {
  SetEnabled(true);  // installs the hook if it is not installed
  Application->ShowMainForm = false;
  ShowWindow(Application->Handle(), SW_HIDE);  // leaves the taskbar
  Application->ProcessMessages();
  CreateTimer();
  NotifyShell(NIM_ADD);
  StartTimer(true);
}

void TTrayIcon::Deactivate() {
  UnhookOwner();
  SetEnabled(false);
  Application->ShowMainForm = true;
  ShowWindow(Application->Handle(), SW_SHOWNORMAL);
  NotifyShell(NIM_DELETE);
  FreeTimer(FTimerMode);
}

void TTrayIcon::SetHint(const std::string& Value) {
  // While loading, the value is sent even if equal (the icon is not added yet).
  if (Value == FHint && !ComponentState().Contains(csLoading)) return;
  FHint = Value;
  if (FActive) NotifyShell(NIM_MODIFY);
}

void TTrayIcon::SetIcon(TIcon* Value) { FIcon->Assign(Value); }

// The shell draws the icon at the small-icon size and shrinks a larger picture by
// dropping pixels, so a 32-pixel picture would lose its one-pixel outlines: it is
// given the picture's own small image from its resource instead.
void TTrayIcon::IconPictureChanged(TObject*) {
  TIcon previous;  // kept until the shell has the new one
  previous.Assign(&FSmallIcon);
  FSmallIcon.SetHandle(
      FIcon->Empty()
          ? nullptr
          : static_cast<HICON>(CopyImage(FIcon->Handle(), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_COPYFROMRESOURCE)));
  if (!Designing() && FActive) NotifyShell(NIM_MODIFY);
}

HICON TTrayIcon::ShellIcon() const {
  return FSmallIcon.Empty() ? (FIcon ? FIcon->Handle() : nullptr) : FSmallIcon.Handle();
}

void TTrayIcon::SetPopupMenu(TPopupMenu* Value) {
  if (Value == FPopupMenu) return;
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TTrayIcon::Notification(TComponent* AComponent, TOperation Operation) {
  TWndProcComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
  if (AComponent == FImageList) SetImageList(nullptr);
  if (AComponent == FHiTimer) FHiTimer = nullptr;
}

void TTrayIcon::FillRecord(NOTIFYICONDATAA& data, HICON icon) const {
  std::memset(&data, 0, sizeof(data));
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = CallbackWindow();
  data.uID = 0;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAYICON;
  data.hIcon = icon;
  std::strncpy(data.szTip, FHint.c_str(), 63);  // the record's first form holds 63 characters
}

void TTrayIcon::ShowBalloon(const std::string& Title, const std::string& Text, DWORD Flags) {
  if (Designing() || !FActive) return;
  NOTIFYICONDATAA data;
  FillRecord(data, ShellIcon());
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.uFlags = NIF_INFO;
  std::strncpy(data.szInfo, Text.c_str(), sizeof(data.szInfo) - 1);
  std::strncpy(data.szInfoTitle, Title.c_str(), sizeof(data.szInfoTitle) - 1);
  data.uTimeout = 10000;  // the shell's minimum; it keeps the balloon while nobody is there
  data.dwInfoFlags = Flags;
  Shell_NotifyIconA(NIM_MODIFY, &data);
}

void TTrayIcon::NotifyShell(DWORD Operation) {
  if (Designing()) return;
  NOTIFYICONDATAA data;
  FillRecord(data, ShellIcon());
  Shell_NotifyIconA(Operation, &data);  // a refusal changes nothing here
}

LRESULT TTrayIcon::HandleIconMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // The shell tells every top-level window when its taskbar was (re)created: after a
  // restart of the shell, or a start at logon before the taskbar was there, the icon
  // of a hidden program would otherwise stay away, and with it the only way in.
  static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  if (msg == taskbarCreated && taskbarCreated) {
    if (FActive && !Designing()) NotifyShell(NIM_ADD);
    return 0;
  }
  if (msg == WM_GETTEXTCOLOUR && lp == 0) return FaceColour;
  if (msg != WM_TRAYICON) return DefWindowProcA(hwnd, msg, wp, lp);
  GetCursorPos(&FCursorPos);
  // The first parameter is the icon identifier, read as mouse-key flags all the same.
  TShiftState shift;
  if (wp & MK_SHIFT) shift.Include(ssShift);
  if (wp & MK_CONTROL) shift.Include(ssCtrl);
  if (wp & MK_LBUTTON) shift.Include(ssLeft);
  if (wp & MK_RBUTTON) shift.Include(ssRight);
  if (wp & MK_MBUTTON) shift.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  MouseMessage(UINT(lp), shift);
  return 0;
}

void TTrayIcon::MouseMessage(UINT mouseMsg, TShiftState shift) {
  const int x = FCursorPos.x, y = FCursorPos.y;
  std::weak_ptr<void> alive = AliveToken();  // a handler may free this component
  TShiftState dbl = shift;
  dbl.Include(ssDouble);
  auto click = [&] {
    if (!alive.expired() && OnClick) OnClick(this);
  };
  auto dblClick = [&] {
    if (!alive.expired() && OnDblClick) OnDblClick(this);
  };
  auto down = [&](TMouseButton b, TShiftState s) {
    if (!alive.expired() && OnMouseDown) OnMouseDown(this, b, s, x, y);
  };
  auto up = [&](TMouseButton b) {
    if (!alive.expired() && OnMouseUp) OnMouseUp(this, b, shift, x, y);
  };
  switch (mouseMsg) {
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, shift, x, y);
      break;
    case WM_LBUTTONDOWN:
      down(mbLeft, shift);
      break;
    case WM_LBUTTONUP:
      click();
      up(mbLeft);
      break;
    case WM_LBUTTONDBLCLK:
      dblClick();
      down(mbLeft, dbl);
      break;
    case WM_RBUTTONDOWN:
      down(mbRight, shift);
      if (!alive.expired()) PopupSteps();
      break;
    case WM_RBUTTONUP:
      click();
      up(mbRight);
      break;
    case WM_RBUTTONDBLCLK:
      dblClick();
      down(mbRight, dbl);
      break;
    case WM_MBUTTONDOWN:
      down(mbMiddle, shift);
      break;
    case WM_MBUTTONUP:
      click();
      up(mbMiddle);
      break;
    case WM_MBUTTONDBLCLK:
      dblClick();
      down(mbMiddle, dbl);
      break;
    default:
      break;
  }
}

void TTrayIcon::PopupSteps() {
  if (!FPopupMenu) return;
  std::weak_ptr<void> alive = AliveToken();
  if (OnPopUp) OnPopUp(this);
  if (alive.expired()) return;
  SetForegroundWindow(Application->Handle());
  Application->ProcessMessages();
  // The pump may have freed us or the menu (its free notification clears the field).
  if (alive.expired() || !FPopupMenu) return;
  FPopupMenu->PopupComponent = this;
  FPopupMenu->Popup(FCursorPos.x, FCursorPos.y);
}

void TTrayIcon::HideOwner() {
  ShowWindow(Application->Handle(), SW_HIDE);
  if (auto* form = dynamic_cast<TCustomForm*>(Owner())) form->SetVisible(false);
}

void TTrayIcon::OwnerWindowProc(TMessage& Msg) {
  if (WindowDestroyed() || Msg.Msg != WM_SYSCOMMAND) {
    TWndProcComponent::OwnerWindowProc(Msg);
    return;
  }
  // Compared whole: a command with its low four bits set is neither of the two.
  if (Msg.WParam == SC_MINIMIZE) {
    std::weak_ptr<void> alive = AliveToken();
    TWndProcComponent::OwnerWindowProc(Msg);  // minimises as usual first
    if (!alive.expired() && !ShowMinimizedIcon) HideOwner();
    return;
  }
  if (Msg.WParam == SC_CLOSE && NoClose && FActive) {
    HideOwner();  // not passed on: the window does not close
    return;
  }
  TWndProcComponent::OwnerWindowProc(Msg);
}
