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

// A status that is not an integer, or does not fit the 16-bit reply field, counts as 0.
int16_t StatusOf(const std::string& statusLine) {
  int value = 0;
  if (!TryStrToInt(ExtractField(statusLine, ' ', 2), value)) return 0;
  if (value < INT16_MIN || value > INT16_MAX) return 0;
  return static_cast<int16_t>(value);
}

}  // namespace

void THttpClient::ScanResponseLine(const std::string& line) {
  const std::string word = ExtractField(UpperCase(line), ' ', 1);
  if (word == "SET-COOKIE:")
    ReceivedCookie = ValueFrom(line, 12);
  else if (word == "LOCATION:")
    RedirectTarget = ValueFrom(line, 10);
  // "CONTENT-LENGTH:" changes nothing: the body is read until the server closes.
}

void THttpClient::ReadResponseHeader() {
  ReceivedCookie.clear();
  std::unique_ptr<TFileStream> file;
  if (OutputFileMode)
    file = std::make_unique<TFileStream>(Header, fmCreate);
  else
    Header.clear();
  size_t stored = 0;
  auto store = [&](const std::string& line) {
    stored += line.size();
    if (stored > kMaxHeaderBlock) throw Exception("Response header too large");
    if (file)
      file->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
    else
      Header += line;
  };
  std::string line = ReadLn();
  if (line.empty()) return;  // closed without a word: status 0, empty header
  ReplyNumber = StatusOf(line);
  store(line);
  do {
    line = ReadLn();
    ScanResponseLine(line);
    store(line);
  } while (!EndsHeader(line));
}

void THttpClient::ReadBody() {
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
  const uint32_t start = GetTickCount();
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
      CaptureChunk(chunk, static_cast<int32_t>(perCall), start);
    } catch (...) {
      take();
      throw;
    }
    if (take() && failPastKeep) throw Exception("Response body too large");
    if (chunk.size() < perCall) return;  // the server closed
  }
}

// One capture call. The calls of a body share one deadline, as a single capture would:
// each runs with TimeOut set to what is left of it.
void THttpClient::CaptureChunk(std::string& chunk, int32_t limit, uint32_t start) {
  chunk.clear();  // a call that fails early must not count the previous chunk again
  const int32_t saved = TimeOut;
  if (saved <= 0) {
    CaptureString(chunk, limit);
    return;
  }
  const uint32_t elapsed = GetTickCount() - start;
  if (elapsed >= static_cast<uint32_t>(saved)) throw EAbortError("Socket capture aborted");
  TimeOut = saved - static_cast<int32_t>(elapsed);
  try {
    CaptureString(chunk, limit);
  } catch (...) {
    TimeOut = saved;
    throw;
  }
  TimeOut = saved;
}
