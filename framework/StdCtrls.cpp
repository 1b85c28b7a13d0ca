// The label, edit box, push button and check box controls on the built-in
// window classes.
#include "framework/StdCtrls.h"

#include "framework/Forms.h"

// ---- TLabel ----

TLabel::TLabel(TComponent* AOwner) : TWinControl(AOwner) {}

void TLabel::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.WinClassName = "STATIC";
  p.Style |= SS_LEFT;
}

void TLabel::CreateHandleDone() {
  TWinControl::CreateHandleDone();
  if (AutoSize) AdjustBounds();
}

void TLabel::AdjustBounds() {
  SIZE size{};
  if (MeasureText(Text(), size) && size.cx > Width()) SetBounds(Left(), Top(), size.cx, Height());
}

// ---- TCustomEdit ----

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  TabStop = true;
  FWidth = 121;
  FHeight = 21;
}

void TCustomEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.WinClassName = "EDIT";
  p.Style |= ES_AUTOHSCROLL;
  if (FReadOnly) p.Style |= ES_READONLY;
  p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateHandleDone() {
  if (FMaxLength > 0) SendMessageA(FHandle, EM_LIMITTEXT, WPARAM(FMaxLength), 0);
}

void TCustomEdit::SetReadOnly(bool v) {
  if (v == FReadOnly) return;
  FReadOnly = v;
  if (FHandle) SendMessageA(FHandle, EM_SETREADONLY, v ? TRUE : FALSE, 0);
}

void TCustomEdit::SelectAll() {
  if (FHandle) SendMessageA(FHandle, EM_SETSEL, 0, -1);
}

void TCustomEdit::CNCommand(TMessage& msg) {
  switch (HIWORD(msg.WParam)) {
    case EN_CHANGE:
      Change();
      break;
    case EN_KILLFOCUS:
      DoExit();
      break;
    case EN_SETFOCUS:
      if (AutoSelect && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
      if (OnEnter) OnEnter(this);
      break;
    default:
      break;
  }
  msg.Result = 0;
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::DoExit() {
  if (OnExit) OnExit(this);
}

// ---- TButton ----

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  TabStop = true;
  FWidth = 75;
  FHeight = 25;
}

void TButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.WinClassName = "BUTTON";
  p.Style |= Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::CNCommand(TMessage& msg) {
  if (HIWORD(msg.WParam) == BN_CLICKED) Click();
  msg.Result = 0;
}

// ---- TCheckBox ----

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  TabStop = true;
  FWidth = 97;
  FHeight = 17;
}

void TCheckBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.WinClassName = "BUTTON";
  p.Style |= BS_AUTOCHECKBOX;
}

void TCheckBox::CreateHandleDone() {
  SendMessageA(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::Checked() const {
  if (FHandle) return SendMessageA(FHandle, BM_GETCHECK, 0, 0) == BST_CHECKED;
  return FChecked;
}

void TCheckBox::SetChecked(bool v) {
  if (v == Checked()) return;
  FChecked = v;
  if (FHandle) SendMessageA(FHandle, BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!ComponentState().Contains(csLoading)) Click();
}

void TCheckBox::CNCommand(TMessage& msg) {
  if (HIWORD(msg.WParam) == BN_CLICKED) {
    FChecked = SendMessageA(FHandle, BM_GETCHECK, 0, 0) == BST_CHECKED;
    Click();
  }
  msg.Result = 0;
}
