// THttpClient against redirects, hosts and cookies as real servers send them. Each row
// scripts two servers, A and B (two ports on 127.0.0.1, so two hosts to the client),
// makes its calls and checks where every request went and what it carried.
#include "tests/http/HttpFixture.h"

namespace {

using Lines = std::vector<std::string>;

struct WebRow {
  const char* name;
  int presetPortA;  // 1: the component's Port is A's before the first call
  Lines repliesA;   // "{A}", "{B}" stand for the ports; "HOLD " sends without closing after
  Lines repliesB;
  Lines calls;   // one Head each
  Lines events;  // outcome events of all calls
  // Per request, in order: lines it must hold ("Name: value" exactly), or "!Name:" for a
  // header it must not carry.
  Lines requestsA;
  Lines requestsB;
};

const char* const k302ToB = "HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:{B}/\r\n\r\n";
const char* const k200 = "HTTP/1.0 200 OK\r\n\r\n";

std::string Redirect(int status, const std::string& location, const std::string& more = "") {
  return "HTTP/1.0 " + std::to_string(status) + " Moved\r\n" + more + "Location: " + location +
         "\r\n\r\n";
}

const WebRow kRows[] = {
    {"a redirect to another port does not steer the next poll",
     1,
     {k302ToB, k200},
     {k200},
     {"127.0.0.1", "127.0.0.1"},
     {"redirect", "success 2", "success 2"},
     {"HEAD / HTTP/1.0\nHost: 127.0.0.1:{A}", "HEAD / HTTP/1.0\nHost: 127.0.0.1:{A}"},
     {"HEAD / HTTP/1.0\nHost: 127.0.0.1:{B}"}},
    {"a Location read in one poll is not reused by the next",
     0,
     {Redirect(302, "/one"), k200, "HTTP/1.0 302 Found\r\n\r\n", k200},
     {},
     {"http://127.0.0.1:{A}/a", "http://127.0.0.1:{A}/b"},
     {"redirect", "success 2", "redirect", "success 2"},
     {"HEAD /a HTTP/1.0", "HEAD /one HTTP/1.0", "HEAD /b HTTP/1.0", "HEAD / HTTP/1.0"},
     {}},
    {"the Host line names a port other than 80",
     0,
     {k200},
     {},
     {"http://127.0.0.1:{A}/"},
     {"success 2"},
     {"HEAD / HTTP/1.0\nHost: 127.0.0.1:{A}"},
     {}},
    {"303, 307 and 308 are followed and stay HEAD",
     0,
     {Redirect(303, "/b"), Redirect(307, "/c"), Redirect(308, "/d"), k200},
     {},
     {"http://127.0.0.1:{A}/a"},
     {"redirect", "redirect", "redirect", "success 2"},
     {"HEAD /a HTTP/1.0", "HEAD /b HTTP/1.0", "HEAD /c HTTP/1.0", "HEAD /d HTTP/1.0"},
     {}},
    {"relative Locations resolve against the requested URL",
     0,
     {Redirect(302, "target.html"), Redirect(302, "sub/page.html"), Redirect(302, "../up.html"),
      Redirect(302, "?q=1"), Redirect(302, "//127.0.0.1:{B}/x#part")},
     {k200},
     {"http://127.0.0.1:{A}/dir/page"},
     {"redirect", "redirect", "redirect", "redirect", "redirect", "success 2"},
     {"HEAD /dir/page HTTP/1.0", "HEAD /dir/target.html HTTP/1.0\nHost: 127.0.0.1:{A}",
      "HEAD /dir/sub/page.html HTTP/1.0", "HEAD /dir/up.html HTTP/1.0",
      "HEAD /dir/up.html?q=1 HTTP/1.0"},
     {"HEAD /x HTTP/1.0\nHost: 127.0.0.1:{B}"}},
    {"a redirect's cookie goes back only to its host and port, as name=value, in that poll",
     0,
     {Redirect(302, "http://127.0.0.1:{B}/", "Set-Cookie: sess=abc123; Path=/; HttpOnly\r\n"), k200,
      k200},
     {Redirect(302, "http://127.0.0.1:{A}/back")},
     {"http://127.0.0.1:{A}/", "http://127.0.0.1:{A}/"},
     {"redirect", "redirect", "success 2", "success 2"},
     {"HEAD / HTTP/1.0\n!Cookie:", "HEAD /back HTTP/1.0\nCookie: sess=abc123", "!Cookie:"},
     {"!Cookie:"}},
    {"a server that keeps the connection open after a HEAD answer has answered",
     0,
     {"HOLD " + Redirect(302, "/next"), "HOLD HTTP/1.0 200 OK\r\nServer: keeps-open\r\n\r\n"},
     {},
     {"http://127.0.0.1:{A}/"},
     {"redirect", "success 2"},
     {"HEAD / HTTP/1.0", "HEAD /next HTTP/1.0"},
     {}},
    {"a blank in the path is sent percent-encoded",
     0,
     {k200},
     {},
     {"http://127.0.0.1:{A}/a b"},
     {"success 2"},
     {"HEAD /a%20b HTTP/1.0"},
     {}},
    {"user:password@ becomes Basic authorization for its own host and port only",
     0,
     {k302ToB, k200},
     {Redirect(302, "http://127.0.0.1:{A}/again")},
     {"http://user:pw@127.0.0.1:{A}/"},
     {"redirect", "redirect", "success 2"},
     {"HEAD / HTTP/1.0\nHost: 127.0.0.1:{A}\nAuthorization: Basic dXNlcjpwdw==",
      "HEAD /again HTTP/1.0\nAuthorization: Basic dXNlcjpwdw=="},
     {"!Authorization:"}},
};

// The two servers of one row, and the row's texts with their ports filled in.
struct TwoServers {
  LoopbackReplies a;
  LoopbackReplies b;

