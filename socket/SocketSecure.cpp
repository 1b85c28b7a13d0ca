// TSocketClient: the TLS side of a secure connection. The handshake and the records go
// through the same socket calls and pumping waits as plain data, under the same time-out
// and Canceled flag, so a close or a time-out ends a handshake at once.
#include "socket/SocketClient.h"

namespace {

constexpr DWORD kHandshakeWaitMs = 50;     // a safety net: the read notification wakes it
constexpr size_t kRawChunk = 16384 + 512;  // one whole record, as most receives bring

}  // namespace

TPeerCertificate TSocketClient::GetPeerCertificate() const {
  return FSecure ? FSecure->Certificate() : TPeerCertificate{};
}

// Failures raise ESockError with their reason; Connect turns them into a failed connection.
void TSocketClient::SecureHandshake() {
  FSecure = std::make_unique<TSecureChannel>(Host);
  FRawBuffer.resize(kRawChunk);
  TTimerScope timer(*this);
  std::string out;
  while (!Canceled) {
    const bool done = FSecure->Handshake(out);
    if (!out.empty()) {
      SendRaw(out.data(), out.size(), false);
      out.clear();
    }
    if (done || Canceled) break;
    const int got = recv(SocketHandle, FRawBuffer.data(), int(FRawBuffer.size()), 0);
    if (got > 0) {
      FSecure->Incoming().append(FRawBuffer.data(), size_t(got));
      continue;
    }
    if (got < 0) LastErrorNo = WSAGetLastError();
    if (got == 0 || LastErrorNo == WSAENOTCONN || PeerGone(LastErrorNo))
      throw ESockError("TLS handshake failed: the server closed the connection");
    std::string text;
    CheckSocketError(WSAEWOULDBLOCK, text);
    WaitThenPump(kHandshakeWaitMs);
  }
}

// As recv for the plain text: what was decrypted first, then records from the socket
// until one yields data, the peer closes (0) or the socket would block (-1, 10035).
int TSocketClient::Receive(char* data, int size) {
  if (!FSecure) return recv(SocketHandle, data, size, 0);
  for (;;) {
    if (!FPlainIn.empty()) {
      const int n = std::min(size, static_cast<int>(FPlainIn.size()));
      std::copy(FPlainIn.begin(), FPlainIn.begin() + n, data);
      FPlainIn.erase(0, size_t(n));
      return n;
    }
    if (FSecureClosed) return 0;
    if (!FSecure->Open(FPlainIn)) FSecureClosed = true;
    if (!FPlainIn.empty() || FSecureClosed) continue;
    const int got = recv(SocketHandle, FRawBuffer.data(), int(FRawBuffer.size()), 0);
    if (got <= 0) return got;
    FSecure->Incoming().append(FRawBuffer.data(), size_t(got));
  }
}
