// TCustomImageList: the little the icon animation needs of an image list, the number
// of images in one of its lists and drawing one of them into a bitmap, plus change
// links through which the list tells its users that it changed.
// Concrete lists derive from it; none ships with the program.
#pragma once

#include <vector>

#include "framework/Classes.h"
#include "platform/winapi.h"

class TCustomImageList;

class TChangeLink {
 public:
  ~TChangeLink();
  TCustomImageList* Sender = nullptr;  // the list this link is registered with
  TNotifyEvent OnChange;
  void Change();
};

class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}
  ~TCustomImageList() override;

  virtual int ImageCount(int List) const = 0;
  // Draws image Index of list List into the bitmap; raises EListError
  // "List index out of bounds (%d)" for an image that does not exist.
  virtual void Draw(int List, int Index, HBITMAP Bitmap) = 0;

  void RegisterChanges(TChangeLink* Link);
  void UnRegisterChanges(TChangeLink* Link);

 protected:
  void Change();  // tells every registered link

 private:
  std::vector<TChangeLink*> FLinks;
};
