// Pictures: the icon object (a window-system icon handle with change notification).
//
// API notes: Handle() is the icon's handle (nullptr when empty); SetHandle takes a
// handle the icon will destroy; Assign shares another icon's picture (the handle
// is destroyed when the last icon sharing it lets go) and fires OnChange;
// LoadFromResourceName uses LoadIconA (shared system/resource icons are never
// destroyed).
#pragma once

#include <memory>
#include <string>

#include "framework/Classes.h"
#include "platform/winapi.h"

class TIcon : public TPersistent {
 public:
  TIcon() = default;
  ~TIcon() override;
  HICON Handle() const { return FImage ? static_cast<HICON>(FImage.get()) : nullptr; }
  void SetHandle(HICON h);  // the icon takes ownership; fires OnChange
  bool Empty() const { return Handle() == nullptr; }
  void LoadFromResourceName(HINSTANCE inst, const char* name);  // LoadIconA, shared
  void Assign(TPersistent* source) override;                    // nullptr clears

  TNotifyEvent OnChange;

 private:
  void Changed();

  std::shared_ptr<void> FImage;
};
