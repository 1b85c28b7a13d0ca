// TSocketClient: name resolution, connect, accept, disconnect and the handling of
// socket notifications.
#include <cstring>

#include "socket/SocketClient.h"
#include "socket/SocketWindows.h"

void TSocketClient::ResolveHost() {
  ReportStatus(8, "Resolve Host");
  const std::string& name = Proxy.empty() ? Host : Proxy;
  size_t n = std::min(name.size(), static_cast<size_t>(SocketBufferSize));
  std::memcpy(Buffer.data(), name.data(), n);
  Buffer[n] = '\0';
  RemoteAddress.sin_addr.s_addr = inet_addr(Buffer.data());
  if (RemoteAddress.sin_addr.s_addr != INADDR_NONE) return;

  RemoteAddress.sin_addr.s_addr = 0;
  WaitDone = false;
  FLookupDone = false;
  FLookupTask = WSAAsyncGetHostByName(SocketWindow, HostLookupMessage, Buffer.data(),
                                      HostEntryBuffer.get(), HostEntryBufferSize);
  if (!FLookupTask) {  // refused at once (no thread, no memory): nothing to wait for
    std::string text;
    CheckSocketError(0, text);
    throw ESockError(text.empty() ? "Host Lookup Failed" : text);
  }
  {
    TTimerScope timer(*this);
    EventWait([this] { return WaitDone || TimedOut || Canceled; });
  }
  if (!FLookupDone && FLookupTask) {
    // Abandoned: its late completion must not overwrite the entry of a later lookup.
    WSACancelAsyncRequest(FLookupTask);
  }
  FLookupTask = nullptr;

  if (TimedOut) throw ESockError("Host Lookup Timed Out");
  if (Canceled) throw ESockError("Host Lookup Canceled");
  const auto* entry = reinterpret_cast<const hostent*>(HostEntryBuffer.get());
  if (!Succeeded || !FLookupDone || !entry->h_addr_list || !entry->h_addr_list[0])
    throw ESockError("Host Lookup Failed");
  std::memcpy(&RemoteAddress.sin_addr.s_addr, entry->h_addr_list[0], 4);
  if (OnHostResolved) OnHostResolved(this);
}

void TSocketClient::Connect() {
  ReportStatus(8, "Connecting");
  Canceled = false;
  if (Connected) throw ESockError("Already connected");
  FSecure.reset();  // the last connection's channel, kept for its certificate
  FPlainIn.clear();
  FSecureClosed = false;
  if (SocketHandle == NoSocket) ReplaceSocket();  // the last one could not be made

  int retries = 0;
  do {
    try {
      ResolveHost();
    } catch (const ESockError& e) {
      if (e.Message() != "Host Lookup Failed") throw;  // only "no address" asks the handler
    }
    if (RemoteAddress.sin_addr.s_addr == 0) {
      if (retries > 0 || !OnInvalidHost) throw ESockError("Null Remote Address");
      bool handled = false;
      OnInvalidHost(handled);
      if (!handled) throw ESockError("Null Remote Address");
      ++retries;  // the handler may have changed Host or Proxy
    }
  } while (RemoteAddress.sin_addr.s_addr == 0);

  RemoteAddress.sin_family = AF_INET;
  int32_t port = Proxy.empty() ? Port : ProxyPort;
  RemoteAddress.sin_port = htons(static_cast<u_short>(port & 0xffff));
  WaitDone = false;
  Succeeded = true;
  FConnectNotified = false;
  FPeerClosed = false;
  FPeerCloseError = 0;
  if (connect(SocketHandle, reinterpret_cast<const sockaddr*>(&RemoteAddress),
              sizeof RemoteAddress) == SOCKET_ERROR) {
    std::string text;
    CheckSocketError(WSAEWOULDBLOCK, text);
  }
  {
    // FConnectNotified: a peer that accepts and closes at once has its close handled
    // in the same pump, which clears Connected again; the connection was still made.
    // A close with an error (a reset) there ends the connect as failed.
    TTimerScope timer(*this);
    EventWait(
        [this] { return Connected || TimedOut || Canceled || !Succeeded || FConnectNotified; });
  }
  const bool made = (Connected || FConnectNotified) && FPeerCloseError == 0;
  if (!TimedOut && !Canceled && made) {
    if (!Secure) return;
    try {
      SecureHandshake();
    } catch (const ESockError&) {
      if (TimedOut || Canceled) ConnectFailed();  // the wait's own reason, not its echo
      if (OnConnectionFailed) OnConnectionFailed(this);
      throw;
    }
    if (!TimedOut && !Canceled) return;
  }
  ConnectFailed();
}

