// TSocketClient: library start-up, construction and destruction, waits, time-out,
// cancel, status reports and socket errors.
#include "socket/SocketClient.h"

#include "framework/Forms.h"
#include "socket/SocketErrors.h"
#include "socket/SocketWindows.h"

namespace {

int32_t SocketUsers = 0;  // components that started the socket library

// Every completion an event wait looks for arrives as input that ends the wait at once
// (a socket event, a posted lookup completion, a timer deadline), so the bound is only
// a safety net; every pass costs a wake-up, which a 2-s wait at 2 ms paid 1000 times.
constexpr DWORD kEventWaitMs = 50;

}  // namespace

int32_t TSocketClient::GetSocketUsers() { return SocketUsers; }

TSocketClient::TSocketClient(TComponent* AOwner)
    : TComponent(AOwner), Buffer(SocketBufferSize + 1, '\0') {
  SocketWindow = AllocateSocketWindow(this);
  Proxy.clear();
  HostEntryBuffer = std::make_unique<char[]>(HostEntryBufferSize);
  TimeOutTimer = TComponent::Create<TThreadTimer>(this);
  TimeOutTimer->SetEnabled(false);
  TimeOutTimer->SetOnTimer([this](TObject* sender) { TimerTriggered(sender); });
  TimeOut = 0;
  SocketInfo = std::make_unique<TStringList>();
  Canceled = Destroying = Connected = false;
  try {
    InitSocket();
  } catch (...) {
    // The base destructor frees the timer; the window is ours to destroy.
    if (SocketWindow) DestroyWindow(SocketWindow);
    SocketWindow = nullptr;
    throw;
  }
}

// Destruction runs while the whole object exists (Free and owners call
// BeforeDestruction), so a descendant's Abort is the one called.
void TSocketClient::BeforeDestruction() {
  ShutDown();
  TComponent::BeforeDestruction();
}

TSocketClient::~TSocketClient() { ShutDown(); }

void TSocketClient::ShutDown() {
  if (FShutDown) return;
  FShutDown = true;
  FInDestructor = true;
  try {
    Abort();
    Cancel();
  } catch (...) {
    // destruction goes on whatever the abort did
  }
  SocketInfo.reset();
  if (TimeOutTimer) TimeOutTimer->Free();
  TimeOutTimer = nullptr;
  HostEntryBuffer.reset();
  if (SocketWindow) DestroyWindow(SocketWindow);
  SocketWindow = nullptr;
  Destroying = true;
  try {
    RequestClose();
  } catch (...) {
    // a socket that will not close is left to the library clean-up below
  }
  if (--SocketUsers == 0) WSACleanup();
}

// ---- start-up ----

void TSocketClient::InitSocket() {
  ReportStatus(8, "Initializing Winsock");
  try {
    ++SocketUsers;
    if (SocketUsers == 1) {
      WSAStartup(257, &WSAData);
      // The platform keeps the major version in the low byte: these read minor.major.
      SocketInfo->Add("Version= " + IntToStr(HIBYTE(WSAData.wVersion)) + "." +
                      IntToStr(LOBYTE(WSAData.wVersion)));
      SocketInfo->Add("High Version= " + IntToStr(HIBYTE(WSAData.wHighVersion)) + "." +
                      IntToStr(LOBYTE(WSAData.wHighVersion)));
      SocketInfo->Add(std::string("Description= ") + WSAData.szDescription);
      SocketInfo->Add(std::string("System= ") + WSAData.szSystemStatus);
      SocketInfo->Add("Max Sockets= " + IntToStr(WSAData.iMaxSockets));
      SocketInfo->Add("Max Udp pack size= " + IntToStr(WSAData.iMaxUdpDg));
    }
    try {
      SocketHandle = NewSocket(IPPROTO_TCP);
      linger l{1, 0};  // the first socket resets its connection on close
      setsockopt(SocketHandle, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
      if (SocketHandle == NoSocket) {
        std::string text;
        CheckSocketError(WSAEWOULDBLOCK, text);
      }
      RegisterSocket();
    } catch (...) {
      if (--SocketUsers == 0) WSACleanup();
      throw;
    }
  } catch (...) {
    throw ESockError("Initializaton of windows sockets failed");
  }
}

uint16_t TSocketClient::NewSocket(int protocol) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, protocol);
  if (s == INVALID_SOCKET) {
    std::string text;
    CheckSocketError(WSAEWOULDBLOCK, text);  // raises the reason (10024 too many files, ...)
    throw ESockError("Socket could not be created");
  }
  if (s > 65535) {
    closesocket(s);
    throw ERangeError("Range check error");
  }
  return static_cast<uint16_t>(s);
}

