// Subclassing of the owning form's window, with safe removal.
#include "tray/WndProcComponent.h"

#include <exception>

#include "framework/Forms.h"

TWndProcComponent::TWndProcComponent(TComponent* AOwner) : TBaseComponent(AOwner) {
  if (auto* form = dynamic_cast<TCustomForm*>(AOwner)) {
    if (form->FormStyle() == fsMDIChild) FOwnerKind = okMDIChild;
    if (form->FormStyle() == fsMDIForm) FOwnerKind = okMDIFrame;
  }
}

TWndProcComponent::~TWndProcComponent() { UnhookOwner(); }

bool TWndProcComponent::Designing() const { return ComponentState().Contains(csDesigning); }

void TWndProcComponent::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  if (Designing()) return;
  if (Value)
    EnableHook();
  else
    DisableHook();
}

void TWndProcComponent::Loaded() {
  TBaseComponent::Loaded();
  if (!Designing()) EnableHook();
}

bool TWndProcComponent::ApplicationMessage(TMessage&) { return true; }

void TWndProcComponent::EnableHook() {
  if (FEnabled && !Hooked()) HookOwner();
}

void TWndProcComponent::DisableHook() {}

void TWndProcComponent::ReleaseDesignHook() {
  if (Designing()) UnhookOwner();
}

HWND TWndProcComponent::OwnerWindowHandle() {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (!form) return nullptr;
  try {
    if (FOwnerKind == okMDIFrame) return form->ClientHandle();
    return form->Handle();
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool TWndProcComponent::HookOwner() {
  HWND w = OwnerWindowHandle();
  if (!w || Hooked() || Designing()) return false;
  FWindowDestroyed = false;
  try {
    return FHook.Install(
        w, [this](HWND h, UINT m, WPARAM wp, LPARAM lp) { return ThunkCall(h, m, wp, lp); });
  } catch (const std::exception&) {
    return false;
  }
}

void TWndProcComponent::UnhookOwner() {
  FHook.Remove();
  FWindowDestroyed = false;
}

LRESULT TWndProcComponent::ThunkCall(HWND, UINT msg, WPARAM wp, LPARAM lp) {
  TMessage m{msg, wp, lp, 0};
  OwnerWindowProc(m);  // may unhook, or even free this component
  return m.Result;
}

void TWndProcComponent::OwnerWindowProc(TMessage& Msg) {
  if (FWindowDestroyed) return;
  if (Msg.Msg == WM_DESTROY) {
    FWindowDestroyed = true;
    if (FOwnerKind == okMDIChild) {
      UnhookOwner();
      return;
    }
  }
  // Unhooked inside this very message: it still belongs to the procedure we replaced.
  if (WNDPROC next = FHook.Previous())
    Msg.Result = CallWindowProcA(next, FHook.Window(), Msg.Msg, Msg.WParam, Msg.LParam);
}
