// Everything the HTTP client knows about URLs, in one place: splitting a request URL
// into host, port and path (with the credentials an address may carry), the default
// port of each scheme, and resolving a Location value against the URL that was
// requested. Positions and field numbers are 1-based, as the request rules count them;
// the helpers keep that inside.
#pragma once

#include <string>

// The characters between the (n-1)-th and the n-th occurrence of Delimiter (for n = 1 from
// the start); up to the end when there is no n-th occurrence; empty when there are fewer
// than n-1 occurrences or n < 1.
std::string ExtractField(const std::string& Text, char Delimiter, int N);

// 1-based position of the n-th occurrence of Delimiter; Length + 1 when there are fewer,
// and also when the n-th occurrence is the last character.
int DelimiterPos(const std::string& Text, char Delimiter, int N);

// The values ParseURL works on, updated in place in the order of its steps, so that a
// failure part-way leaves what the earlier steps wrote. Scheme, User and Password are
// outputs only: the scheme before "://" in lower case ("http" when there is none), and
// the percent-decoded "user:password@" of the host part (which leaves RequestURL, so a
// proxy never sees it).
struct TUrlParts {
  std::string RequestURL;
  int Port = 0;
  std::string Host;
  std::string RequestPath;
  std::string Scheme;
  bool HasUserInfo = false;
  std::string User;
  std::string Password;
};

// Raises Exception "Empty URL", Exception "HTTP Secure Socket is not supported" (https
// in a build without TLS),
// Exception "IPv6 addresses are not supported: ..." for a bracketed host, or
// EConvertError for a port text that is not an integer. Blanks and control characters
// of the path are sent percent-encoded.
void ParseUrlParts(TUrlParts& parts);

// The port a scheme implies when the address names none.
int DefaultPortOf(const std::string& Scheme);

// "host", or "host:port" when the port is not the scheme's default: the Host line and
// the authority of an absolute URL.
std::string AuthorityOf(const std::string& Host, int Port, const std::string& Scheme);

// The absolute URL of a request: scheme://authority/path.
std::string AbsoluteUrl(const std::string& Scheme, const std::string& Host, int Port,
                        const std::string& Path);

// A Location value resolved against the absolute URL that was requested, as browsers do:
// a full URL stays, "//host/p" takes the scheme, "/p" the authority, "?q" the path too,
// and "p" or "../p" is taken relative to the requested path's folder. A fragment is
// dropped. An empty value (no Location at all) gives the root of the requested host.
std::string ResolveLocation(const std::string& BaseUrl, const std::string& Location);
