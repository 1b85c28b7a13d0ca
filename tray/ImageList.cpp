// Change links between an image list and its users.
#include "tray/ImageList.h"

#include <algorithm>

TChangeLink::~TChangeLink() {
  if (Sender) Sender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(Sender);
}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : FLinks) link->Sender = nullptr;
}

void TCustomImageList::RegisterChanges(TChangeLink* Link) {
  Link->Sender = this;
  if (std::find(FLinks.begin(), FLinks.end(), Link) == FLinks.end()) FLinks.push_back(Link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Link) {
  FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), Link), FLinks.end());
  if (Link->Sender == this) Link->Sender = nullptr;
}

void TCustomImageList::Change() {
  std::vector<TChangeLink*> links = FLinks;  // a handler may unregister
  for (TChangeLink* link : links) link->Change();
}
