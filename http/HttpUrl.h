// Splitting a request URL into host, port and path, and the two field helpers it uses.
// Positions and field numbers are 1-based, as the request rules count them; the helpers
// keep that inside.
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
// failure part-way leaves what the earlier steps wrote.
struct TUrlParts {
  std::string RequestURL;
  int Port = 0;
  std::string Host;
  std::string RequestPath;
  bool Secure = false;  // https: TLS, port 443 unless the URL gives one
};

// Raises Exception "Empty URL", Exception "HTTP Secure Socket is not supported" (https
// in a build or on a system without TLS), or
// EConvertError for a port text that is not an integer.
void ParseUrlParts(TUrlParts& parts);
