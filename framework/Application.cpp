// TApplication: the hidden application window, the message loop, key handling
// (Tab order, Enter on a button, Alt+F4), the standard error box and the visibility record of the
// application window.
#include <algorithm>

#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/UtilWindow.h"

TApplication* Application = TComponent::Create<TApplication>(nullptr);

namespace {
TScreen gScreen;
}  // namespace
TScreen* Screen = &gScreen;

namespace {

// The framework object a message is for: the window's own, or its nearest
// ancestor's.
TWinControl* ControlOf(HWND h) {
  for (int depth = 0; h && depth < 64; ++depth, h = GetParent(h))
    if (TWinControl* c = TWinControl::FindControl(h)) return c;
  return nullptr;
}

// What nobody's answer to a box is: Cancel where the box has it, else No, else OK.
int UnattendedAnswer(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
      return IDNO;
    case MB_OK:
      return IDOK;
    default:
      return IDCANCEL;
  }
}

}  // namespace

// The program's own icon (its MAINICON resource), else the system's default one: the
// notification-area icon and the windows show it.
TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (LoadIconA(inst, "MAINICON"))
    FIcon.LoadFromResourceName(inst, "MAINICON");
  else
    FIcon.LoadFromResourceName(nullptr, IDI_APPLICATION);
}

TApplication::~TApplication() {
  DestroyForms();
  DestroyHiddenWindow(FHandle);
  if (Application == this) Application = nullptr;
}

HWND TApplication::Handle() {
  if (FHandle) return FHandle;
  // Not a tool window: on Windows this window carries the program's taskbar button.
  FHandle = CreateHiddenWindow(MessageHandler([this](TMessage& m) { AppWndProc(m); }),
                               "TApplication", FTitle.c_str(), 0);
  FAppVisible = FHandle && IsWindowVisible(FHandle);
  return FHandle;
}

void TApplication::Initialize() {
  Handle();
  FTerminated = false;
  ShowMainForm = true;
  FMinimized = false;
  FUnattended = false;
}

void TApplication::FormCreated(TCustomForm* f) {
  FCreatingMainForm = false;
  FPendingMainForm = nullptr;
  if (FMainForm || !f) return;
  FMainForm = f;
  f->HandleNeeded();
}

void TApplication::AddForm(TCustomForm* f) {
  if (std::find(FForms.begin(), FForms.end(), f) == FForms.end()) FForms.push_back(f);
  if (FCreatingMainForm && !FPendingMainForm) FPendingMainForm = f;
}

void TApplication::RemoveForm(TCustomForm* f) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), f), FForms.end());
  if (FMainForm == f) FMainForm = nullptr;
  if (FPendingMainForm == f) FPendingMainForm = nullptr;
}

void TApplication::DestroyForms() {
  DestroyComponents();
  FMainForm = nullptr;
}

void TApplication::Run() {
  // A close accepted while the main form was being created has ended the run already.
  if (ShowMainForm && FMainForm && !FTerminated) FMainForm->SetVisible(true);
  while (!FTerminated) HandleMessage();
  DestroyForms();
}

bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
    TWinControl* c = ControlOf(msg.hwnd);
    TCustomForm* f = GetParentForm(c);
    if (!f) return false;
    f->SelectNext(c, GetKeyState(VK_SHIFT) >= 0);
    return true;
  }
  // Enter presses the focused push button (a check box ignores it).
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
      dynamic_cast<TButton*>(TWinControl::FindControl(msg.hwnd))) {
    SendMessageA(msg.hwnd, BM_CLICK, 0, 0);
    return true;
  }
  if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4) {
    TCustomForm* f = GetParentForm(ControlOf(msg.hwnd));
    if (!f) return false;
    SendMessageA(f->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  }
  return false;
}

namespace {

void Dispatch(TApplication* app, MSG& msg) {
  (void)app;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

}  // namespace

void TApplication::HandleMessage() {
  MSG msg;
  BOOL r = GetMessageA(&msg, nullptr, 0, 0);
  if (r == 0 || r == -1) {
    FTerminated = true;
    return;
  }
  try {
    if (!IsKeyMsg(msg)) Dispatch(this, msg);
  } catch (const std::exception& e) {
    HandleException(e);
  }
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  try {
    if (!IsKeyMsg(msg)) Dispatch(this, msg);
  } catch (const std::exception& e) {
    HandleException(e);
  }
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Terminate() { FTerminated = true; }

void TApplication::HandleException(const std::exception& e) {
  if (OnException)
    OnException(this, e);
  else
    ShowException(e);
}

void TApplication::QueryEndSession() { FUnattended = !AskAtEndSession; }

// The process may not outlive this call: what the forms keep when they go (settings,
// placement) is written now, without freeing anything a caller up the stack may use.
void TApplication::EndSession(bool ending) {
  if (!ending) {
    FUnattended = false;
    return;
  }
  FUnattended = !AskAtEndSession;
  Terminate();
  std::vector<TCustomForm*> forms = FForms;
  for (TCustomForm* f : forms)
    if (std::find(FForms.begin(), FForms.end(), f) != FForms.end()) f->RunDestroyEvents();
}

void TApplication::ShowException(const std::exception& e) {
  MessageBox(e.what(), FTitle, MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  if (FUnattended) return UnattendedAnswer(flags);
  HWND owner = GetActiveWindow();
  if (!owner) owner = Handle();
  return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::Minimize() {
  if (FMinimized) return;
  FMinimized = true;
  if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_MINIMIZE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  if (!FMinimized) return;
  FMinimized = false;
  if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_RESTORE);
  if (OnRestore) OnRestore(this);
}

bool TApplication::NewStyleShell() const { return LOBYTE(GetVersion()) > 3; }

void TApplication::SetTitle(const std::string& t) {
  FTitle = t;
  if (FHandle) SetWindowTextA(FHandle, t.c_str());
}

std::string TApplication::ExeName() const { return ParamStr0(); }

void TApplication::UpdateVisible() {
  if (!FHandle) return;
  bool any = false;
  for (TCustomForm* f : FForms)
    if (!f->Parent() && f->HandleAllocated() && IsWindowVisible(f->Handle())) any = true;
  bool actual = IsWindowVisible(FHandle) != 0;
  if (actual != FAppVisible || actual == any) return;  // changed by someone else, or in step
  ShowWindow(FHandle, any ? SW_SHOWNOACTIVATE : SW_HIDE);
  FAppVisible = any;
}

void TApplication::AppWndProc(TMessage& msg) {
  switch (msg.Msg) {
    case WM_SYSCOMMAND:
      switch (msg.WParam & 0xFFF0) {
        case SC_MINIMIZE:
          Minimize();
          return;
        case SC_RESTORE:
          Restore();
          return;
        case SC_CLOSE:
          if (FMainForm) FMainForm->Close();
          return;
        default:
          break;
      }
      break;
    case WM_CLOSE:
      if (FMainForm) FMainForm->Close();
      return;
    case WM_QUERYENDSESSION:
      QueryEndSession();
      // The main form is a top-level window too and answers its own query; asking
      // it here as well would put every question of the close twice.
      msg.Result = TRUE;
      return;
    case WM_ENDSESSION:
      EndSession(msg.WParam != 0);
      return;
    default:
      break;
  }
  msg.Result = DefWindowProcA(FHandle, msg.Msg, msg.WParam, msg.LParam);
}
