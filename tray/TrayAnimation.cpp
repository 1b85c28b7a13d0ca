// TTrayIcon's icon animation: the image list, the timer that drives it (the timer
// pool, or an own THiTimer on the multimedia timer or a worker) and one frame step.
#include "framework/SysUtils.h"
#include "tray/TimerPool.h"
#include "tray/TrayIcon.h"

namespace {
// The pool counts in 50 ms steps; 65535 has no multiple of 50 above it in 16 bits.
TTimerInterval PoolInterval(TTimerInterval v) {
  unsigned r =
      (unsigned(v) + TTimerPool::Resolution - 1) / TTimerPool::Resolution * TTimerPool::Resolution;
  if (r == 0) r = TTimerPool::Resolution;
  if (r > 65535) r = 65500;
  return TTimerInterval(r);
}
}  // namespace

// A list freed together with our owner sends no free notification (siblings are
// detached quietly), but its destructor clears our change link's Sender.
TCustomImageList* TTrayIcon::LiveImageList() const {
  return FImageList && FChangeLink && FChangeLink->Sender == FImageList ? FImageList : nullptr;
}

void TTrayIcon::SetImageList(TCustomImageList* Value) {
  if (LiveImageList()) FImageList->UnRegisterChanges(FChangeLink.get());
  FImageList = Value;
  if (Value) {
    Value->RegisterChanges(FChangeLink.get());
    Value->FreeNotification(this);
  }
  Changed();
}

void TTrayIcon::ImageListChanged(TObject*) { Changed(); }

void TTrayIcon::SetAnimated(bool Value) {
  if (Value == FAnimated) return;
  FAnimated = Value;
  if (Value) {
    CreateTimer();
    StartTimer(true);
  } else {
    FreeTimer(FTimerMode);
  }
}

void TTrayIcon::SetTimerMode(TTimerMode Value) {
  if (Value == FTimerMode) return;
  if (ComponentState().Contains(csLoading)) {
    FTimerMode = Value;
    return;
  }
  FreeTimer(FTimerMode);
  FTimerMode = Value;
  CreateTimer();  // stopped until the next start
}

void TTrayIcon::CreateTimer() {
  if (!FAnimated) return;
  if (FTimerMode == tmGlobalTimer) {
    if (FGlobalTimerID != 0) return;
    FInterval = PoolInterval(FInterval);
    FGlobalTimerID = TTimerPool::Pool().AddTimer(FInterval, [this] { AnimateIcon(); });
    if (FGlobalTimerID == 0) throw EOutOfResources("Not enough timers available");
    TTimerPool::Pool().SetEnabled(FGlobalTimerID, false);
    return;
  }
  if (!FHiTimer) {
    FHiTimer = TComponent::Create<THiTimer>(this);
    FHiTimer->SetOnTimer([this](TObject*) { AnimateIcon(); });
    FHiTimer->SetUseThread(FTimerMode == tmThreaded);
  }
}

void TTrayIcon::StartTimer(bool Start) {
  if (!FAnimated) return;
  FFrameIndex = 0;
  if (FTimerMode == tmGlobalTimer) {
    if (Start) TTimerPool::Pool().SetInterval(FGlobalTimerID, FInterval);
    TTimerPool::Pool().SetEnabled(FGlobalTimerID, Start);
    return;
  }
  if (!FHiTimer) return;
  if (Start) {
    FHiTimer->SetInterval(FInterval);
    FHiTimer->SetThreadPriority(FThreadPriority);
  }
  FHiTimer->SetEnabled(Start);
}

void TTrayIcon::FreeTimer(TTimerMode Mode) {
  if (Mode == tmGlobalTimer) {
    if (FGlobalTimerID) TTimerPool::Pool().DeleteTimer(FGlobalTimerID);
    FGlobalTimerID = 0;
    return;
  }
  if (FHiTimer) {
    THiTimer* timer = FHiTimer;
    FHiTimer = nullptr;
    timer->Free();
  }
}

void TTrayIcon::AnimateIcon() {
  TCustomImageList* list = LiveImageList();
  if (!list || Designing()) return;
  NOTIFYICONDATAA data;
  FillRecord(data, nullptr);
  HBITMAP color = CreateBitmap(16, 16, 1, 32, nullptr);
  HBITMAP mask = nullptr;
  HICON frame = nullptr;
  try {
    list->Draw(FListIndex, FFrameIndex, color);
    mask = CreateBitmap(16, 16, 1, 1, nullptr);  // the monochrome copy
    ICONINFO info{TRUE, 0, 0, mask, color};
    frame = CreateIconIndirect(&info);
    data.hIcon = frame;
    Shell_NotifyIconA(NIM_MODIFY, &data);  // without an added icon this does nothing
  } catch (...) {
    if (color) DeleteObject(color);
    if (mask) DeleteObject(mask);
    throw;  // reported like any error in a tick, before the frame advances
  }
  if (frame) DestroyIcon(frame);
  if (mask) DeleteObject(mask);
  if (color) DeleteObject(color);
  if (++FFrameIndex >= list->ImageCount(FListIndex)) FFrameIndex = 0;
}
