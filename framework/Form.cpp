// TCustomForm: the top-level window with its life-cycle events (create, show,
// hide, close query, destroy) and window state.
#include <map>

#include "framework/Forms.h"

namespace {

constexpr WPARAM kSizeRestored = 0;
constexpr WPARAM kSizeMinimized = 1;
constexpr WPARAM kSizeMaximized = 2;

void RegisterFormClass(const std::string& name) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (GetClassInfoA(inst, name.c_str(), &wc)) return;
  wc = WNDCLASSA{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = inst;
  wc.lpszClassName = name.c_str();
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  // The program's own icon when it has one, the system's otherwise.
  wc.hIcon = LoadIconA(inst, "MAINICON");
  if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  RegisterClassA(&wc);
}

int ShowCmdFor(TWindowState s) {
  return s == wsMaximized ? SW_SHOWMAXIMIZED : s == wsMinimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
}

}  // namespace

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  FVisible = false;
  FWidth = 320;
  FHeight = 240;
  if (Application) Application->AddForm(this);
}

TCustomForm::~TCustomForm() {
  TCustomForm::BeforeDestruction();
  if (Application) Application->RemoveForm(this);
  // The controls' windows are gone with the handles; nothing uses the font now.
  if (FFont) DeleteObject(FFont);
}

HFONT TCustomForm::Font() {
  if (!FFont)
    FFont = CreateFontA(FontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, FontName.c_str());
  return FFont;
}

void TCustomForm::RunDestroyEvents() {
  if (FDestroyDone) return;
  FDestroyDone = true;
  Destroying();
  try {
    DoDestroy();
  } catch (const std::exception& e) {
    Application->HandleException(e);
  }
}

void TCustomForm::BeforeDestruction() {
  RunDestroyEvents();
  TWinControl::BeforeDestruction();
  if (Application) {
    Application->RemoveForm(this);
    Application->UpdateVisible();
  }
}

void TCustomForm::ReadState(const std::function<void()>& build) {
  SetState(csLoading, true);
  SetState(csReading, true);
  try {
    build();
  } catch (...) {
    SetState(csReading, false);
    SetState(csLoading, false);
    // Never created, so never destroyed as a form: OnCreate did not run, and OnDestroy
    // would reach into a derived object whose construction has been undone.
    FDestroyDone = true;
    throw;
  }
  SetState(csReading, false);
  std::vector<TComponent*> read;
  for (int i = 0; i < ComponentCount(); ++i)
    if (Components(i)->ComponentState().Contains(csLoading)) read.push_back(Components(i));
  Loaded();
  for (TComponent* c : read) {
    // A Loaded step may free a later component; skip what is gone.
    bool alive = false;
    for (int i = 0; i < ComponentCount() && !alive; ++i) alive = Components(i) == c;
    if (alive) c->Loaded();
  }
  DoCreate();
}

void TCustomForm::DoCreate() {
  try {
    if (OnCreate) OnCreate(this);
  } catch (const std::exception& e) {
    Application->HandleException(e);
  }
}

