// THttpClient: following a redirect, the cookies and credentials of one call, and the
// reset that keeps each call to its own address.
#include "http/HttpClient.h"
#include "http/HttpUrl.h"

namespace {

bool HasControlCharacter(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7f) return true;
  return false;
}

bool SameOrigin(const std::string& host, int port, const std::string& otherHost, int otherPort) {
  return port == otherPort && SameText(host, otherHost);
}

}  // namespace

// A call starts from its address alone: nothing a server said before changes where it
// goes or what it sends.
void THttpClient::ForgetEarlierCalls() {
  FCall = TCallState();
  FScheme.clear();
  RedirectTarget.clear();
}

// After a redirect, Host and Port go back to those of the call's own address, so that a
// later address without a port (or without a host) does not inherit a server's choice.
void THttpClient::RestoreTypedAddress() {
  if (FCall.Pass < 2) return;
  Host = FCall.TypedHost;
  Port = FCall.TypedPort;
}

bool THttpClient::FollowsLocation(int status) {
  return (status >= 300 && status <= 303) || status == 307 || status == 308;
}

std::string THttpClient::PassUrl() const { return AbsoluteUrl(FScheme, Host, Port, RequestPath); }

// The next pass replays the Location value into its request line and the cookie into
// a header line: a CR, LF or other control character there would let the server write
// lines of its choosing into a request that may go to another host.
void THttpClient::RefuseControlCharacters() {
  if (HasControlCharacter(RequestURL))
    throw Exception("Redirect refused: control characters in the Location header");
  for (const std::string& cookie : FResponseCookies)
    if (HasControlCharacter(cookie))
      throw Exception("Redirect refused: control characters in the Set-Cookie header");
}

// After a status of 300..398. False when OnRedirect ended the cycle.
bool THttpClient::FollowRedirect(int status) {
  RefuseControlCharacters();
  KeepReceivedCookies();
  bool handled = false;
  if (OnRedirect) OnRedirect(handled);
  if (handled) return false;
  if (FollowsLocation(status)) {
    RequestURL = ResolveLocation(PassUrl(), RequestURL);
    FCall.RedirectedTo = RequestURL;
  } else if (RequestURL.find('/') == std::string::npos) {
    RequestURL = FScheme + "://" + Host + "/" + RequestURL;
  }
  return true;
}

// Each cookie of a redirect is kept as its name=value for the host and port that set it;
// a later one of the same name there replaces it.
void THttpClient::KeepReceivedCookies() {
  for (const std::string& received : FResponseCookies) {
    const std::string pair = Trim(received.substr(0, received.find(';')));
    if (pair.empty()) continue;
    const std::string name = Trim(pair.substr(0, pair.find('=')));
    TForOrigin* same = nullptr;
    for (TForOrigin& c : FCall.Cookies)
      if (c.Name == name && SameOrigin(c.Host, c.Port, Host, Port)) same = &c;
    if (same)
      same->Value = pair;
    else if (FCall.Cookies.size() < kMaxCookies)
      FCall.Cookies.push_back(TForOrigin{Host, Port, name, pair});
  }
}

// The user's cookie, then those this call received from the host and port it asks now.
std::string THttpClient::CookieValue() {
  std::string value = HeaderInfo()->Cookie;
  for (const TForOrigin& c : FCall.Cookies) {
    if (!SameOrigin(c.Host, c.Port, Host, Port)) continue;
    value += (value.empty() ? "" : "; ") + c.Value;
  }
  return value;
}
