// TBaseComponent: the common base of the tray components (the owner-window hook and
// the high-resolution timer). It adds a design-time About text and a change
// notification that can be held back between BeginUpdate and EndUpdate.
#pragma once

#include <memory>
#include <string>

#include "framework/Classes.h"

using TAboutVar = std::string;

class TBaseComponent : public TComponent {
 public:
  explicit TBaseComponent(TComponent* AOwner);

  TAboutVar About;        // design environment only; never read at run time
  TNotifyEvent OnChange;  // not published by any component of ours

  void BeginUpdate();
  void EndUpdate(bool Notify);
  // Expires when the component is destroyed: lets a caller of an event handler tell
  // whether the handler freed the component.
  std::weak_ptr<void> AliveToken() const { return FAlive; }

 protected:
  virtual void Changed();
  virtual void DoChange();

 private:
  bool FUpdating = false;
  std::shared_ptr<char> FAlive = std::make_shared<char>(0);
};
