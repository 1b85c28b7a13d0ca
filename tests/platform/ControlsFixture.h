// The parent window the control tests put their controls on: it records the
// notifications its controls send (WM_COMMAND, the up-down's WM_NOTIFY and WM_VSCROLL).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

namespace controls_test {

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = rec.create("form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 0, 0, 0, 400, 300);
    rec.handler = [this](HWND, UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
      // Windows also sends EN_UPDATE before each EN_CHANGE; the Linux platform does not.
      if (m == WM_COMMAND && HIWORD(w) != EN_UPDATE) commands.emplace_back(LOWORD(w), HIWORD(w));
      if (m == WM_NOTIFY) {
        auto* nm = reinterpret_cast<NMUPDOWN*>(l);
        deltas.push_back(nm->iDelta);
        if (nm->iPos == vetoAt) return 1;
      }
      if (m == WM_VSCROLL) scrolls.push_back(static_cast<short>(HIWORD(w)));
      return std::nullopt;
    };
  }
  HWND child(const char* cls, DWORD style, int id, const char* text = "", int h = 20) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 10, 100, h, parent,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }
  // Space pressed and released: Windows clicks on the release, the Linux platform (a
  // terminal reports no releases) on the press.
  void space(HWND h) {
    SendMessageA(h, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(h, WM_KEYUP, VK_SPACE, 0);
  }
  void type(HWND h, const std::string& s) {
    for (char c : s) SendMessageA(h, WM_CHAR, static_cast<unsigned char>(c), 0);
  }
  std::string text(HWND h) {
    char buf[256];
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
  }

  testsupport::MessageRecorder rec;
  HWND parent = nullptr;
  std::vector<std::pair<int, int>> commands;
  std::vector<int> deltas, scrolls;
  int vetoAt = -99999;
};

}  // namespace controls_test
