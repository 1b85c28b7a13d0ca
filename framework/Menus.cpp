// Popup menus (no menu service in the platform subset: nothing is drawn).
#include "framework/Menus.h"

void TPopupMenu::Notification(TComponent* c, TOperation op) {
  TComponent::Notification(c, op);
  if (op == opRemove && c == PopupComponent) PopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  (void)x;
  (void)y;
  if (OnPopup) OnPopup(this);
}
