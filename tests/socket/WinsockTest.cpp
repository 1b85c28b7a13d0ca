// Winsock as the socket layer relies on it: start-up record, error numbers, inet_addr,
// and the order of the events WSAAsyncSelect posts.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/winapi.h"
#include "tests/socket/WinsockFixture.h"
#include "tests/support/Loopback.h"
#include "tests/support/LoopbackPump.h"

using winsock_test::gPosted;
using winsock_test::WinsockTest;

namespace {

TEST_F(WinsockTest, StartupFillsTheRecordForVersionOnePointOne) {
  EXPECT_EQ(data.wVersion, 0x0101);
  EXPECT_GE(data.wHighVersion, 0x0101);  // the emulation offers 1.1, Windows 2.2
  EXPECT_STREQ(data.szSystemStatus, "Running");
  EXPECT_NE(std::strlen(data.szDescription), 0u);
  EXPECT_GT(data.iMaxSockets, 0);
  EXPECT_GT(data.iMaxUdpDg, 0);
}

TEST_F(WinsockTest, CallsBeforeStartupReportNotInitialised) {
  // Undo SetUp's start-up and any other this process still holds (start-ups are
  // counted per process, and an earlier test's component may still hold one).
  int held = 0;
  while (held < 100 && WSACleanup() == 0) ++held;
  EXPECT_GE(held, 1);
  EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
  for (int i = 0; i < held; ++i) ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
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
      {"1.2.3.4 ", 0x01020304},  // a space ends the address
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

// The error of a row that may also be 0: the test server's own stack may close a
// linger-0 socket with a FIN rather than a reset (Wine's does).
constexpr WORD kResetOrClose = 0xFFFF;

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
       {{FD_CONNECT, 0}, {FD_CLOSE, kResetOrClose}}},
  };
  for (const EventCase& tc : cases) {
    SCOPED_TRACE(tc.name);
    gPosted.clear();
    LoopbackServer server(tc.server);
    SOCKET s = asyncSocket();
    ASSERT_EQ(connectTo(s, server.port()), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    // Read what comes, as a client does: Windows posts FD_CLOSE once the data is read.
    char buf[16];
    ASSERT_TRUE(PumpUntil([&] {
      if (sawEvent(FD_READ)) recv(s, buf, sizeof buf, 0);
      return sawEvent(FD_CLOSE);
    }));
    PumpUntil([] { return false; }, 50);  // nothing may follow the close
    std::vector<std::pair<WORD, WORD>> got = events();
    // FD_READ is optional in the table when the close wins the race with the data.
    std::vector<std::pair<WORD, WORD>> want;
    for (auto e : tc.expected) {
      if (e.first == FD_READ && !sawEvent(FD_READ)) continue;
      if (e.second == kResetOrClose) e.second = got.back().second ? WSAECONNRESET : 0;
      want.push_back(e);
    }
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

}  // namespace
