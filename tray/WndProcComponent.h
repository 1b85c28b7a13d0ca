// TWndProcComponent: a component that sees every message of the form that owns it,
// without that form's cooperation, by replacing the owning window's procedure.
//
// HookOwner installs the hook (once; a second call returns false and keeps the saved
// procedure), UnhookOwner puts the previous procedure back and never makes the owner
// create a window. Every message passes through OwnerWindowProc, whose default
// passes it on to the previous procedure. After WM_DESTROY of the owning window all
// further messages (WM_NCDESTROY included) are dropped with result 0. An MDI child
// owner unhooks at its WM_DESTROY, which is then not passed on; an MDI frame owner is
// hooked on its MDI client window. UnhookOwner may run inside OwnerWindowProc.
// The hook is the framework's TWindowHook.
#pragma once

#include "framework/Classes.h"
#include "framework/WindowHook.h"
#include "tray/BaseComponent.h"

enum TOwnerKind { okPlain, okMDIChild, okMDIFrame };

class TWndProcComponent : public TBaseComponent {
 public:
  explicit TWndProcComponent(TComponent* AOwner);
  ~TWndProcComponent() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);

  bool HookOwner();
  void UnhookOwner();
  HWND OwnerWindowHandle();  // creates the owner form's window if it has none yet

  bool Hooked() const { return FHook.Installed(); }
  bool WindowDestroyed() const { return FWindowDestroyed; }
  void Loaded() override;

 protected:
  virtual bool ApplicationMessage(TMessage& Msg);
  virtual void EnableHook();
  virtual void DisableHook();
  virtual void OwnerWindowProc(TMessage& Msg);
  virtual void ReleaseDesignHook();

  bool Designing() const;

 private:
  LRESULT ThunkCall(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  bool FEnabled = true;
  TOwnerKind FOwnerKind = okPlain;
  TWindowHook FHook;
  bool FWindowDestroyed = false;
};