  std::string Filled(std::string text) const {
    for (auto [mark, port] : {std::pair{"{A}", a.portText()}, {"{B}", b.portText()}})
      for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 3, port);
    return text;
  }
  void Queue(LoopbackReplies& to, const Lines& replies) const {
    for (const std::string& r : replies) {
      if (r.rfind("HOLD ", 0) == 0)
        to.replyAndHold(Filled(r.substr(5)));
      else
        to.reply(Filled(r));
    }
  }
  void Check(const char* who, const LoopbackReplies& at, const Lines& expected) const {
    ASSERT_TRUE(at.waitServed(static_cast<int>(expected.size())));
    const std::vector<std::string> got = at.requests();
    ASSERT_EQ(got.size(), expected.size()) << who;
    for (size_t i = 0; i < got.size(); ++i) {
      std::string lines = Filled(expected[i]) + "\n";
      for (size_t end; (end = lines.find('\n')) != std::string::npos; lines.erase(0, end + 1)) {
        const std::string line = lines.substr(0, end);
        if (line[0] == '!')
          EXPECT_EQ(got[i].find("\r\n" + line.substr(1)), std::string::npos)
              << who << " request " << i << " carries " << line.substr(1) << "\n"
              << got[i];
        else
          EXPECT_NE(got[i].find(line + "\r\n"), std::string::npos)
              << who << " request " << i << " lacks " << line << "\n"
              << got[i];
      }
    }
  }
};

TEST_F(HttpTest, RedirectsHostsAndCookiesAsRealServersSendThem) {
  for (const WebRow& row : kRows) {
    SCOPED_TRACE(row.name);
    TwoServers servers;  // a row's own, so no reply or record leaks into the next
    http.reset(TComponent::Create<THttpClient>(nullptr));
    http->TimeOut = 20000;
    recordOutcomes();
    events.clear();
    if (row.presetPortA) http->Port = servers.a.port();
    servers.Queue(servers.a, row.repliesA);
    servers.Queue(servers.b, row.repliesB);
    for (const std::string& url : row.calls) http->Head(servers.Filled(url));
    EXPECT_EQ(events, row.events);
    servers.Check("A", servers.a, row.requestsA);
    servers.Check("B", servers.b, row.requestsB);
    EXPECT_EQ(http->HeaderInfo()->Cookie, "");
  }
}

}  // namespace
