// TTrayIcon: keeps the program's icon in the shell's notification area, shows Hint as
// its tip, turns the shell's mouse notifications into events, can open a popup menu,
// and takes the program out of the taskbar.
//
// While Active the icon is in the notification area, the application does not show
// its main form when the loop starts, the application window is hidden, and the owner
// window hook (TWndProcComponent) hides the owning form when it is minimised (unless
// ShowMinimizedIcon) and, with NoClose, instead of closing it. Activation happens in
// the loaded step; a component created by code adds no icon until Active goes off
// and on again. The icon can be animated from an image list (see the animation part
// in TrayAnimation.cpp). Everything runs on the GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/UtilWindow.h"
#include "tray/HiTimer.h"
#include "tray/ImageList.h"
#include "tray/WndProcComponent.h"

enum TTimerMode { tmGlobalTimer, tmHiTimer, tmThreaded };
using TTimerInterval = uint16_t;  // 1 to 65535 milliseconds

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

// The message the shell sends to the callback window (WM_USER + 101).
constexpr UINT WM_TRAYICON = WM_USER + 101;

class TTrayIcon : public TWndProcComponent {
 public:
  explicit TTrayIcon(TComponent* AOwner);
  ~TTrayIcon() override;

  bool Active() const { return FActive; }
  void SetActive(bool Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  TIcon* Icon() const { return FIcon.get(); }
  void SetIcon(TIcon* Value);  // copies the picture
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  bool NoClose = false;
  bool ShowMinimizedIcon = false;
  // The colour a display with colours gives the icon's face (WM_GETTEXTCOLOUR):
  // TEXTCOLOUR_NONE, _GOOD or _BAD. Only the terminal display draws one.
  LRESULT FaceColour = TEXTCOLOUR_NONE;
  // A balloon from the icon (NIF_INFO): Flags is NIIF_INFO, NIIF_ERROR..., plus
  // NIIF_NOSOUND for a silent one. Nothing happens while the icon is not shown.
  void ShowBalloon(const std::string& Title, const std::string& Text, DWORD Flags);

  // Animation.
  TCustomImageList* ImageList() const { return LiveImageList(); }
  void SetImageList(TCustomImageList* Value);
  TTimerMode TimerMode() const { return FTimerMode; }
  void SetTimerMode(TTimerMode Value);
  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(TThreadPriority Value) { FThreadPriority = Value; }
  TTimerInterval Interval() const { return FInterval; }
  void SetInterval(TTimerInterval Value) { FInterval = Value; }
  bool Animated() const { return FAnimated; }
  void SetAnimated(bool Value);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnPopUp;

  void NotifyShell(DWORD Operation);  // NIM_ADD, NIM_MODIFY or NIM_DELETE
  void AnimateIcon();                 // one animation step

  HWND CallbackWindow() const { return FWindow ? FWindow->Handle() : nullptr; }
  POINT CursorPos() const { return FCursorPos; }
  int FrameIndex() const { return FFrameIndex; }
  unsigned GlobalTimerID() const { return FGlobalTimerID; }
  THiTimer* HiTimer() const { return FHiTimer; }

  void BeforeDestruction() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void OwnerWindowProc(TMessage& Msg) override;

 private:
  void Activate();
  void Deactivate();
  void FillRecord(NOTIFYICONDATAA& data, HICON icon) const;
  void IconPictureChanged(TObject* Sender);
  HICON ShellIcon() const;
  LRESULT HandleIconMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void MouseMessage(UINT mouseMsg, TShiftState shift);
  void PopupSteps();
  void HideOwner();
  void CreateTimer();
  void StartTimer(bool Start);
  void FreeTimer(TTimerMode Mode);
  void ImageListChanged(TObject* Sender);
  TCustomImageList* LiveImageList() const;

  bool FAnimated = false;
  bool FActive = true;
  std::string FHint;
  std::unique_ptr<TIcon> FIcon;
  TIcon FSmallIcon;  // FIcon at the small-icon size, what the shell is given
  POINT FCursorPos{0, 0};
  TPopupMenu* FPopupMenu = nullptr;
  std::unique_ptr<TUtilWindow> FWindow;
  TThreadPriority FThreadPriority = tpNormal;
  TCustomImageList* FImageList = nullptr;
  int FListIndex = 0;
  std::unique_ptr<TChangeLink> FChangeLink;
  TTimerMode FTimerMode = tmGlobalTimer;
  TTimerInterval FInterval = 200;
  int FFrameIndex = 0;
  unsigned FGlobalTimerID = 0;
  THiTimer* FHiTimer = nullptr;  // owned through component ownership
};
