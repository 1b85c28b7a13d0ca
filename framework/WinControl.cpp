// TWinControl: the window behind a control, subclassed so that its messages
// reach the object; routing of child notifications; alignment of children.
#include <algorithm>
#include <climits>
#include <cstring>

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/WindowBinding.h"

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() { TWinControl::BeforeDestruction(); }

void TWinControl::BeforeDestruction() {
  TControl::BeforeDestruction();
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  DestroyHandle();
}

TWinControl* TWinControl::FindControl(HWND hwnd) {
  return dynamic_cast<TWinControl*>(BoundObject(hwnd));
}

void TWinControl::RegisterHelperWindow(HWND h) { BindWindow(h, this); }

void TWinControl::UnregisterHelperWindow(HWND h) { UnbindWindow(h, this); }

HWND TWinControl::Handle() {
  if (FHandle) return FHandle;
  if (FParent) FParent->Handle();  // creates this one too, as a child
  if (!FHandle) CreateWnd();
  return FHandle;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = FText;
  p.X = FLeft;
  p.Y = FTop;
  p.Width = FWidth;
  p.Height = FHeight;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FVisible) p.Style |= WS_VISIBLE;
  if (!FEnabled) p.Style |= WS_DISABLED;
  if (TabStop) p.Style |= WS_TABSTOP;
  if (FParent) p.WndParent = FParent->Handle();
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if (FHandle) return;  // created while asking for the parent
  HWND h =
      CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y,
                      p.Width, p.Height, p.WndParent, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!h) throw EOutOfResources("Error creating window");
  FHandle = h;
  BindWindow(h, this);
  FDefWndProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::SubclassProc)));
  // Every control writes in its form's font (the system font otherwise).
  if (TCustomForm* form = GetParentForm(this)) {
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(form->Font()), FALSE);
    if (form != this && form->HintTips()) form->HintTips()->Add(h);
  }
  CreateHandleDone();
  CreateChildHandles();
  Realign();
}

void TWinControl::CreateChildHandles() {
  std::vector<TControl*> kids = FControls;
  for (TControl* c : kids)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && !w->FHandle) w->CreateWnd();
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  FText = TWinControl::Text();  // keep the text for a later window
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  HWND h = FHandle;
  if (!h) return;
  UnbindWindow(h, this);
  if (TCustomForm* form = GetParentForm(this); form && form != this && form->HintTips())
    form->HintTips()->Remove(h);
  SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
  FHandle = nullptr;
  DestroyWindow(h);
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  TWinControl* c = FindControl(h);
  if (!c || c->FHandle != h) return DefWindowProcA(h, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    // Destroyed from outside (e.g. with its parent): forget the window.
    WNDPROC prev = c->FDefWndProc;
    UnbindWindow(h, c);
    c->FHandle = nullptr;
    return CallWindowProcA(prev, h, msg, wp, lp);
  }
  TMessage m{msg, wp, lp, 0};
  try {
    c->WndProc(m);
  } catch (const std::exception& e) {
    Application->HandleException(e);
  }
  return m.Result;
}

void TWinControl::DefaultHandler(TMessage& msg) {
  if (FHandle && FDefWndProc)
    msg.Result = CallWindowProcA(FDefWndProc, FHandle, msg.Msg, msg.WParam, msg.LParam);
  else if (FHandle)
    msg.Result = DefWindowProcA(FHandle, msg.Msg, msg.WParam, msg.LParam);
}

void TWinControl::WndProc(TMessage& msg) {
  if (msg.Msg >= WM_MOUSEMOVE && msg.Msg <= WM_MBUTTONUP)
    if (TCustomForm* form = GetParentForm(this); form && form->HintTips())
      form->HintTips()->Relay(FHandle, msg.Msg, msg.WParam, msg.LParam);
  switch (msg.Msg) {
    case WM_COMMAND: {
      TWinControl* child = FindControl(reinterpret_cast<HWND>(msg.LParam));
      if (msg.LParam && child && child != this) return child->CNCommand(msg);
      break;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(msg.LParam);
      TWinControl* child = hdr ? FindControl(hdr->hwndFrom) : nullptr;
      if (child && child != this) return child->CNNotify(msg);
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      // Labels, check boxes and the log take their background from what they are.
      TWinControl* child = FindControl(reinterpret_cast<HWND>(msg.LParam));
      int color = child ? child->BackgroundColor() : COLOR_BTNFACE;
      HDC dc = reinterpret_cast<HDC>(msg.WParam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(color));
      msg.Result = reinterpret_cast<LRESULT>(GetSysColorBrush(color));
      return;
    }
    case WM_SIZE:
      DefaultHandler(msg);
      if (!FParent) UpdateBoundsFromWindow();
      Realign();
      return;
    case WM_MOVE:
      DefaultHandler(msg);
      if (!FParent) UpdateBoundsFromWindow();
      return;
    case WM_SETFOCUS:
      if (TCustomForm* f = GetParentForm(this); f && f != this) f->SetActiveControl(this);
      break;
    case WM_GETHINT:
      msg.Result = CopyHint(msg.WParam, reinterpret_cast<char*>(msg.LParam));
      return;
    case WM_KEYDOWN:
      if (OnKeyDown) {
        WORD key = WORD(msg.WParam);
        OnKeyDown(this, key, KeyboardShiftState());
        if (key == 0) return;
        msg.WParam = key;
      }
      break;
    default:
      break;
  }
  DefaultHandler(msg);
}

