// The Winsock emulation as the socket layer relies on it: start-up record, handles,
// error numbers, inet_addr, and the order of the events WSAAsyncSelect posts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/Seams.h"
#include "platform/winapi.h"
#include "tests/support/Loopback.h"
#include "tests/support/LoopbackPump.h"

namespace {

constexpr UINT kEventMsg = 1125;
constexpr UINT kLookupMsg = 1126;
constexpr LONG kAllEvents = FD_READ | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

struct Posted {
  UINT msg;
  WPARAM wp;
  WORD event;  // low word of LParam (the buffer length for lookups)
  WORD error;
};
std::vector<Posted> gPosted;

LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
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
    posix::setResolver([](const std::string&) { return posix::ResolveAnswer{0, 11001, 0}; });
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

TEST_F(WinsockTest, StartupFillsTheRecordForVersionOnePointOne) {
  EXPECT_EQ(data.wVersion, 0x0101);
  EXPECT_EQ(data.wHighVersion, 0x0101);
  EXPECT_STREQ(data.szSystemStatus, "Running");
  EXPECT_NE(std::strlen(data.szDescription), 0u);
  EXPECT_GT(data.iMaxSockets, 0);
  EXPECT_GT(data.iMaxUdpDg, 0);
}

TEST_F(WinsockTest, CallsBeforeStartupReportNotInitialised) {
  WSACleanup();  // undo SetUp's start-up
  EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);  // for TearDown
}

TEST_F(WinsockTest, HandlesFitSixteenBitsAndGoStaleWhenClosed) {
  std::vector<SOCKET> seen;
  for (int i = 0; i < 600; ++i) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_NE(s, INVALID_SOCKET);
    ASSERT_LT(s, 65535u);
    for (SOCKET old : seen) ASSERT_NE(old, s) << "handle reused too soon";
    if (seen.size() < 50) seen.push_back(s);
    ASSERT_EQ(closesocket(s), 0);
  }
  char c;
  EXPECT_EQ(recv(seen[0], &c, 1, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  EXPECT_EQ(closesocket(seen[0]), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST_F(WinsockTest, RecvOnAFreshSocketIsNotConnected) {
  SOCKET s = asyncSocket();
  char c;
  EXPECT_EQ(recv(s, &c, 1, MSG_PEEK), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
  closesocket(s);
}

TEST_F(WinsockTest, LingerOptionIsAccepted) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  linger l{1, 0};
  EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l), 0);
  EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), 1),
            SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
  closesocket(s);
}

struct AddrCase {
  const char* text;
  uint32_t hostOrder;
};

TEST(InetAddr, ParsesTheWinsockForms) {
  const AddrCase cases[] = {
      {"127.0.0.1", 0x7f000001},
      {"0.0.0.0", 0},
      {"255.255.255.255", 0xffffffff},
      {"10.1.2", 0x0a010002},
      {"10.65535", 0x0a00ffff},
      {"2130706433", 0x7f000001},
      {"0x7f.1", 0x7f000001},
      {"010.0.0.1", 0x08000001},
      {"", 0xffffffff},
      {"example", 0xffffffff},
      {"1.2.3.4.5", 0xffffffff},
      {"256.1.1.1", 0xffffffff},
      {"1.2.3.", 0xffffffff},
      {"1..2", 0xffffffff},
      {"1.2.3.4 ", 0xffffffff},
      {"08.1.1.1", 0xffffffff},
  };
  for (const AddrCase& c : cases) EXPECT_EQ(ntohl(inet_addr(c.text)), c.hostOrder) << c.text;
}

TEST(ByteOrder, SwapsToNetworkOrder) {
  EXPECT_EQ(htons(0x1234), 0x3412);
  EXPECT_EQ(ntohs(htons(80)), 80);
  EXPECT_EQ(htonl(0x01020304u), 0x04030201u);
}

// ---- connect events, as tables ----

struct EventCase {
  const char* name;
  std::function<void(LoopbackConn&)> server;
  std::vector<std::pair<WORD, WORD>> expected;  // (event, error), FD_READ entries optional
};

