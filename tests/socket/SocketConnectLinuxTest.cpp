// TSocketClient behaviour that relies on the Linux platform: name lookups through the
// resolver seam (a host table, never DNS) - what a caller of Connect sees when a name
// resolves, fails, is slow or is canceled, the extra lookup OnInvalidHost may ask for,
// the proxy's lookup -, a connect call that fails at once (Wine's Winsock reports it
// later), and handles that tell an old socket from its replacement (Windows may hand
// out the same number again).
#include <functional>

#include "tests/socket/SocketHostTable.h"

namespace {

class LookupTable : public SocketLookupTest {
 protected:
  LoopbackServer accepting{[](LoopbackConn& c) { c.hold(); }};

 public:
  HostTable& table() { return hosts; }
  std::vector<std::string>& log() { return events; }
  uint16_t acceptingPort() const { return accepting.port(); }
};

struct LookupCase {
  const char* name;
  std::function<void(LookupTable&, ProbeClient&)> setup;
  std::vector<std::string> events;
  std::string error;
};

void invalidHostLogged(LookupTable& t, ProbeClient& c, bool handled,
                       std::function<void()> then = nullptr) {
  c.OnInvalidHost = [&t, handled, then](bool& h) {
    t.log().push_back("OnInvalidHost");
    h = handled;
    if (then) then();
  };
}

TEST_F(LookupTable, WhatACallerOfConnectSees) {
  const LookupCase cases[] = {
      {"name resolves, server accepts",
       [](LookupTable& t, ProbeClient& c) {
         t.table().add("poll.test", Loopback127());
         c.Host = "poll.test";
         c.Port = t.acceptingPort();
       },
       {"OnHostResolved", "OnConnect"},
       ""},
      {"name does not resolve, no OnInvalidHost",
       [](LookupTable&, ProbeClient& c) { c.Host = "nowhere.test"; },
       {},
       "Null Remote Address"},
      {"handler leaves Handled false",
       [](LookupTable& t, ProbeClient& c) {
         c.Host = "nowhere.test";
         invalidHostLogged(t, c, false);
       },
       {"OnInvalidHost"},
       "Null Remote Address"},
      {"handler sets Handled, second lookup fails too",
       [](LookupTable& t, ProbeClient& c) {
         c.Host = "nowhere.test";
         invalidHostLogged(t, c, true);
       },
       {"OnInvalidHost"},
       "Null Remote Address"},
      {"handler sets Handled, second lookup succeeds",
       [](LookupTable& t, ProbeClient& c) {
         c.Host = "nowhere.test";
         c.Port = t.acceptingPort();
         t.table().add("later.test", Loopback127());
         invalidHostLogged(t, c, true, [&c] { c.Host = "later.test"; });
       },
       {"OnInvalidHost", "OnHostResolved", "OnConnect"},
       ""},
      {"OnHostResolved raises",
       [](LookupTable& t, ProbeClient& c) {
         t.table().add("poll.test", Loopback127());
         c.Host = "poll.test";
         c.Port = t.acceptingPort();
         c.OnHostResolved = [](TObject*) { throw Exception("resolved handler failed"); };
       },
       {},
       "resolved handler failed"},
      {"lookup not finished within TimeOut",
       [](LookupTable& t, ProbeClient& c) {
         t.table().add("slow.test", Loopback127(), 60000);
         c.Host = "slow.test";
         c.TimeOut = 100;
       },
       {},
       "Host Lookup Timed Out"},
      {"Cancel during the lookup",
       [](LookupTable& t, ProbeClient& c) {
         t.table().add("slow.test", Loopback127(), 60000);
         c.Host = "slow.test";
         c.TimeOut = 0;
         CallLater(30, [&c] { c.Cancel(); });
       },
       {},
       "Host Lookup Canceled"},
      {"the connect call fails at once",
       [](LookupTable&, ProbeClient& c) { c.Port = 0; },
       {},
       "10049:Can't assign requested address"},
  };
  for (const LookupCase& tc : cases) {
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

TEST_F(LookupTable, InvalidHostHandledBuysExactlyOneMoreLookup) {
  auto c = makeClient("nowhere.test", acceptingPort());
  int calls = 0;
  c->OnInvalidHost = [&](bool& h) {
    ++calls;
    h = true;
  };
  EXPECT_EQ(errorOf([&] { c->Connect(); }), "Null Remote Address");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(hosts.lookups("nowhere.test"), 2);
}

TEST_F(LookupTable, ZeroAddressIsInvalidWithoutALookup) {
  auto c = makeClient("0.0.0.0", acceptingPort());
  int calls = 0;
  c->OnInvalidHost = [&](bool&) { ++calls; };
  EXPECT_EQ(errorOf([&] { c->Connect(); }), "Null Remote Address");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(hosts.totalLookups(), 0);
}

TEST_F(LookupTable, AllOnesAddressIsLookedUpAsAName) {
  hosts.add("255.255.255.255", Loopback127());
  auto c = makeClient("255.255.255.255", acceptingPort());
  c->Connect();
  EXPECT_EQ(hosts.lookups("255.255.255.255"), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"OnHostResolved", "OnConnect"}));
}

TEST_F(LookupTable, ProxyIsResolvedAndConnectedInsteadOfHost) {
  hosts.add("proxy.test", Loopback127());
  auto c = makeClient("origin.test", 1);
  c->Proxy = "proxy.test";
  c->ProxyPort = acceptingPort();
  c->Connect();
  EXPECT_EQ(hosts.lookups("origin.test"), 0);
  EXPECT_EQ(ntohs(c->GetRemoteAddress().sin_port), acceptingPort());
  EXPECT_TRUE(accepting.waitConnections(1));
}

TEST_F(LookupTable, AReplacedSocketHasANewHandle) {
  auto c = makeClient("127.0.0.1", acceptingPort());
  uint16_t before = c->GetSocketHandle();
  c->Disconnect();
  EXPECT_NE(c->GetSocketHandle(), before);
  LoopbackServer closing([](LoopbackConn& conn) { conn.close(); });
  c->Port = closing.port();
  uint16_t first = c->GetSocketHandle();
  c->Connect();
  ASSERT_TRUE(PumpUntil([&] { return !c->IsConnected(); }));
  EXPECT_NE(c->GetSocketHandle(), first);
}

TEST_F(LookupTable, NotificationsOfAnEarlierSocketAreIgnored) {
  auto c = makeClient("127.0.0.1", acceptingPort());
  SOCKET old = c->GetSocketHandle();
  c->Disconnect();
  events.clear();
  PostMessageA(c->GetSocketWindow(), 1125, old, MAKELPARAM(FD_CLOSE, 0));
  c->Connect();
  PumpUntil([] { return false; }, 20);
  EXPECT_TRUE(c->IsConnected());
  EXPECT_EQ(events, (std::vector<std::string>{"OnConnect"}));
}

}  // namespace
