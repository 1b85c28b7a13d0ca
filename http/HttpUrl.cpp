// URL splitting for the HTTP client.
#include "http/HttpUrl.h"

#include "framework/SysUtils.h"
#include "socket/SecureChannel.h"

namespace {

constexpr size_t kMaxPath = 256;

bool Contains(const std::string& text, const char* what) {
  return text.find(what) != std::string::npos;
}

std::string PathOf(const std::string& url) {
  if (Contains(url, "//")) {
    size_t from = static_cast<size_t>(DelimiterPos(url, '/', 3)) - 1;
    return url.substr(from, kMaxPath);
  }
  size_t slash = url.find('/');
  if (slash != std::string::npos) return url.substr(slash, kMaxPath);
  return std::string();
}

// Secure follows the scheme as the port does: a URL without ":" keeps both.
void ApplyScheme(const std::string& url, int& port, bool& secure) {
  if (!Contains(url, ":")) return;
  std::string scheme = LowerCase(ExtractField(url, ':', 1));
  secure = scheme == "https";
  if (scheme == "gopher")
    port = 70;
  else if (scheme == "ftp")
    port = 21;
  else if (secure && !TSecureChannel::Available())
    throw Exception("HTTP Secure Socket is not supported");
  else
    port = secure ? 443 : 80;
}

std::string HostPartOf(const std::string& url) {
  if (Contains(url, "//")) return ExtractField(url, '/', 3);
  if (url[0] == '/') return std::string();
  return ExtractField(url, '/', 1);
}

}  // namespace

std::string ExtractField(const std::string& Text, char Delimiter, int N) {
  if (N < 1) return std::string();
  int seen = 0;
  size_t start = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != Delimiter) continue;
    ++seen;
    if (seen == N) return Text.substr(start, i - start);
    if (seen == N - 1) start = i + 1;
  }
  return seen == N - 1 ? Text.substr(start) : std::string();
}

int DelimiterPos(const std::string& Text, char Delimiter, int N) {
  const int past = static_cast<int>(Text.size()) + 1;
  int seen = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != Delimiter || ++seen != N) continue;
    return i + 1 == Text.size() ? past : static_cast<int>(i) + 1;
  }
  return past;
}

void ParseUrlParts(TUrlParts& p) {
  if (p.RequestURL.empty()) throw Exception("Empty URL");
  if (p.Port == 0) p.Port = 80;
  p.RequestPath = PathOf(p.RequestURL);
  ApplyScheme(p.RequestURL, p.Port, p.Secure);
  std::string hostPart = HostPartOf(p.RequestURL);
  size_t colon = hostPart.find(':');
  if (colon != std::string::npos) {
    p.Port = StrToInt(ExtractField(hostPart, ':', 2));
    hostPart.resize(colon);
  }
  if (!hostPart.empty()) p.Host = hostPart;
  if (p.RequestPath.empty()) {
    p.RequestPath.assign(1, '/');
    p.RequestURL.push_back('/');
  }
}