void TSocketClient::RegisterSocket() {
  WSAAsyncSelect(SocketHandle, SocketWindow, SocketEventMessage, SocketEventMask);
}

// ---- waits ----

void TSocketClient::PumpMessages() {
  if (Application) {
    Application->ProcessMessages();
    if (Application->Terminated()) Canceled = true;  // an end waits for nobody
    return;
  }
  MSG msg;  // no application object (tools, tests): a plain dispatch loop
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void TSocketClient::WaitThenPump(DWORD ms) {
  // Ends as soon as anything arrives: the pause is an upper bound, not a sleep.
  MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
  PumpMessages();
}

void TSocketClient::EventWait(const std::function<bool()>& done) {
  do {
    WaitThenPump(done() ? 0 : kEventWaitMs);  // already done: one pass, no wait
  } while (!done());
}

// ---- time-out ----

void TSocketClient::TimerOn() {
  ReportStatus(8, "Timer On");
  TimedOut = false;
  if (TimeOut < 0) throw ERangeError("Range check error");
  const uint32_t left = TimeOutLeft();
  if (left == 0 && TimeOut > 0) {  // the running deadline is spent: time out now
    TimerTriggered(TimeOutTimer);
    return;
  }
  TimeOutTimer->SetInterval(left);
  TimeOutTimer->SetEnabled(true);
}

// TimeOut, or inside a deadline what is left of it (0 once it is spent).
uint32_t TSocketClient::TimeOutLeft() const {
  const auto full = static_cast<uint32_t>(TimeOut);
  if (!FDeadlineRunning || full == 0) return full;
  const uint32_t spent = GetTickCount() - FDeadlineStart;
  return spent >= full ? 0 : full - spent;
}

TSocketClient::TDeadline::TDeadline(TSocketClient& c) : FClient(c) {
  FClient.FDeadlineRunning = true;
  FClient.FDeadlineStart = GetTickCount();
}

void TSocketClient::TimerOff() {
  ReportStatus(8, "Timer Off");
  if (TimeOutTimer) TimeOutTimer->SetEnabled(false);
}

void TSocketClient::TimerTriggered(TObject* Sender) {
  ReportStatus(8, "Timer Triggered");
  TimerOff();
  TimedOut = true;
  WaitDone = true;
  Abort();
}

// ---- cancel, abort ----

void TSocketClient::Cancel() {
  ReportStatus(8, "Canceling");
  Canceled = true;
}

void TSocketClient::Abort() {
  ReportStatus(8, "Abort");
  Cancel();
}

// ---- status and errors ----

void TSocketClient::ReportStatus(uint8_t level, const std::string& text) {
  if (level > ReportLevel) return;
  StatusText = text;
  if (FInDestructor || ComponentState().Contains(csDestroying) || !OnStatus) return;
  try {
    OnStatus(this, StatusText);
  } catch (...) {
    // a status display must never break the operation it reports on
  }
}

void TSocketClient::CheckSocketError(uint16_t tolerated, std::string& text) {
  LastErrorNo = WSAGetLastError();
  if (LastErrorNo != tolerated && LastErrorNo > 10000) {
    SocketErrorText(static_cast<uint16_t>(LastErrorNo), text);
    throw ESockError(text);
  }
  text.clear();
}

void TSocketClient::SocketErrorText(uint16_t errorNo, std::string& text) {
  ReportStatus(8, "Looking Up Error Message" + text);
  text.clear();
  if (errorNo == 0) return;
  const char* message = SocketErrorMessage(errorNo);
  text = message ? IntToStr(errorNo) + ":" + message : "Unknown Error No. " + IntToStr(errorNo);
}
