// Popup menus: a list of items shown at a screen point.
//
// API notes: Popup(x, y) runs OnPopup and returns when the menu has closed. The
// platform subset has no menu service, so no menu is drawn and no item is chosen;
// Items can still be clicked by code (TMenuItem::Click).
#pragma once

#include <string>
#include <vector>

#include "framework/Classes.h"

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}
  std::string Caption;
  bool Enabled = true;
  bool Checked = false;
  TNotifyEvent OnClick;
  virtual void Click();
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* AOwner) : TComponent(AOwner) {}
  // Creates an item owned by the menu.
  TMenuItem* AddItem(const std::string& caption, TNotifyEvent onClick = nullptr);
  int ItemCount() const { return int(FItems.size()); }
  TMenuItem* Items(int i) const { return FItems.at(size_t(i)); }
  virtual void Popup(int x, int y);
  void Notification(TComponent* c, TOperation op) override;

  TComponent* PopupComponent = nullptr;
  bool AutoPopup = true;
  TNotifyEvent OnPopup;

 private:
  std::vector<TMenuItem*> FItems;
};
