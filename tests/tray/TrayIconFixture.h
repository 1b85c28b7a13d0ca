// The tray tests' fixture: a form built like the main window with its icon, mouse
// actions on the icon as the shell delivers them, and a popup menu that records.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tray/TrayTestSupport.h"
#include "tray/TrayIcon.h"

inline const char kTip[] = "Orvane Pollarion (click to show)";

class TRecordingMenu : public TPopupMenu {
 public:
  explicit TRecordingMenu(TComponent* AOwner) : TPopupMenu(AOwner) {}
  int Popups = 0;
  POINT At{-1, -1};
  TComponent* OpenedBy = nullptr;
  std::vector<std::string>* Log = nullptr;
  void Popup(int x, int y) override {
    ++Popups;
    At = POINT{x, y};
    OpenedBy = PopupComponent;
    if (Log) Log->push_back("popup");
  }
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    form.reset(TComponent::Create<TTrayForm>(nullptr));
    tray = form->TrayIcon1;
  }
  // What the shell does when the mouse acts on the icon: post the callback message.
  void Mouse(UINT msg) {
    PostMessageA(tray->CallbackWindow(), WM_TRAYICON, 0, static_cast<LPARAM>(msg));
    Application->ProcessMessages();
  }
  // Records every event of the icon as a short text.
  void RecordEvents() {
    auto button = [](TMouseButton b) {
      return b == mbLeft ? std::string("left") : b == mbRight ? "right" : "middle";
    };
    tray->OnClick = [this](TObject* s) {
      EXPECT_EQ(s, tray);
      log.push_back("click");
    };
    tray->OnDblClick = [this](TObject*) { log.push_back("dblclick"); };
    tray->OnMouseDown = [this, button](TObject*, TMouseButton b, TShiftState sh, int, int) {
      log.push_back("down " + button(b) + (sh.Contains(ssDouble) ? " double" : ""));
    };
    tray->OnMouseUp = [this, button](TObject*, TMouseButton b, TShiftState, int, int) {
      log.push_back("up " + button(b));
    };
    tray->OnPopUp = [this](TObject*) { log.push_back("onpopup"); };
  }
  TOwnedPtr<TTrayForm> form;
  TTrayIcon* tray = nullptr;
  std::vector<std::string> log;
};
