// The icon picture: a shared handle with change notification.
#include "framework/Graphics.h"

TIcon::~TIcon() = default;

void TIcon::Changed() {
  if (OnChange) OnChange(this);
}

void TIcon::SetHandle(HICON h) {
  if (h == Handle()) return;
  if (h)
    FImage.reset(static_cast<void*>(h), [](void* p) { DestroyIcon(static_cast<HICON>(p)); });
  else
    FImage.reset();
  Changed();
}

void TIcon::LoadFromResourceName(HINSTANCE inst, const char* name) {
  HICON h = LoadIconA(inst, name);
  if (!h) throw EOutOfResources("Resource not found");
  FImage.reset(static_cast<void*>(h), [](void*) {});  // shared icons stay
  Changed();
}

void TIcon::Assign(TPersistent* source) {
  if (!source) {
    FImage.reset();
    Changed();
    return;
  }
  auto* other = dynamic_cast<TIcon*>(source);
  if (!other) return TPersistent::Assign(source);
  if (other != this) FImage = other->FImage;
  Changed();
}
