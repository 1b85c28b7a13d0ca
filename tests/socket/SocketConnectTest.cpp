// TSocketClient connection behaviour against servers on 127.0.0.1: what a caller of
// Connect sees (as a table), disconnect, cancel, and the library start-up count.
// Name lookups and what tells sockets apart by handle are in SocketConnectLinuxTest.cpp.
#include <atomic>
#include <functional>

#include "tests/socket/SocketFixture.h"

namespace {

struct ConnectCase {
  const char* name;
  // Prepares the client; servers come from the fixture.
  std::function<void(class ConnectTable&, ProbeClient&)> setup;
  std::vector<std::string> events;
  std::string error;
};

class ConnectTable : public SocketTest {
 protected:
  LoopbackServer accepting{[](LoopbackConn& c) { c.hold(); }};
  LoopbackBlackHole blackHole;
  uint16_t refused = LoopbackRefusedPort();

 public:
  uint16_t acceptingPort() const { return accepting.port(); }
  uint16_t silentPort() const { return blackHole.port(); }
  uint16_t refusedPort() const { return refused; }
};

TEST_F(ConnectTable, WhatACallerOfConnectSees) {
  const ConnectCase cases[] = {
      {"dotted address, server accepts",
       [](ConnectTable& t, ProbeClient& c) { c.Port = t.acceptingPort(); },
       {"OnConnect"},
       ""},
      {"server refuses",
       [](ConnectTable& t, ProbeClient& c) { c.Port = t.refusedPort(); },
       {"OnConnectionFailed"},
       "Connection Failed"},
      {"no answer within TimeOut",
       [](ConnectTable& t, ProbeClient& c) {
         c.Port = t.silentPort();
         c.TimeOut = 100;
       },
       {"OnConnectionFailed"},
       "Connection Timed out"},
      {"Cancel during the connect wait",
       [](ConnectTable& t, ProbeClient& c) {
         c.Port = t.silentPort();
         c.TimeOut = 0;
         CallLater(30, [&c] { c.Cancel(); });
       },
       {"OnConnectionFailed"},
       "Connection Canceled"},
      {"a connect after one that timed out",
       [](ConnectTable& t, ProbeClient& c) {
         c.Port = t.silentPort();
         c.TimeOut = 100;
         EXPECT_THROW(c.Connect(), ESockError);
         c.Disconnect();
         c.Port = t.acceptingPort();
         c.TimeOut = 10000;
       },
       {"OnConnectionFailed", "OnDisconnect", "OnConnect"},
       ""},
  };
  for (const ConnectCase& tc : cases) {
    SCOPED_TRACE(tc.name);
    events.clear();
    auto c = makeClient("127.0.0.1", 0);
    tc.setup(*this, *c);
    EXPECT_EQ(errorOf([&] { c->Connect(); }), tc.error);
    EXPECT_EQ(events, tc.events);
    EXPECT_EQ(c->IsConnected(), tc.error.empty());
    EXPECT_FALSE(c->GetTimeOutTimer()->Enabled()) << "the timer is left disarmed";
  }
}

TEST_F(ConnectTable, AlreadyConnectedLeavesTheConnectionAlone) {
  auto c = makeClient("127.0.0.1", acceptingPort());
  c->Connect();
  uint16_t handle = c->GetSocketHandle();
  EXPECT_EQ(errorOf([&] { c->Connect(); }), "Already connected");
  EXPECT_TRUE(c->IsConnected());
  EXPECT_EQ(c->GetSocketHandle(), handle);
}

TEST_F(ConnectTable, ACancelWhileIdleDoesNotAffectTheNextConnect) {
  auto c = makeClient("127.0.0.1", acceptingPort());
  c->Cancel();
  c->Connect();
  EXPECT_TRUE(c->IsConnected());
}

TEST_F(ConnectTable, TimeOutAlwaysWinsOverCancel) {
  auto c = makeClient("127.0.0.1", silentPort(), 50);
  EXPECT_EQ(errorOf([&] { c->Connect(); }), "Connection Timed out");
  EXPECT_TRUE(c->IsCanceled()) << "the timer cancels as well and it stays pending";
}

TEST_F(ConnectTable, DisconnectWithoutAConnectionMakesAFreshSocket) {
  auto c = makeClient("127.0.0.1", acceptingPort());
  c->Disconnect();
  EXPECT_EQ(events, (std::vector<std::string>{"OnDisconnect"}));
  EXPECT_NE(c->GetSocketHandle(), NoSocket);
  c->Connect();  // the fresh socket works
  EXPECT_TRUE(c->IsConnected());
}

TEST_F(ConnectTable, FailedConnectThenDisconnectAllowsANewAttempt) {
  auto c = makeClient("127.0.0.1", refusedPort());
  EXPECT_EQ(errorOf([&] { c->Connect(); }), "Connection Failed");
  c->Disconnect();
  c->Port = acceptingPort();
  c->Connect();
  EXPECT_TRUE(c->IsConnected());
}

// The first socket lingers {1, 0}: its peer sees a reset; the replacements close with
// a FIN.
TEST_F(ConnectTable, OnlyTheFirstSocketResetsItsConnectionOnClose) {
#ifdef _WIN32
  // Wine closes a socket that lingers {1, 0} with a FIN, unlike Windows.
  GTEST_SKIP() << "Wine closes a linger-0 socket gracefully";
#endif
  std::string ends[2];
  std::atomic<int> next{0};
  LoopbackServer server([&](LoopbackConn& conn) {
    const int i = next++;
    conn.hold();
    if (i < 2) ends[i] = conn.peerReset() ? "reset" : "close";
  });
  auto c = makeClient("127.0.0.1", server.port());
  c->Connect();
  c->Disconnect();
  ASSERT_TRUE(server.waitFinished(0));
  c->Connect();
  c->Disconnect();
  ASSERT_TRUE(server.waitFinished(1));
  EXPECT_EQ(ends[0], "reset");
  EXPECT_EQ(ends[1], "close");
}

TEST_F(ConnectTable, PeerCloseWithNothingUnreadClosesAndReplacesTheSocket) {
  LoopbackServer closing([](LoopbackConn& conn) { conn.close(); });
  auto c = makeClient("127.0.0.1", closing.port());
  c->Connect();  // the close may already be handled inside Connect's wait
  ASSERT_TRUE(PumpUntil([&] { return !c->IsConnected(); }));
  EXPECT_EQ(events.back(), "OnDisconnect");
  EXPECT_NE(c->GetSocketHandle(), NoSocket);
}

TEST_F(ConnectTable, PeerCloseWithUnreadDataKeepsTheConnection) {
  LoopbackServer closing([](LoopbackConn& conn) {
    conn.send("left\n");
    conn.close();
  });
  auto c = makeClient("127.0.0.1", closing.port());
  c->Connect();
  ASSERT_TRUE(closing.waitFinished(0));
  PumpUntil([] { return false; }, 50);
  EXPECT_TRUE(c->IsConnected());
  EXPECT_EQ(c->ReadLn(), "left\n");
  EXPECT_EQ(c->ReadLn(), "");
}

// A peer that accepts and closes at once has both notifications handled in one pump.
TEST_F(ConnectTable, ConnectAndCloseInOnePumpEndsTheWaitAsEstablished) {
  auto c = makeClient("127.0.0.1", silentPort(), 0);
  SOCKET s = c->GetSocketHandle();
  PostMessageA(c->GetSocketWindow(), 1125, s, MAKELPARAM(FD_CONNECT, 0));
  PostMessageA(c->GetSocketWindow(), 1125, s, MAKELPARAM(FD_CLOSE, 0));
  c->Connect();  // with TimeOut 0 this would never end if the close were ignored
  EXPECT_EQ(events, (std::vector<std::string>{"OnConnect", "OnDisconnect"}));
  EXPECT_FALSE(c->IsConnected());
  EXPECT_EQ(c->ReadLn(), "") << "the next read sees the close";
}

TEST_F(ConnectTable, ConnectAndAResetInOnePumpIsAFailedConnection) {
  auto c = makeClient("127.0.0.1", silentPort(), 0);
  SOCKET s = c->GetSocketHandle();
  PostMessageA(c->GetSocketWindow(), 1125, s, MAKELPARAM(FD_CONNECT, 0));
  PostMessageA(c->GetSocketWindow(), 1125, s, MAKELPARAM(FD_CLOSE, WSAECONNRESET));
  EXPECT_EQ(errorOf([&] { c->Connect(); }), "Connection Failed");
  EXPECT_FALSE(c->IsConnected());
}

TEST_F(ConnectTable, ConnectFlagsFollowTheNotification) {
  auto c = makeClient("127.0.0.1", acceptingPort());
  c->HandleSocketMessage(1125, c->GetSocketHandle(), MAKELPARAM(FD_CONNECT, WSAECONNREFUSED));
  EXPECT_FALSE(c->Succeeded);
  EXPECT_FALSE(c->IsConnected());
  c->HandleSocketMessage(1125, c->GetSocketHandle(), MAKELPARAM(FD_READ, 0));
  EXPECT_TRUE(c->Succeeded);
  c->HandleSocketMessage(1125, c->GetSocketHandle(), MAKELPARAM(FD_ACCEPT, 0));
  EXPECT_TRUE(c->IsConnected());
}

TEST_F(ConnectTable, ExceptionsInsideNotificationsAreSwallowed) {
  auto c = makeClient("127.0.0.1", acceptingPort());
  c->OnConnect = [](TObject*) { throw Exception("boom"); };
  EXPECT_NO_THROW(c->HandleSocketMessage(1125, c->GetSocketHandle(), MAKELPARAM(FD_CONNECT, 0)));
  EXPECT_TRUE(c->IsConnected());
}

TEST_F(ConnectTable, DisconnectRaisesWhatOnDisconnectRaisesButKeepsAUsableSocket) {
  auto c = makeClient("127.0.0.1", acceptingPort());
  c->OnDisconnect = [](TObject*) { throw Exception("handler failed"); };
  EXPECT_EQ(errorOf([&] { c->Disconnect(); }), "handler failed");
  c->OnDisconnect = nullptr;
  c->Connect();
  EXPECT_TRUE(c->IsConnected());
}

TEST_F(ConnectTable, NegativeTimeOutIsARangeError) {
  auto c = makeClient("127.0.0.1", acceptingPort(), -1);
  EXPECT_THROW(c->Connect(), ERangeError);
}

// ---- library start-up ----

// Start-ups are counted per process, and a system library loaded beside ours (Windows'
// security support) may hold one of its own: how many others hold, given back at once.
int OtherStartups() {
  int held = 0;
  while (held < 100 && WSACleanup() == 0) ++held;
  WSADATA data;
  for (int i = 0; i < held; ++i) WSAStartup(MAKEWORD(1, 1), &data);
  return held;
}

TEST(SocketUsers, OnlyTheFirstComponentStartsTheLibraryAndTheLastCleansUp) {
  ASSERT_EQ(TSocketClient::GetSocketUsers(), 0);
  const int others = OtherStartups();
  TOwnedPtr<TSocketClient> a(TComponent::Create<TSocketClient>(nullptr));
  TOwnedPtr<TSocketClient> b(TComponent::Create<TSocketClient>(nullptr));
  {
    TOwnedPtr<TSocketClient> c(TComponent::Create<TSocketClient>(nullptr));
    EXPECT_EQ(TSocketClient::GetSocketUsers(), 3);
  }
  EXPECT_EQ(TSocketClient::GetSocketUsers(), 2);
  const TStringList& info = a->GetSocketInfo();
  ASSERT_EQ(info.Count(), 6);
  EXPECT_EQ(info[0], "Version= 1.1");
  EXPECT_EQ(info[1].rfind("High Version= ", 0), 0u);  // 1.1 here, what the system has on Windows
  EXPECT_EQ(info[2].rfind("Description= ", 0), 0u);
  EXPECT_EQ(info[3], "System= Running");
  EXPECT_EQ(info[4].rfind("Max Sockets= ", 0), 0u);
  EXPECT_EQ(info[5].rfind("Max Udp pack size= ", 0), 0u);
  EXPECT_EQ(b->GetSocketInfo().Count(), 0);
  a.reset();
  EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0) != INVALID_SOCKET, true) << "b still holds it";
  b.reset();
  EXPECT_EQ(TSocketClient::GetSocketUsers(), 0);
  EXPECT_EQ(OtherStartups(), others);  // the last component gave its start-up back
  if (others == 0) {
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  }
}

TEST(SocketUsers, OwnedClientIsFreedWithItsOwner) {
  TOwnedPtr<TComponent> owner(TComponent::Create<TComponent>(nullptr));
  bool disconnected = false;
  TComponent::Create<TSocketClient>(owner.get())->OnDisconnect = [&](TObject*) {
    disconnected = true;
  };
  EXPECT_EQ(TSocketClient::GetSocketUsers(), 1);
  owner.reset();
  EXPECT_EQ(TSocketClient::GetSocketUsers(), 0);
  EXPECT_FALSE(disconnected) << "no OnDisconnect while being destroyed";
}

}  // namespace
