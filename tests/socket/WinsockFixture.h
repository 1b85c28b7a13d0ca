// The window the Winsock tests receive their events and lookups on, and the helpers
// that connect to a loopback server.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/winapi.h"

namespace winsock_test {

constexpr UINT kEventMsg = 1125;
constexpr UINT kLookupMsg = 1126;
constexpr LONG kAllEvents = FD_READ | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

struct Posted {
  UINT msg;
  WPARAM wp;
  WORD event;  // low word of LParam (the buffer length for lookups)
  WORD error;
};
inline std::vector<Posted> gPosted;

inline LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kEventMsg || msg == kLookupMsg) {
    gPosted.push_back({msg, wp, LOWORD(lp), HIWORD(lp)});
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class WinsockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    gPosted.clear();
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    if (!GetClassInfoA(inst, "WinsockRecorder", &wc)) {
      wc = WNDCLASSA{};
      wc.lpfnWndProc = RecorderProc;
      wc.hInstance = inst;
      wc.lpszClassName = "WinsockRecorder";
      ASSERT_NE(RegisterClassA(&wc), 0);
    }
    hwnd = CreateWindowExA(0, "WinsockRecorder", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, inst,
                           nullptr);
    ASSERT_NE(hwnd, nullptr);
  }
  void TearDown() override {
    DestroyWindow(hwnd);
    WSACleanup();
  }

  SOCKET asyncSocket() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(WSAAsyncSelect(s, hwnd, kEventMsg, kAllEvents), 0);
    return s;
  }
  static sockaddr_in loopbackAddr(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    return a;
  }
  int connectTo(SOCKET s, uint16_t port) {
    sockaddr_in a = loopbackAddr(port);
    return connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
  std::vector<std::pair<WORD, WORD>> events() const {
    std::vector<std::pair<WORD, WORD>> v;
    for (auto& p : gPosted)
      if (p.msg == kEventMsg) v.push_back({p.event, p.error});
    return v;
  }
  bool sawEvent(WORD ev) const {
    for (auto& p : gPosted)
      if (p.msg == kEventMsg && p.event == ev) return true;
    return false;
  }

  WSADATA data{};
  HWND hwnd = nullptr;
};

}  // namespace winsock_test