void TCustomForm::DoDestroy() {
  if (OnDestroy) OnDestroy(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.WinClassName = ClassName();
  RegisterFormClass(p.WinClassName);
  p.Style = WS_CLIPCHILDREN;
  p.ExStyle = 0;
  switch (FBorderStyle) {
    case bsNone:
      p.Style |= WS_POPUP;
      break;
    case bsSingle:
      p.Style |= WS_CAPTION | WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
      break;
    case bsSizeable:
      p.Style |= WS_OVERLAPPEDWINDOW;
      break;
    case bsDialog:
      p.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
      break;
    case bsToolWindow:
      p.Style |= WS_CAPTION | WS_SYSMENU;
      p.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      p.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      p.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  switch (FPosition) {
    case poDefault:
      p.X = p.Y = p.Width = p.Height = CW_USEDEFAULT;
      break;
    case poDefaultPosOnly:
      p.X = p.Y = CW_USEDEFAULT;
      break;
    case poDefaultSizeOnly:
      p.Width = p.Height = CW_USEDEFAULT;
      break;
    case poScreenCenter:
    case poDesktopCenter:
    case poMainFormCenter:
    case poOwnerFormCenter:
      p.X = (GetSystemMetrics(SM_CXSCREEN) - FWidth) / 2;
      p.Y = (GetSystemMetrics(SM_CYSCREEN) - FHeight) / 2;
      break;
    default:
      break;
  }
  p.WndParent = Application ? Application->Handle() : nullptr;
}

void TCustomForm::DestroyWnd() {
  FHintTips.reset();
  TWinControl::DestroyWnd();
}

void TCustomForm::CreateHandleDone() {
  FHintTips = std::make_unique<THintTips>(FHandle);
  RECT r;
  if (GetWindowRect(FHandle, &r)) {
    FLeft = r.left;
    FTop = r.top;
    FWidth = r.right - r.left;
    FHeight = r.bottom - r.top;
  }
}

void TCustomForm::SetVisible(bool v) {
  bool shown = FHandle && IsWindowVisible(FHandle);
  if (v == FVisible && (!FHandle || shown == v)) return;
  FVisible = v;
  if (v) {
    DoShow();  // before the window appears
    if (FVisible) ShowNow();
  } else {
    if (FHandle) ShowWindow(FHandle, SW_HIDE);
    DoHide();
  }
  if (Application) Application->UpdateVisible();
}

namespace {
bool IsChildOf(HWND child, HWND parent) {
  for (HWND w = GetParent(child); w; w = GetParent(w))
    if (w == parent) return true;
  return false;
}
}  // namespace

void TCustomForm::ShowNow() {
  HWND h = Handle();
  ShowWindow(h, ShowCmdFor(FWindowState));
  if (Application && Application->MainForm() == this) Application->FMinimized = false;
  // A shown form gives the keyboard to its active control, or to its first tab stop.
  HWND focus = GetFocus();
  if (focus == h || !focus || !IsChildOf(focus, h)) {
    if (FActiveControl && FActiveControl->CanFocus())
      FActiveControl->SetFocus();
    else
      SelectNext(nullptr, true);
  }
}

TWindowState TCustomForm::WindowState() const {
  if (FHandle && IsWindowVisible(FHandle)) {
    if (IsIconic(FHandle)) return wsMinimized;
    if (IsZoomed(FHandle)) return wsMaximized;
    return wsNormal;
  }
  return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState s) {
  FWindowState = s;
  if (FHandle && IsWindowVisible(FHandle) && WindowState() != s) ShowWindow(FHandle, ShowCmdFor(s));
}

TWinControl* TCustomForm::ActiveControl() const { return FActiveControl; }

void TCustomForm::SetActiveControl(TWinControl* c) {
  FActiveControl = c;
  if (c && FHandle && IsWindowVisible(FHandle) && !c->Focused() && c->CanFocus()) c->SetFocus();
}

bool TCustomForm::Active() const { return FHandle && GetActiveWindow() == FHandle; }

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (!OnCloseQuery) return true;
  FInCloseQuery = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FInCloseQuery};
  try {
    OnCloseQuery(this, canClose);
  } catch (const std::exception& e) {
    Application->HandleException(e);
    return false;
  }
  return canClose;
}

bool TCustomForm::IsMain() const { return Application && Application->IsMainForm(this); }

void TCustomForm::Close() {
  // The close under way decides; a second request must not ask its questions again.
  if (FInCloseQuery || (IsMain() && Application->Terminated())) return;
  if (!CloseQuery()) return;
  if (IsMain())
    Application->Terminate();
  else
    Hide();
}

void TCustomForm::WMSysCommand(TMessage& msg) {
  WPARAM cmd = msg.WParam & 0xFFF0;
  bool main = Application && Application->MainForm() == this;
  if (cmd == SC_MINIMIZE && main) {
    Application->Minimize();
    msg.Result = 0;
    return;
  }
  if (cmd == SC_RESTORE && main && Application->IsMinimized()) {
    Application->Restore();
    msg.Result = 0;
    return;
  }
  if (cmd == SC_CLOSE) {
    Close();
    msg.Result = 0;
    return;
  }
  DefaultHandler(msg);
}

void TCustomForm::WMSize(TMessage& msg) {
  bool appMin = Application && Application->MainForm() == this && Application->IsMinimized();
  if (msg.WParam == kSizeMinimized) {
    if (!appMin) FWindowState = wsMinimized;
  } else if (msg.WParam == kSizeMaximized) {
    FWindowState = wsMaximized;
    if (appMin) Application->FMinimized = false;
  } else if (msg.WParam == kSizeRestored) {
    FWindowState = wsNormal;
    if (appMin) Application->FMinimized = false;
  }
}

void TCustomForm::WndProc(TMessage& msg) {
  switch (msg.Msg) {
    case WM_CLOSE:
      Close();
      msg.Result = 0;
      return;
    case WM_SYSCOMMAND:
      return WMSysCommand(msg);
    case WM_SIZE:
      WMSize(msg);
      break;
    case WM_QUERYENDSESSION:
      if (Application) Application->QueryEndSession();
      // A close query already running (its save dialog open) consents: it ends anyway.
      msg.Result = FInCloseQuery || CloseQuery() ? TRUE : FALSE;
      return;
    case WM_ENDSESSION:
      if (Application) Application->EndSession(msg.WParam != 0);
      msg.Result = 0;
      return;
    case WM_NOTIFY:
      if (FHintTips && FHintTips->Notify(msg.LParam)) return;
      break;
    case WM_SETFOCUS:
      // The form itself got the focus: hand it on to the active control.
      DefaultHandler(msg);
      if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus())
        FActiveControl->SetFocus();
      return;
    case WM_ACTIVATE:
      DefaultHandler(msg);
      if (LOWORD(msg.WParam) != 0) {
        if (OnActivate) OnActivate(this);
      } else if (OnDeactivate) {
        OnDeactivate(this);
      }
      return;
    default:
      break;
  }
  TWinControl::WndProc(msg);
}