void TSocketClient::ConnectFailed() {
  if (OnConnectionFailed) OnConnectionFailed(this);
  if (TimedOut) throw ESockError("Connection Timed out");
  if (Canceled) throw ESockError("Connection Canceled");
  throw ESockError("Connection Failed");
}

uint16_t TSocketClient::Accept() {
  ReportStatus(4, "Accepting");
  // The incoming-connection event (which sets Connected) ends the wait as well.
  EventWait([this] { return WaitDone || Canceled || Connected; });
  if (Canceled) throw ESockError("Accepting Canceled");
  if (!Succeeded) throw ESockError("Error creating Data Connection");
  sockaddr_in peer{};
  int len = sizeof peer;
  SOCKET s = accept(SocketHandle, reinterpret_cast<sockaddr*>(&peer), &len);
  if (s > 65535) throw ERangeError("Range check error");
  WSAAsyncSelect(s, SocketWindow, SocketEventMessage, SocketEventMask);
  RemoteAddress = peer;
  if (Canceled) {
    Canceled = false;
    throw EAbortError("Socket send aborted");
  }
  return static_cast<uint16_t>(s);
}

void TSocketClient::Disconnect() {
  ReportStatus(8, "Disconnecting");
  RequestClose();
}

void TSocketClient::RequestClose() {
  ReportStatus(4, "Request Close Socket");
  Connected = false;
  FInbox.clear();  // what the closed connection sent is not the next one's
  FPlainIn.clear();
  if (FSecure) FSecure->Incoming().clear();  // the channel itself may be mid-handshake
  if (SocketHandle == NoSocket) return;
  if (closesocket(SocketHandle) == SOCKET_ERROR) {
    std::string text;
    CheckSocketError(WSAEWOULDBLOCK, text);
    return;
  }
  SocketHandle = NoSocket;  // never keep a closed handle, even if what follows raises
  try {
    if (!FInDestructor && !ComponentState().Contains(csDestroying) && OnDisconnect)
      OnDisconnect(this);
  } catch (...) {
    if (!Destroying) ReplaceSocket();
    throw;
  }
  if (!Destroying) ReplaceSocket();
}

void TSocketClient::ReplaceSocket() {
  // Events of the closed socket may still wait in the queue, and Windows may give the
  // new socket the same handle: they would pass for the new socket's, so they go now.
  MSG stale;
  while (PeekMessageA(&stale, SocketWindow, SocketEventMessage, SocketEventMessage, PM_REMOVE)) {
  }
  SocketHandle = NewSocket(0);  // no linger option: replacements close gracefully
  RegisterSocket();
}

// Peeks into a byte of its own: Buffer may still hold text a send is waiting to pass on.
bool TSocketClient::DataAvailable() {
  ReportStatus(8, "Data Available");
  if (!FInbox.empty() || !FPlainIn.empty() || (FSecure && !FSecure->Incoming().empty()))
    return true;
  char byte = 0;
  return recv(SocketHandle, &byte, 1, MSG_PEEK) >= 1;
}

bool TSocketClient::PeerGone(int error) const {
  return error == WSAECONNRESET || error == WSAECONNABORTED ||
         (error == WSAENOTCONN && FPeerClosed);
}

void TSocketClient::HandleSocketMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    // Notifications of a socket already closed, or of an abandoned lookup, are stale:
    // acting on them would close the current socket or end the current wait.
    if (msg == SocketEventMessage && wParam != SocketHandle) return;
    if (msg == HostLookupMessage &&
        reinterpret_cast<HANDLE>(static_cast<uintptr_t>(wParam)) != FLookupTask)
      return;
    Succeeded = HIWORD(lParam) == 0;
    if (msg == SocketEventMessage) {
      switch (LOWORD(lParam)) {
        case FD_ACCEPT:
          Connected = true;
          break;
        case FD_CONNECT:
          if (Succeeded) {
            Connected = true;
            FConnectNotified = true;
            if (OnConnect) OnConnect(this);
          }
          break;
        case FD_CLOSE:
          FPeerClosed = true;
          FPeerCloseError = HIWORD(lParam);
          if (!DataAvailable()) RequestClose();
          break;
        default:
          break;  // FD_READ, FD_OOB: the data operations poll the socket themselves
      }
    } else if (msg == HostLookupMessage) {
      FLookupDone = true;
      WaitDone = true;
    }
  } catch (...) {
    // a notification handler has no caller to report to
  }
}
