// THttpClient: reading the status line, the header lines and the body.
#include <algorithm>
#include <climits>
#include <memory>

#include "http/HttpClient.h"
#include "http/HttpUrl.h"

namespace {

constexpr size_t kMaxHeaderValue = 256;

std::string WithoutLineEnd(const std::string& line) {
  size_t n = line.size();
  if (n > 0 && line[n - 1] == '\n') --n;
  if (n > 0 && line[n - 1] == '\r') --n;
  return line.substr(0, n);
}

// The value after "Name: " of a line, at most 256 characters.
std::string ValueFrom(const std::string& line, size_t start) {
  std::string bare = WithoutLineEnd(line);
  return start < bare.size() ? bare.substr(start, kMaxHeaderValue) : std::string();
}

bool EndsHeader(const std::string& line) { return line.empty() || line == "\n" || line == "\r\n"; }

// The code of a status line: its second word, digits only, within the 16-bit reply
// field; -1 when there is none (no word, a sign, letters, a number too large). The
// line end is not part of the word, so "HTTP/1.0 404\r\n" has the code 404.
int StatusCodeOf(const std::string& statusLine) {
  const std::string word = ExtractField(WithoutLineEnd(statusLine), ' ', 2);
  if (word.empty() || word.size() > 5) return -1;
  int value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value <= INT16_MAX ? value : -1;
}

}  // namespace

void THttpClient::ScanResponseLine(const std::string& line) {
  const std::string word = ExtractField(UpperCase(line), ' ', 1);
  if (word == "SET-COOKIE:") {
    ReceivedCookie = ValueFrom(line, 12);
    FResponseCookies.push_back(ReceivedCookie);
  } else if (word == "LOCATION:")
    RedirectTarget = ValueFrom(line, 10);
  // "CONTENT-LENGTH:" changes nothing: the body is read until the server closes.
}

void THttpClient::ReadResponseHeader() {
  ReceivedCookie.clear();
  FResponseCookies.clear();
  std::unique_ptr<TFileStream> file;
  if (OutputFileMode)
    file = std::make_unique<TFileStream>(Header, fmCreate);
  else
    Header.clear();
  TDeadline deadline(*this);  // the whole header within one time-out, however it trickles
  size_t stored = 0;
  auto store = [&](const std::string& line) {
    stored += line.size();
    if (stored > kMaxHeaderBlock) throw Exception("Response header too large");
    if (file)
      file->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
    else
      Header += line;
  };
  FStatusRead = false;
  std::string line = ReadLn();
  if (line.empty()) return;  // closed without a word: no status, empty header
  const int code = StatusCodeOf(line);
  FStatusRead = code >= 0;
  if (FStatusRead) ReplyNumber = static_cast<int16_t>(code);
  store(line);
  do {
    line = ReadLn();
    ScanResponseLine(line);
    store(line);
  } while (!EndsHeader(line));
}

// A HEAD answer has no body: once the header has ended and nothing more has come, the
// exchange is complete, also when the server keeps the connection open. Bytes a server
// sends there all the same are read as before.
void THttpClient::ReadBody() {
  if (Command == cmdHead && !DataAvailable()) {
    BytesRecvd = 0;
    if (InputFileMode) {
      TFileStream empty(Body, fmCreate);  // the body file holds what came: nothing
    } else {
      Body.clear();
    }
    return;
  }
  if (InputFileMode)
    CaptureFile(Body);
  else if (Command == cmdHead)
    CaptureBounded(MaxHeadBody, false);
  else
    CaptureBounded(MaxStringBody, true);
}

// The body in capture calls of a bounded size, so that what is kept stays bounded: past
// `keep` bytes the rest is read and dropped, or with failPastKeep the call ends.
void THttpClient::CaptureBounded(size_t keep, bool failPastKeep) {
  const size_t perCall = std::max<size_t>(1, failPastKeep ? kStringBodyStep : keep);
  TDeadline deadline(*this);  // the calls share one time-out, as a single capture would
  int64_t total = 0;
  std::string chunk;
  Body.clear();
  // What a call received counts and is kept (within the bound) also when it raised.
  auto take = [&] {
    total += static_cast<int64_t>(chunk.size());
    BytesRecvd = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
    const size_t room = keep - std::min(keep, Body.size());
    Body.append(chunk, 0, std::min(room, chunk.size()));
    return chunk.size() > room;
  };
  for (;;) {
    try {
      chunk.clear();  // a call that fails early must not count the previous chunk again
      CaptureString(chunk, static_cast<int32_t>(perCall));
    } catch (...) {
      take();
      throw;
    }
    if (take() && failPastKeep) throw Exception("Response body too large");
    if (chunk.size() < perCall) return;  // the server closed
  }
}
