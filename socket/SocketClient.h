// TSocketClient: one TCP client socket behind operations that look blocking.
//
// Connect, Disconnect and the data operations return only when their work is done,
// failed or was canceled; while they wait they keep the application's message loop
// running. Socket events and host-lookup completions arrive as messages at the
// component's hidden socket window and become flags (Connected, Succeeded, WaitDone,
// TimedOut, Canceled) that the waiting loop tests after each pump. A per-component
// TThreadTimer bounds the waits (TimeOut ms; 0 = unbounded).
//
// Re-entrancy: any handler may run inside a wait, including Cancel/Abort (meant for
// that) and, unwisely, a second operation on the same component: all operations share
// Buffer and the flags, so callers must not nest exchanges. The peer-close handling
// may replace the socket under a running read; reads then see error 10057 and end.
//
// Departures from the plain Winsock-era behaviour, on purpose:
//  - waits sleep "up to" their pause: they return as soon as input arrives;
//  - a transfer loop that meets would-block waits (bounded) for a message instead of
//    spinning;
//  - ReadLn on 10057 (socket replaced under it) ends at once with an empty text;
//  - SendBuffer's would-block retry pumps and honours Canceled and the time-out;
//  - a graceful close handled right after a successful connect notification ends the
//    connect wait as established-then-closed (the next read sees the close); a close
//    with an error there is a failed connection;
//  - a peer that is gone (reset, aborted, or closed and its socket replaced) ends a
//    send quietly and a ReadLn with an empty text: the reply read decides, so a dead
//    server reads as "no answer" whichever event the pump saw first;
//  - a socket that could not be made (descriptors ran out) is made again by the next
//    Connect, and the failure raises the system's error text;
//  - every wait ends as canceled once the application terminates, so an end is not
//    held up by a silent server;
//  - a deadline (TDeadline) bounds a series of waits as one: each arms the time-out
//    timer for what is left of TimeOut since the deadline began;
//  - Secure makes Connect run a TLS handshake after the TCP connect (through the same
//    pumping waits, under one TimeOut; a failed handshake is a failed connection) and
//    the data operations carry their bytes in TLS records.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/SysUtils.h"
#include "platform/winapi.h"
#include "socket/SecureChannel.h"
#include "socket/ThreadTimer.h"

class ESockError : public Exception {
 public:
  using Exception::Exception;
};
class EAbortError : public ESockError {
 public:
  using ESockError::ESockError;
};

using THandlerEvent = std::function<void(bool& Handled)>;
using TOnHostResolved = std::function<void(TObject* Sender)>;
using TOnStatus = std::function<void(TObject* Sender, const std::string& Status)>;

constexpr uint16_t NoSocket = 65535;     // SocketHandle when there is none
constexpr int SocketBufferSize = 65536;  // Buffer holds this many characters plus a NUL
constexpr int HostEntryBufferSize = 1024;

class TSocketClient : public TComponent {
 public:
  explicit TSocketClient(TComponent* AOwner);
  ~TSocketClient() override;
  void BeforeDestruction() override;

  // ---- published properties and events ----
  std::string Host;
  int32_t Port = 0;
  int32_t TimeOut = 0;  // ms; 0 = no time-out; negative is a range error when armed
  int32_t ReportLevel = 0;
  std::string Proxy;  // when set, Proxy:ProxyPort is resolved and connected instead
  int32_t ProxyPort = 0;
  bool Secure = false;  // TLS over the connection, Host named to the server (SNI)
  TNotifyEvent OnConnect;
  TNotifyEvent OnDisconnect;
  THandlerEvent OnInvalidHost;
  TOnHostResolved OnHostResolved;
  TOnStatus OnStatus;
  TNotifyEvent OnConnectionFailed;
  TNotifyEvent OnPacketRecvd;
  TNotifyEvent OnPacketSent;

  // ---- connection ----
  virtual uint16_t Accept();
  virtual void Connect();
  virtual void Disconnect();
  virtual void Abort();  // reports "Abort", then Cancel
  void Cancel();         // reports "Canceling", sets Canceled

  // ---- data transfer ----
  void Write(const std::string& text);
  void Writeln(const std::string& text);
  void SendBuffer(const char* data, uint16_t length);  // length 0: up to the first NUL
  std::string ReadLn();                                // one line, line end included
  virtual std::string Transaction(const std::string& command);
  void SendFile(const std::string& fileName);
  void CaptureFile(const std::string& fileName);
  void CaptureString(std::string& text, int32_t limit);  // limit -1: until the close

  // ---- errors and status ----
  // "" for 0, "<n>:<message>" for a known number, "Unknown Error No. <n>" otherwise.
  void SocketErrorText(uint16_t errorNo, std::string& text);

