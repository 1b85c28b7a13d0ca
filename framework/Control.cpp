// TControl: bounds, visibility, enabled state, text and alignment, kept by the
// object while there is no window.
#include <algorithm>

#include "framework/Controls.h"
#include "framework/Forms.h"

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() { TControl::SetParent(nullptr); }

void TControl::BeforeDestruction() {
  TComponent::BeforeDestruction();
  SetParent(nullptr);
}

void TControl::SetParent(TWinControl* p) {
  if (p == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  FParent = p;
  if (p) p->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  BoundsChanged();
  RequestAlign();
}

int TControl::ClientWidth() const {
  auto* w = dynamic_cast<const TWinControl*>(this);
  if (w && w->HandleAllocated()) {
    RECT r;
    GetClientRect(const_cast<TWinControl*>(w)->Handle(), &r);
    return r.right - r.left;
  }
  return FWidth;
}

int TControl::ClientHeight() const {
  auto* w = dynamic_cast<const TWinControl*>(this);
  if (w && w->HandleAllocated()) {
    RECT r;
    GetClientRect(const_cast<TWinControl*>(w)->Handle(), &r);
    return r.bottom - r.top;
  }
  return FHeight;
}

void TControl::SetVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  VisibleChanged();
  RequestAlign();
}

void TControl::SetEnabled(bool v) {
  if (v == FEnabled) return;
  FEnabled = v;
  EnabledChanged();
}

std::string TControl::Text() const { return FText; }

void TControl::SetText(const std::string& s) {
  if (s == FText) return;
  FText = s;
  TextChanged();
}

void TControl::SetAlign(TAlign a) {
  if (a == FAlign) return;
  FAlign = a;
  RequestAlign();
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::RequestAlign() {
  if (FParent && !FParent->FRealigning) FParent->Realign();
}

TCustomForm* GetParentForm(TControl* control) {
  while (control) {
    if (auto* f = dynamic_cast<TCustomForm*>(control)) return f;
    control = control->Parent();
  }
  return nullptr;
}

TShiftState KeyboardShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}
