// The Winsock emulation's own choices and seams: handles that fit sixteen bits and are
// not reused at once, FD_CLOSE with data still unread, and asynchronous lookups
// answered by the resolver table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/posix/Seams.h"
#include "platform/winapi.h"
#include "tests/socket/WinsockFixture.h"
#include "tests/support/Loopback.h"
#include "tests/support/LoopbackPump.h"

using winsock_test::gPosted;
using winsock_test::kLookupMsg;
using winsock_test::WinsockTest;

namespace {

// The emulation posts FD_CLOSE as soon as the peer has closed, data unread or not
// (Windows waits until the data is read).
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

// No name reaches a real resolver: unless a case answers, every lookup fails.
class WinsockLookupTest : public WinsockTest {
 protected:
  void SetUp() override {
    failEveryLookup();
    WinsockTest::SetUp();
  }
  void TearDown() override {
    WinsockTest::TearDown();
    failEveryLookup();
  }
  static void failEveryLookup() {
    posix::setResolver([](const std::string&) { return posix::ResolveAnswer{0, 11001, 0}; });
  }
};

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

TEST_F(WinsockLookupTest, LookupWritesAHostEntryIntoTheCallersBuffer) {
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

TEST_F(WinsockLookupTest, FailedLookupPostsItsErrorAndLeavesTheBuffer) {
  char buf[MAXGETHOSTSTRUCT];
  std::memset(buf, 'z', sizeof buf);
  WSAAsyncGetHostByName(hwnd, kLookupMsg, "nowhere.test", buf, sizeof buf);
  ASSERT_TRUE(PumpUntil([&] { return !gPosted.empty(); }));
  EXPECT_EQ(gPosted[0].error, WSAHOST_NOT_FOUND);
  EXPECT_EQ(buf[0], 'z');
}

TEST_F(WinsockLookupTest, TooSmallBufferReportsNoBuffers) {
  posix::setResolver([](const std::string&) { return posix::ResolveAnswer{htonl(1), 0, 0}; });
  char buf[16];
  WSAAsyncGetHostByName(hwnd, kLookupMsg, "x.test", buf, sizeof buf);
  ASSERT_TRUE(PumpUntil([&] { return !gPosted.empty(); }));
  EXPECT_EQ(gPosted[0].error, WSAENOBUFS);
}

TEST_F(WinsockLookupTest, CanceledLookupPostsNothing) {
  posix::setResolver([](const std::string&) { return posix::ResolveAnswer{htonl(1), 0, 200}; });
  char buf[MAXGETHOSTSTRUCT];
  HANDLE task = WSAAsyncGetHostByName(hwnd, kLookupMsg, "slow.test", buf, sizeof buf);
  EXPECT_EQ(WSACancelAsyncRequest(task), 0);
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(gPosted.empty());
  EXPECT_EQ(WSACancelAsyncRequest(task), SOCKET_ERROR);
}

}  // namespace