bool TWinControl::MeasureText(const std::string& text, SIZE& size) const {
  HDC dc = FHandle ? GetDC(FHandle) : nullptr;
  if (!dc) return false;
  auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(FHandle, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  BOOL ok = GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  if (old) SelectObject(dc, old);
  ReleaseDC(FHandle, dc);
  return ok != FALSE;
}

LRESULT TWinControl::CopyHint(WPARAM size, char* buffer) const {
  if (!buffer) return LRESULT(Hint.size());
  if (size == 0) return 0;
  size_t n = std::min(Hint.size(), size_t(size) - 1);
  std::memcpy(buffer, Hint.data(), n);
  buffer[n] = '\0';
  return LRESULT(n);
}

void TWinControl::UpdateBoundsFromWindow() {
  RECT r;
  if (!FHandle || !GetWindowRect(FHandle, &r)) return;
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
}

void TWinControl::BoundsChanged() {
  if (FHandle) MoveWindow(FHandle, FLeft, FTop, FWidth, FHeight, TRUE);
}

void TWinControl::VisibleChanged() {
  if (FHandle) ShowWindow(FHandle, FVisible ? SW_SHOW : SW_HIDE);
}

void TWinControl::EnabledChanged() {
  if (FHandle) EnableWindow(FHandle, FEnabled ? TRUE : FALSE);
}

std::string TWinControl::Text() const {
  if (!FHandle) return FText;
  int n = GetWindowTextLengthA(FHandle);
  std::string s(size_t(n) + 1, '\0');
  int got = GetWindowTextA(FHandle, &s[0], n + 1);
  s.resize(size_t(std::max(0, got)));
  return s;
}

void TWinControl::SetText(const std::string& s) {
  FText = s;
  if (FHandle && Text() != s) SetWindowTextA(FHandle, s.c_str());
}

void TWinControl::TextChanged() {
  if (FHandle) SetWindowTextA(FHandle, FText.c_str());
}

void TWinControl::InsertControl(TControl* c) {
  FControls.push_back(c);
  if (auto* w = dynamic_cast<TWinControl*>(c); w && FHandle) {
    w->DestroyHandle();
    w->CreateWnd();
  }
  Realign();
}

void TWinControl::RemoveControl(TControl* c) {
  if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  FControls.erase(std::remove(FControls.begin(), FControls.end(), c), FControls.end());
  if (TCustomForm* f = GetParentForm(this); f && f->ActiveControl() == c)
    f->SetActiveControl(nullptr);
  Realign();
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) return;
  ::SetFocus(Handle());
}

void TWinControl::Realign() {
  if (FRealigning) return;
  FRealigning = true;
  RECT r{0, 0, ClientWidth(), ClientHeight()};
  auto place = [](TControl* c, int l, int t, int w, int h) {
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    c->SetBounds(l, t, w, h);
  };
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : FControls) {
      if (c->Align() != a || !c->Visible()) continue;
      switch (a) {
        case alTop:
          place(c, r.left, r.top, r.right - r.left, c->Height());
          r.top += c->Height();
          break;
        case alBottom:
          place(c, r.left, r.bottom - c->Height(), r.right - r.left, c->Height());
          r.bottom -= c->Height();
          break;
        case alLeft:
          place(c, r.left, r.top, c->Width(), r.bottom - r.top);
          r.left += c->Width();
          break;
        case alRight:
          place(c, r.right - c->Width(), r.top, c->Width(), r.bottom - r.top);
          r.right -= c->Width();
          break;
        default:
          place(c, r.left, r.top, r.right - r.left, r.bottom - r.top);
          break;
      }
    }
  }
  FRealigning = false;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  std::vector<TWinControl*> kids;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) kids.push_back(w);
  std::stable_sort(kids.begin(), kids.end(), [](TWinControl* a, TWinControl* b) {
    int ka = a->TabOrder < 0 ? INT_MAX : a->TabOrder;
    int kb = b->TabOrder < 0 ? INT_MAX : b->TabOrder;
    return ka < kb;
  });
  for (TWinControl* w : kids) {
    list.push_back(w);
    w->GetTabOrderList(list);
  }
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return;
  int n = int(list.size());
  int start = -1;
  for (int i = 0; i < n; ++i)
    if (list[size_t(i)] == current) start = i;
  if (start < 0) start = forward ? n - 1 : 0;
  int i = start;
  for (int step = 0; step < n; ++step) {
    i = forward ? (i + 1) % n : (i - 1 + n) % n;
    TWinControl* w = list[size_t(i)];
    if ((!checkTabStop || w->TabStop) && w->CanFocus() && w->ControlCount() == 0) {
      w->SetFocus();
      return;
    }
  }
}
