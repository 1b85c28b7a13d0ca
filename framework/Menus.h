// Popup menus: a menu shown at a screen point.
//
// API notes: Popup(x, y) runs OnPopup and returns when the menu has closed. The
// platform subset has no menu service, so no menu is drawn and nothing is chosen.
// PopupComponent names the component that opened the menu and is cleared when that
// component goes.
#pragma once

#include "framework/Classes.h"

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* AOwner) : TComponent(AOwner) {}
  virtual void Popup(int x, int y);
  void Notification(TComponent* c, TOperation op) override;

  TComponent* PopupComponent = nullptr;
  TNotifyEvent OnPopup;
};
