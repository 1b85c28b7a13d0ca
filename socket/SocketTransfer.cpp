// TSocketClient: sending texts, buffers and files; reading lines; captures.
//
// All operations share Buffer; received bytes the line reader took ahead wait in FInbox. A loop
// that meets would-block waits for a message (for reads, the read notification re-armed by that
// very call) before it pumps, instead of spinning; after a successful call it pumps without
// waiting.
#include <cstring>
#include <optional>

#include "socket/SocketClient.h"

namespace {

// Reads wake at once (the peek or receive re-arms FD_READ), so their bound is only a
// safety net, and every pass costs a wake-up: a 2-s wait at 10 ms cost 200 of them.
// Sends have no write notification to wake them: only the bound ends their wait.
constexpr DWORD kReadWaitMs = 50;
constexpr DWORD kSendWaitMs = 10;

[[noreturn]] void RangeError() { throw ERangeError("Range check error"); }

}  // namespace

void TSocketClient::TransferPump(bool wouldBlock, DWORD waitMs) {
  if (wouldBlock)
    WaitThenPump(waitMs);
  else
    PumpMessages();
}

void TSocketClient::SendBuffer(const char* data, uint16_t length) {
  ReportStatus(4, "Sending Buffer");
  TTimerScope timer(*this);
  if (!Canceled) {
    size_t size = length;
    if (size == 0) {
      size = strnlen(data, 65536);
      if (size > 65535) RangeError();
    }
    if (FBatching)
      FOutbox.append(data, size);
    else
      SendBytes(data, size, false);
  }
  EndSend();
}

void TSocketClient::SendBytes(const char* data, size_t size, bool armTimerOnWait) {
  if (!FSecure || size == 0) return SendRaw(data, size, armTimerOnWait);
  std::string records;
  FSecure->Seal(data, size, records);
  SendRaw(records.data(), records.size(), armTimerOnWait);
}

// A would-block waits (bounded) for a message, so Cancel and the time-out get in; a
// caller without a running timer has it armed at the first such wait.
void TSocketClient::SendRaw(const char* data, size_t size, bool armTimerOnWait) {
  std::optional<TTimerScope> timer;
  size_t done = 0;
  while (done < size && !Canceled) {
    const int sent = send(SocketHandle, data + done, static_cast<int>(size - done), 0);
    if (sent == 0) break;
    if (sent > 0) {
      done += static_cast<size_t>(sent);
      continue;
    }
    LastErrorNo = WSAGetLastError();
    if (PeerGone(LastErrorNo)) break;  // nobody reads it; the reply read tells
    std::string text;
    CheckSocketError(WSAEWOULDBLOCK, text);
    if (armTimerOnWait && !timer) timer.emplace(*this);
    TransferPump(true, kSendWaitMs);
  }
}

void TSocketClient::EndSend() {
  if (Canceled) {
    Canceled = false;
    throw EAbortError("Socket send aborted");
  }
}

TSocketClient::TSendBatch::TSendBatch(TSocketClient& c) : FClient(c) {
  FClient.FBatching = true;
  FClient.FOutbox.clear();
}

TSocketClient::TSendBatch::~TSendBatch() {
  FClient.FBatching = false;
  FClient.FOutbox.clear();  // an exception left the batch: nothing of it goes out
}

void TSocketClient::TSendBatch::Send() {
  FClient.FBatching = false;
  const std::string bytes = std::move(FClient.FOutbox);
  FClient.FOutbox.clear();
  if (!FClient.Canceled) FClient.SendBytes(bytes.data(), bytes.size(), true);
  FClient.EndSend();
}

void TSocketClient::Write(const std::string& text) {
  ReportStatus(8, "Write");
  size_t n = std::min(text.size(), static_cast<size_t>(SocketBufferSize));
  std::memcpy(Buffer.data(), text.data(), n);
  Buffer[n] = '\0';
  SendBuffer(Buffer.data(), 0);
}

void TSocketClient::Writeln(const std::string& text) {
  ReportStatus(8, "Writeln");
  Write(text + "\r\n");
}

// Lines come out of FInbox: one receive takes what the socket holds (a whole header,
// usually), and the lines and the body after them are served from there.
std::string TSocketClient::ReadLn() {
  ReportStatus(8, "ReadLn");
  TTimerScope timer(*this);
  for (;;) {
    const size_t lf = FInbox.find('\n');
    if (lf != std::string::npos) {
      if (Canceled) break;  // the line stays for the next read
      std::string line = FInbox.substr(0, lf + 1);
      FInbox.erase(0, lf + 1);
      return line;
    }
    if (FInbox.size() >= size_t(SocketBufferSize)) RangeError();  // no LF within 65,536 bytes
    const int room = SocketBufferSize - static_cast<int>(FInbox.size());
    const int n = Receive(Buffer.data(), room);
    if (n == 0) {  // the peer closed: a partial line is dropped
      FInbox.clear();
      return std::string();
    }
    bool wouldBlock = false;
    if (n > 0) {
      FInbox.append(Buffer.data(), static_cast<size_t>(n));
      if (FInbox.find('\n', FInbox.size() - size_t(n)) != std::string::npos) continue;
    } else {
      LastErrorNo = WSAGetLastError();
      // Socket replaced under us, or the peer reset: the data ended.
      if (LastErrorNo == WSAENOTCONN || PeerGone(LastErrorNo)) {
        FInbox.clear();
        return std::string();
      }
      std::string text;
      CheckSocketError(WSAEWOULDBLOCK, text);
      wouldBlock = true;
    }
    TransferPump(wouldBlock, kReadWaitMs);
    if (Canceled) break;
  }
  Canceled = false;
  throw EAbortError("Socket readln aborted");
}

