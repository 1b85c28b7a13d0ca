// Popup menus (no menu service in the platform subset: nothing is drawn).
#include "framework/Menus.h"

void TMenuItem::Click() {
  if (Enabled && OnClick) OnClick(this);
}

TMenuItem* TPopupMenu::AddItem(const std::string& caption, TNotifyEvent onClick) {
  TMenuItem* item = TComponent::Create<TMenuItem>(this);
  item->Caption = caption;
  item->OnClick = std::move(onClick);
  FItems.push_back(item);
  return item;
}

void TPopupMenu::Notification(TComponent* c, TOperation op) {
  TComponent::Notification(c, op);
  if (op != opRemove) return;
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == c) FItems.erase(FItems.begin() + long(i));
  if (c == PopupComponent) PopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  (void)x;
  (void)y;
  if (OnPopup) OnPopup(this);
}