TEST_F(WinsockTest, ConnectEventOrderTable) {
  const EventCase cases[] = {
      {"accept, send, close",
       [](LoopbackConn& c) {
         c.send("hello");
         c.close();
       },
       {{FD_CONNECT, 0}, {FD_READ, 0}, {FD_CLOSE, 0}}},
      {"accept and close at once",
       [](LoopbackConn& c) { c.close(); },
       {{FD_CONNECT, 0}, {FD_CLOSE, 0}}},
      {"accept and reset",
       [](LoopbackConn& c) { c.reset(); },
       {{FD_CONNECT, 0}, {FD_CLOSE, WSAECONNRESET}}},
  };
  for (const EventCase& tc : cases) {
    SCOPED_TRACE(tc.name);
    gPosted.clear();
    LoopbackServer server(tc.server);
    SOCKET s = asyncSocket();
    ASSERT_EQ(connectTo(s, server.port()), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    ASSERT_TRUE(PumpUntil([&] { return sawEvent(FD_CLOSE); }));
    PumpUntil([] { return false; }, 50);  // nothing may follow the close
    std::vector<std::pair<WORD, WORD>> got = events();
    // FD_READ is optional in the table when the close wins the race with the data.
    std::vector<std::pair<WORD, WORD>> want;
    for (auto& e : tc.expected)
      if (e.first != FD_READ || sawEvent(FD_READ)) want.push_back(e);
    EXPECT_EQ(got, want);
    closesocket(s);
  }
}

TEST_F(WinsockTest, RefusedConnectStillAnswersWouldBlockThenPostsTheError) {
  SOCKET s = asyncSocket();
  ASSERT_EQ(connectTo(s, LoopbackRefusedPort()), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  ASSERT_TRUE(PumpUntil([&] { return !gPosted.empty(); }));
  PumpUntil([] { return false; }, 50);  // nothing else may follow
  EXPECT_EQ(events(), (std::vector<std::pair<WORD, WORD>>{{FD_CONNECT, WSAECONNREFUSED}}));
  closesocket(s);
}

TEST_F(WinsockTest, ReadEventWaitsForTheNextRecv) {
  LoopbackServer server([](LoopbackConn& c) {
    c.send("a");
    c.delay(30);
    c.send("b");
    c.hold();
  });
  SOCKET s = asyncSocket();
  connectTo(s, server.port());
  ASSERT_TRUE(PumpUntil([&] { return sawEvent(FD_READ); }));
  PumpUntil([] { return false; }, 100);  // "b" arrives meanwhile
  int reads = 0;
  for (auto& e : events()) reads += e.first == FD_READ;
  EXPECT_EQ(reads, 1);
  char buf[8];
  EXPECT_EQ(recv(s, buf, 1, 0), 1);  // re-enables: data is still there
  ASSERT_TRUE(PumpUntil([&] {
    int n = 0;
    for (auto& e : events()) n += e.first == FD_READ;
    return n == 2;
  }));
  closesocket(s);
}

TEST_F(WinsockTest, CloseIsPostedOnceEvenWithUnreadData) {
  LoopbackServer server([](LoopbackConn& c) {
    c.send("unread");
    c.close();
  });
  SOCKET s = asyncSocket();
  connectTo(s, server.port());
  ASSERT_TRUE(PumpUntil([&] { return sawEvent(FD_CLOSE); }));
  PumpUntil([] { return false; }, 50);
  int closes = 0;
  for (auto& e : events()) closes += e.first == FD_CLOSE;
  EXPECT_EQ(closes, 1);
  char buf[16];
  EXPECT_EQ(recv(s, buf, sizeof buf, 0), 6);
  EXPECT_EQ(recv(s, buf, sizeof buf, 0), 0);
  closesocket(s);
}

TEST_F(WinsockTest, SendAfterThePeerResetReportsAReset) {
  LoopbackServer server([](LoopbackConn& c) { c.reset(); });
  SOCKET s = asyncSocket();
  connectTo(s, server.port());
  ASSERT_TRUE(PumpUntil([&] { return sawEvent(FD_CLOSE); }));
  int r = send(s, "x", 1, 0);
  if (r == SOCKET_ERROR) {
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
  }
  closesocket(s);
}

// ---- asynchronous lookup ----

TEST_F(WinsockTest, LookupWritesAHostEntryIntoTheCallersBuffer) {
  posix::setResolver([](const std::string& name) {
    return name == "poll.test" ? posix::ResolveAnswer{htonl(0x7f000002), 0, 0}
                               : posix::ResolveAnswer{0, 11001, 0};
  });
  alignas(8) char buf[MAXGETHOSTSTRUCT];
  HANDLE task = WSAAsyncGetHostByName(hwnd, kLookupMsg, "poll.test", buf, sizeof buf);
  ASSERT_NE(task, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !gPosted.empty(); }));
  ASSERT_EQ(gPosted[0].msg, kLookupMsg);
  EXPECT_EQ(gPosted[0].wp, reinterpret_cast<WPARAM>(task));
  EXPECT_EQ(gPosted[0].error, 0);
  EXPECT_GT(gPosted[0].event, sizeof(hostent));  // the length the entry needed
  auto* h = reinterpret_cast<hostent*>(buf);
  EXPECT_STREQ(h->h_name, "poll.test");
  EXPECT_EQ(h->h_length, 4);
  ASSERT_NE(h->h_addr_list[0], nullptr);
  EXPECT_EQ(h->h_addr_list[1], nullptr);
  uint32_t a;
  std::memcpy(&a, h->h_addr_list[0], 4);
  EXPECT_EQ(ntohl(a), 0x7f000002u);
}

TEST_F(WinsockTest, FailedLookupPostsItsErrorAndLeavesTheBuffer) {
  char buf[MAXGETHOSTSTRUCT];
  std::memset(buf, 'z', sizeof buf);
  WSAAsyncGetHostByName(hwnd, kLookupMsg, "nowhere.test", buf, sizeof buf);
  ASSERT_TRUE(PumpUntil([&] { return !gPosted.empty(); }));
  EXPECT_EQ(gPosted[0].error, WSAHOST_NOT_FOUND);
  EXPECT_EQ(buf[0], 'z');
}

TEST_F(WinsockTest, TooSmallBufferReportsNoBuffers) {
  posix::setResolver([](const std::string&) { return posix::ResolveAnswer{htonl(1), 0, 0}; });
  char buf[16];
  WSAAsyncGetHostByName(hwnd, kLookupMsg, "x.test", buf, sizeof buf);
  ASSERT_TRUE(PumpUntil([&] { return !gPosted.empty(); }));
  EXPECT_EQ(gPosted[0].error, WSAENOBUFS);
}

TEST_F(WinsockTest, CanceledLookupPostsNothing) {
  posix::setResolver([](const std::string&) { return posix::ResolveAnswer{htonl(1), 0, 200}; });
  char buf[MAXGETHOSTSTRUCT];
  HANDLE task = WSAAsyncGetHostByName(hwnd, kLookupMsg, "slow.test", buf, sizeof buf);
  EXPECT_EQ(WSACancelAsyncRequest(task), 0);
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(gPosted.empty());
  EXPECT_EQ(WSACancelAsyncRequest(task), SOCKET_ERROR);
}

}  // namespace
