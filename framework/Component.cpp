// TObject, TPersistent and TComponent: ownership, the loaded step, component
// state and free notifications.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <typeinfo>

#include "framework/Classes.h"

void TObject::Free() {
  BeforeDestruction();
  delete this;
}

std::string TObject::ClassName() const {
  // The last name of the type: Itanium ABI gives "<len><name>" or, inside
  // namespaces, "N<len><name>...E"; MSVC gives "class ns::name".
  std::string n = typeid(*this).name();
  for (const char* kw : {"class ", "struct "}) {
    if (n.rfind(kw, 0) == 0) {
      n = n.substr(std::strlen(kw));
      size_t colon = n.rfind("::");
      return colon == std::string::npos ? n : n.substr(colon + 2);
    }
  }
  size_t i = n.size() > 0 && n[0] == 'N' ? 1 : 0;
  std::string last = n;
  while (i < n.size() && std::isdigit((unsigned char)n[i])) {
    size_t len = 0;
    while (i < n.size() && std::isdigit((unsigned char)n[i])) len = len * 10 + size_t(n[i++] - '0');
    if (i + len > n.size()) break;
    last = n.substr(i, len);
    i += len;
  }
  return last;
}

void TPersistent::Assign(TPersistent* source) {
  std::string from = source ? source->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + from + " to a " + ClassName());
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) {
    // Only components read from a description load; their own sub-components don't.
    if (AOwner->FState.Contains(csReading)) FState.Include(csLoading);
    AOwner->InsertComponent(this);
  }
}

TComponent::~TComponent() {
  // Reached without Free() (e.g. a unique_ptr): run the same steps now.
  TComponent::BeforeDestruction();
}

void TComponent::BeforeDestruction() {
  if (FDestructionStarted) return;
  FDestructionStarted = true;
  Destroying();
  SendFreeNotifications();
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (FState.Contains(csDestroying)) return;
  FState.Include(csDestroying);
}

void TComponent::SendFreeNotifications() {
  while (!FFreeNotifies.empty()) {
    TComponent* c = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& back = c->FFreeNotifies;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    c->Notification(this, opRemove);
  }
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    FComponents.pop_back();
    c->FOwner = nullptr;  // detached quietly: the owner is going away
    c->Free();
  }
}

void TComponent::InsertComponent(TComponent* c) {
  if (c->FOwner) c->FOwner->RemoveComponent(c);
  FComponents.push_back(c);
  c->FOwner = this;
  Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
  auto it = std::find(FComponents.begin(), FComponents.end(), c);
  if (it == FComponents.end()) return;
  Notification(c, opRemove);
  it = std::find(FComponents.begin(), FComponents.end(), c);
  if (it != FComponents.end()) FComponents.erase(it);
  c->FOwner = nullptr;
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->Name, name)) return c;
  return nullptr;
}

void TComponent::Loaded() { FState.Exclude(csLoading); }

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  if (Operation != opRemove || FState.Contains(csDestroying)) return;
  // Copy: a handler may free components.
  std::vector<TComponent*> owned = FComponents;
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
    if (*it == AComponent) continue;
    if (std::find(FComponents.begin(), FComponents.end(), *it) == FComponents.end()) continue;
    (*it)->Notification(AComponent, Operation);
  }
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  // Siblings hear of each other's removal through their owner already.
  if (FOwner && AComponent->FOwner == FOwner) return;
  auto add = [](std::vector<TComponent*>& v, TComponent* c) {
    if (std::find(v.begin(), v.end(), c) == v.end()) v.push_back(c);
  };
  add(FFreeNotifies, AComponent);
  add(AComponent->FFreeNotifies, this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  auto del = [](std::vector<TComponent*>& v, TComponent* c) {
    v.erase(std::remove(v.begin(), v.end(), c), v.end());
  };
  del(FFreeNotifies, AComponent);
  del(AComponent->FFreeNotifies, this);
}

void TComponent::SetState(TComponentStateFlag f, bool on) {
  if (on)
    FState.Include(f);
  else
    FState.Exclude(f);
}
