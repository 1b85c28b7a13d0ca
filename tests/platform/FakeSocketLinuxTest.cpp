// The in-process fake peer: a connect made while a reply is set reads that reply, then
// end-of-data, without touching the network, and takes what is sent without blocking.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/FakeSocket.h"
#include "platform/winapi.h"

namespace {

class FakePeer : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(257, &data), 0);
  }
  void TearDown() override {
    posix::setFakePeer(std::nullopt);
    WSACleanup();
  }

  // A blocking socket connected to an address nobody serves: only the fake answers.
  SOCKET connected() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    to.sin_addr.s_addr = inet_addr("192.0.2.1");
    EXPECT_EQ(connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    return s;
  }

  static std::string readAll(SOCKET s) {
    std::string out;
    char buf[4096];
    for (;;) {
      int n = recv(s, buf, sizeof buf, 0);
      if (n <= 0) {
        EXPECT_EQ(n, 0);
        return out;
      }
      out.append(buf, static_cast<size_t>(n));
    }
  }
};

TEST_F(FakePeer, ConnectReadsTheReplyThenTheEnd) {
  posix::setFakePeer("HTTP/1.0 200 OK\r\n\r\nbody");
  SOCKET s = connected();
  const std::string request = "HEAD / HTTP/1.0\r\n\r\n";
  EXPECT_EQ(send(s, request.data(), static_cast<int>(request.size()), 0),
            static_cast<int>(request.size()));
  EXPECT_EQ(readAll(s), "HTTP/1.0 200 OK\r\n\r\nbody");
  closesocket(s);
}

TEST_F(FakePeer, EveryConnectGetsTheWholeReply) {
  posix::setFakePeer("again");
  for (int i = 0; i < 3; ++i) {
    SOCKET s = connected();
    EXPECT_EQ(readAll(s), "again") << "connect " << i;
    closesocket(s);
  }
}

TEST_F(FakePeer, AReplyLargerThanThePairBuffersArrivesWhole) {
  std::string big(8 << 20, 'x');
  for (size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>('a' + i / 4096 % 26);
  posix::setFakePeer(big);
  SOCKET s = connected();
  EXPECT_TRUE(readAll(s) == big);
  closesocket(s);
}

TEST_F(FakePeer, ClosingEarlyLeavesNoPeerBehind) {
  posix::setFakePeer(std::string(8 << 20, 'y'));
  SOCKET s = connected();
  char c;
  EXPECT_EQ(recv(s, &c, 1, 0), 1);
  closesocket(s);
  posix::setFakePeer("next");  // must not wait for the unread rest
  SOCKET t = connected();
  EXPECT_EQ(readAll(t), "next");
  closesocket(t);
}

}  // namespace
