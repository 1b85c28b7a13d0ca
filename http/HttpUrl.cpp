// URL splitting and resolution for the HTTP client.
#include "http/HttpUrl.h"

#include <algorithm>
#include <vector>

#include "framework/SysUtils.h"
#include "socket/SecureChannel.h"

namespace {

constexpr size_t kMaxPath = 256;

bool Contains(const std::string& text, const char* what) {
  return text.find(what) != std::string::npos;
}

// 0-based start of the path in a URL (its size when the path is empty), npos when the
// URL has none; a third "/" that is the last character leaves the path empty.
size_t PathStart(const std::string& url) {
  if (Contains(url, "//")) return static_cast<size_t>(DelimiterPos(url, '/', 3)) - 1;
  return url.find('/');
}

// 0-based start of the host part, npos when the URL has none (it begins with "/").
size_t HostPartStart(const std::string& url) {
  if (!Contains(url, "//")) return url.empty() || url[0] == '/' ? std::string::npos : 0;
  size_t second = url.find('/', url.find('/') + 1);
  return second + 1;
}

std::string HostPartOf(const std::string& url) {
  if (Contains(url, "//")) return ExtractField(url, '/', 3);
  if (url.empty() || url[0] == '/') return std::string();
  return ExtractField(url, '/', 1);
}

bool IsSchemeChar(char c, bool first) {
  const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (first) return alpha;
  return alpha || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The length of a leading "scheme:", 0 when the text does not start with one.
size_t SchemeLength(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ':') return i;
    if (!IsSchemeChar(text[i], i == 0)) return 0;
  }
  return 0;
}

std::string SchemeOf(const std::string& url) {
  const size_t n = SchemeLength(url);
  if (n == 0 || url.compare(n, 3, "://") != 0) return "http";
  return LowerCase(url.substr(0, n));
}

void ApplyScheme(const std::string& url, int& port) {
  if (!Contains(url, ":")) return;
  const std::string scheme = LowerCase(ExtractField(url, ':', 1));
  if (scheme == "https" && !TSecureChannel::Available())
    throw Exception("HTTP Secure Socket is not supported");
  port = DefaultPortOf(scheme);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const int hi = i + 2 < text.size() && text[i] == '%' ? HexValue(text[i + 1]) : -1;
    const int lo = hi >= 0 ? HexValue(text[i + 2]) : -1;
    if (lo < 0) {
      out += text[i];
      continue;
    }
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

// A blank or a control character would end or break the request line.
std::string PercentEncodedPath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c > ' ' && c != 0x7f) {
      out += static_cast<char>(c);
      continue;
    }
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

// "user:password@" leaves the URL and becomes the credentials of the request.
void TakeUserInfo(TUrlParts& p) {
  const size_t start = HostPartStart(p.RequestURL);
  if (start == std::string::npos) return;
  const size_t at = HostPartOf(p.RequestURL).rfind('@');
  if (at == std::string::npos) return;
  const std::string userInfo = p.RequestURL.substr(start, at);
  p.RequestURL.erase(start, at + 1);
  p.HasUserInfo = true;
  p.User = PercentDecoded(ExtractField(userInfo, ':', 1));
  const size_t colon = userInfo.find(':');
  if (colon != std::string::npos) p.Password = PercentDecoded(userInfo.substr(colon + 1));
}

// The socket layer speaks IPv4 only: a bracketed literal gets a clear word, not a
// complaint about its colons.
void RefuseIPv6(const std::string& hostPart) {
  if (!hostPart.empty() && hostPart[0] == '[')
    throw Exception("IPv6 addresses are not supported: " + hostPart);
}

// RFC 3986 dot-segment removal on an absolute path; the query is left alone.
std::string WithoutDotSegments(const std::string& pathAndQuery) {
  const size_t q = pathAndQuery.find('?');
  const std::string path = pathAndQuery.substr(0, q);
  std::vector<std::string> kept;
  size_t from = 1;  // past the leading "/"
  for (;;) {
    const size_t slash = path.find('/', from);
    const std::string segment = path.substr(from, slash - from);
    const bool last = slash == std::string::npos;
    if (segment == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (segment != ".") {
      kept.push_back(segment);
    }
    if (last) {
      if (segment == "." || segment == "..") kept.emplace_back();  // a folder: keep its "/"
      break;
    }
    from = slash + 1;
  }
  std::string out;
  for (const std::string& segment : kept) out += "/" + segment;
  if (out.empty()) out = "/";
  return q == std::string::npos ? out : out + pathAndQuery.substr(q);
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

int DefaultPortOf(const std::string& Scheme) {
  if (Scheme == "gopher") return 70;
  if (Scheme == "ftp") return 21;
  if (Scheme == "https") return 443;
  return 80;
}

std::string AuthorityOf(const std::string& Host, int Port, const std::string& Scheme) {
  if (Port == DefaultPortOf(Scheme)) return Host;
  return Host + ":" + IntToStr(Port);
}

std::string AbsoluteUrl(const std::string& Scheme, const std::string& Host, int Port,
                        const std::string& Path) {
  const std::string path = !Path.empty() && Path[0] == '/' ? Path : "/" + Path;
  return Scheme + "://" + AuthorityOf(Host, Port, Scheme) + path;
}

std::string ResolveLocation(const std::string& BaseUrl, const std::string& Location) {
  const std::string ref = Location.substr(0, Location.find('#'));
  const size_t schemeEnd = BaseUrl.find("://");
  const size_t pathAt = std::min(BaseUrl.find('/', schemeEnd + 3), BaseUrl.size());
  const std::string origin = BaseUrl.substr(0, pathAt);
  const std::string basePath = pathAt < BaseUrl.size() ? BaseUrl.substr(pathAt) : "/";
  if (ref.empty()) return origin + "/";
  if (SchemeLength(ref) > 0) return ref;
  if (ref.compare(0, 2, "//") == 0) return BaseUrl.substr(0, schemeEnd + 1) + ref;
  if (ref[0] == '/') return origin + WithoutDotSegments(ref);
  const std::string path = basePath.substr(0, basePath.find('?'));
  if (ref[0] == '?') return origin + path + ref;
  return origin + WithoutDotSegments(path.substr(0, path.rfind('/') + 1) + ref);
}

void ParseUrlParts(TUrlParts& p) {
  if (p.RequestURL.empty()) throw Exception("Empty URL");
  if (p.Port == 0) p.Port = 80;
  // A path alone keeps the scheme it is relative to, as it keeps the port.
  const bool pathAlone = !p.RequestURL.empty() && p.RequestURL[0] == '/';
  if (!pathAlone || p.Scheme.empty()) p.Scheme = SchemeOf(p.RequestURL);
  TakeUserInfo(p);
  const size_t pathAt = PathStart(p.RequestURL);
  p.RequestPath = pathAt == std::string::npos
                      ? std::string()
                      : PercentEncodedPath(p.RequestURL.substr(pathAt, kMaxPath));
  if (pathAt != std::string::npos)
    p.RequestURL.replace(pathAt, std::string::npos,
                         PercentEncodedPath(p.RequestURL.substr(pathAt)));
  ApplyScheme(p.RequestURL, p.Port);
  std::string hostPart = HostPartOf(p.RequestURL);
  RefuseIPv6(hostPart);
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