std::string TSocketClient::Transaction(const std::string& command) {
  ReportStatus(8, "Transaction");
  ReplyNumber = 0;
  Writeln(command);
  LastReply = ReadLn();
  if (!LastReply.empty()) {
    ReportStatus(1, LastReply);
    size_t digits = 0;
    while (digits < LastReply.size() && digits < 10 && LastReply[digits] >= '0' &&
           LastReply[digits] <= '9')
      ++digits;
    if (digits > 0) {
      int64_t value = std::stoll(LastReply.substr(0, digits));
      if (value > 32767) RangeError();
      ReplyNumber = static_cast<int16_t>(value);
    }
  }
  return LastReply;
}

void TSocketClient::SendFile(const std::string& fileName) {
  ReportStatus(8, "SendFile");
  {
    TFileStream file(fileName, fmOpenRead);
    do {
      if (Canceled) break;
      int64_t got = file.Read(Buffer.data(), SocketBufferSize);
      if (got <= 0) break;  // the file shrank under us: nothing more to send
      if (FSecure) {        // sealed records: sent whole, with the same waits
        SendBytes(Buffer.data(), size_t(got), true);
        BytesSent += static_cast<int32_t>(got);
        if (OnPacketSent) OnPacketSent(this);
        PumpMessages();
        continue;
      }
      int remaining = static_cast<int>(got);
      do {
        int sent = send(SocketHandle, Buffer.data() + got - remaining, remaining, 0);
        if (sent == 0) break;
        if (sent < 0) {
          LastErrorNo = WSAGetLastError();
          if (PeerGone(LastErrorNo)) break;
          std::string text;
          CheckSocketError(WSAEWOULDBLOCK, text);
        } else {
          BytesSent += sent;
          remaining -= sent;
          if (OnPacketSent) OnPacketSent(this);
        }
        TransferPump(sent < 0, kSendWaitMs);
      } while (remaining != 0 && !Canceled);
    } while (file.Position() != file.Size() && !Canceled);
  }
  EndSend();
}

void TSocketClient::CaptureFile(const std::string& fileName) {
  ReportStatus(8, "CaptureFile");
  BytesRecvd = 0;
  TTimerScope timer(*this);
  {
    TFileStream file(fileName, fmCreate);
    while (!Canceled) {
      if (!CaptureStep([&](const char* data, int n) { file.WriteBuffer(data, n); })) break;
    }
  }
  if (Canceled) {
    Canceled = false;
    throw EAbortError("Socket send aborted");
  }
}

// One pass of a capture: receive a chunk and store it, or note why nothing came.
// False when the data has ended (a zero-byte receive, or the socket was replaced
// because the peer closed); other errors raise.
bool TSocketClient::CaptureStep(const std::function<void(const char*, int)>& store) {
  if (!FInbox.empty()) {  // what the line reader took ahead comes first
    const std::string ahead = std::move(FInbox);
    FInbox.clear();
    store(ahead.data(), static_cast<int>(ahead.size()));
    BytesRecvd += static_cast<int32_t>(ahead.size());
    if (OnPacketRecvd) OnPacketRecvd(this);
    TimerOn();
    PumpMessages();
    return true;
  }
  int got = Receive(Buffer.data(), SocketBufferSize);
  if (got == 0) return false;
  if (got > 0) {
    store(Buffer.data(), got);
    BytesRecvd += got;
    if (OnPacketRecvd) OnPacketRecvd(this);
    TimerOn();
  } else {
    LastErrorNo = WSAGetLastError();
    if (LastErrorNo == WSAENOTCONN) return false;
    std::string text;
    CheckSocketError(WSAEWOULDBLOCK, text);
  }
  TransferPump(got < 0, kReadWaitMs);
  return true;
}

void TSocketClient::CaptureString(std::string& text, int32_t limit) {
  ReportStatus(8, "Capture String");
  text.clear();
  BytesRecvd = 0;
  {
    TTimerScope timer(*this);
    while (!Canceled && (limit == -1 || static_cast<int64_t>(text.size()) < limit)) {
      if (!CaptureStep([&](const char* data, int n) { text.append(data, size_t(n)); })) break;
    }
  }
  if (Canceled) {
    Canceled = false;
    throw EAbortError("Socket capture aborted");
  }
}
