// Change notification shared by the tray components.
#include "tray/BaseComponent.h"

TBaseComponent::TBaseComponent(TComponent* AOwner) : TComponent(AOwner) {}

void TBaseComponent::BeginUpdate() { FUpdating = true; }

void TBaseComponent::EndUpdate(bool Notify) {
  FUpdating = false;
  if (Notify) Changed();
}

void TBaseComponent::Changed() { DoChange(); }

void TBaseComponent::DoChange() {
  if (!FUpdating && OnChange) OnChange(this);
}