  // Called by the socket window for every message numbered 1125 or above; swallows
  // every exception.
  void HandleSocketMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // ---- read-only state ----
  bool IsConnected() const { return Connected; }
  bool IsCanceled() const { return Canceled; }
  bool IsTimedOut() const { return TimedOut; }
  int32_t GetLastErrorNo() const { return LastErrorNo; }
  const std::string& GetStatusText() const { return StatusText; }
  const std::string& GetLastReply() const { return LastReply; }
  int16_t GetReplyNumber() const { return ReplyNumber; }
  int32_t GetBytesSent() const { return BytesSent; }
  int32_t GetBytesRecvd() const { return BytesRecvd; }
  uint16_t GetSocketHandle() const { return SocketHandle; }
  HWND GetSocketWindow() const { return SocketWindow; }
  TThreadTimer* GetTimeOutTimer() const { return TimeOutTimer; }
  const sockaddr_in& GetRemoteAddress() const { return RemoteAddress; }
  const WSADATA& GetWSAData() const { return WSAData; }
  const TStringList& GetSocketInfo() const { return *SocketInfo; }
  static int32_t GetSocketUsers();
  // The server's certificate of the last secure connection (Present false otherwise).
  TPeerCertificate GetPeerCertificate() const;

 protected:
  void InitSocket();
  void ResolveHost();
  void RequestClose();
  void CheckSocketError(uint16_t tolerated, std::string& text);
  void ReportStatus(uint8_t level, const std::string& text);
  bool DataAvailable();
  void TimerOn();
  void TimerOff();
  void TimerTriggered(TObject* Sender);

  // The time-out timer armed for one wait, disarmed on every way out of it.
  class TTimerScope {
   public:
    explicit TTimerScope(TSocketClient& c) : FClient(c) { FClient.TimerOn(); }
    ~TTimerScope() { FClient.TimerOff(); }
    TTimerScope(const TTimerScope&) = delete;
    TTimerScope& operator=(const TTimerScope&) = delete;

   private:
    TSocketClient& FClient;
  };

  // One TimeOut for all the waits made while it lives (not nested).
  class TDeadline {
   public:
    explicit TDeadline(TSocketClient& c);
    ~TDeadline() { FClient.FDeadlineRunning = false; }
    TDeadline(const TDeadline&) = delete;
    TDeadline& operator=(const TDeadline&) = delete;

   private:
    TSocketClient& FClient;
  };

  // Gathers the sends made while it lives and sends them with one call at Send, so
  // that a request's header and its blank line reach the peer as one segment.
  class TSendBatch {
   public:
    explicit TSendBatch(TSocketClient& c);
    ~TSendBatch();
    void Send();
    TSendBatch(const TSendBatch&) = delete;
    TSendBatch& operator=(const TSendBatch&) = delete;

   private:
    TSocketClient& FClient;
  };

  // Buffer: host name for a lookup, outgoing text, peeked and received bytes.
  std::vector<char> Buffer;
  std::unique_ptr<char[]> HostEntryBuffer;
  sockaddr_in RemoteAddress{};
  uint16_t SocketHandle = NoSocket;
  HWND SocketWindow = nullptr;
  TThreadTimer* TimeOutTimer = nullptr;  // owned through the component tree
  std::unique_ptr<TStringList> SocketInfo;
  bool Canceled = false;
  bool TimedOut = false;
  bool Succeeded = false;
  bool Connected = false;
  bool WaitDone = false;
  bool Destroying = false;
  int32_t LastErrorNo = 0;
  std::string StatusText;
  WSADATA WSAData{};
  std::string LastReply;
  int16_t ReplyNumber = 0;
  int32_t BytesSent = 0;
  int32_t BytesRecvd = 0;

 private:
  void ShutDown();  // the destruction steps; runs once
  uint16_t NewSocket(int protocol);
  void RegisterSocket();
  void ReplaceSocket();
  void PumpMessages();
  void WaitThenPump(DWORD ms);  // wait up to ms for input, then process messages
  void EventWait(const std::function<bool()>& done);  // at least one pass
  void TransferPump(bool wouldBlock, DWORD waitMs);   // waits only after a would-block
  bool CaptureStep(const std::function<void(const char*, int)>& store);
  bool PeerGone(int error) const;  // the error says the peer went away
  void SendBytes(const char* data, size_t size, bool armTimerOnWait);  // sealed when secure
  void SendRaw(const char* data, size_t size, bool armTimerOnWait);
  int Receive(char* data, int size);  // as recv, the plain text when secure
  void SecureHandshake();
  [[noreturn]] void ConnectFailed();  // OnConnectionFailed, then the reason
  void EndSend();                     // a canceled send raises its abort
  uint32_t TimeOutLeft() const;

  HANDLE FLookupTask = nullptr;   // the lookup this component waits for
  bool FLookupDone = false;       // its completion message arrived
  bool FConnectNotified = false;  // a successful FD_CONNECT arrived during this Connect
  bool FInDestructor = false;     // no OnStatus / OnDisconnect from here on
  bool FShutDown = false;
  std::string FInbox;        // received, not yet read: the rest after a line
  bool FPeerClosed = false;  // the close notification of this connection arrived
  int FPeerCloseError = 0;   // and the error it carried (0: a graceful close)
  bool FBatching = false;    // a TSendBatch gathers the sends in FOutbox
  std::string FOutbox;
  std::unique_ptr<TSecureChannel> FSecure;  // the TLS connection, kept until the next Connect
  std::string FPlainIn;                     // decrypted, not yet handed out
  bool FSecureClosed = false;               // the peer closed the TLS connection
  std::vector<char> FRawBuffer;             // records as they come off the socket
  bool FDeadlineRunning = false;
  uint32_t FDeadlineStart = 0;  // tick count when the running deadline began
};
