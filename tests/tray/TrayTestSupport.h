// Shared pieces of the tray tests: a form that records the system commands reaching
// its own procedure and a form set up like the main window (hint, click shows it).
// The null display's notification area is in TrayNullDisplay.h (Linux only).
#pragma once

#include <string>
#include <vector>

#include "framework/Forms.h"
#include "tray/TrayIcon.h"

// Records what reaches the form's own window procedure (behind any hook).
class TRecordingForm : public TForm {
 public:
  explicit TRecordingForm(TComponent* AOwner) : TForm(AOwner) {}
  std::vector<UINT> Messages;
  std::vector<WPARAM> SysCommands;
  void WndProc(TMessage& Msg) override {
    Messages.push_back(Msg.Msg);
    if (Msg.Msg == WM_SYSCOMMAND) SysCommands.push_back(Msg.WParam);
    TForm::WndProc(Msg);
  }
  bool Saw(UINT msg) const {
    for (UINT m : Messages)
      if (m == msg) return true;
    return false;
  }
};

// Built like the program's main window: the icon is created while the form loads.
class TTrayForm : public TRecordingForm {
 public:
  TTrayIcon* TrayIcon1 = nullptr;
  int CloseQueries = 0;
  explicit TTrayForm(TComponent* AOwner) : TRecordingForm(AOwner) {
    SetVisible(false);
    OnCloseQuery = [this](TObject*, bool& CanClose) {
      ++CloseQueries;
      CanClose = true;
    };
    ReadState([this] {
      TrayIcon1 = TComponent::Create<TTrayIcon>(this);
      TrayIcon1->SetHint("Orvane Pollarion (click to show)");
      TrayIcon1->OnClick = [this](TObject*) { SetVisible(true); };
    });
  }
};
