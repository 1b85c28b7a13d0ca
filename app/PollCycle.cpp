// The poll cycle: one HEAD request per poll, the automatic-polling toggle and
// timer, and the handlers that turn each outcome into a log line and a count.
//
// FBusy stays set until Head has returned (not only until the first result
// handler), so a timer tick or "Poll Now" during the closing steps of a request
// cannot start a second request on the same client.
#include <algorithm>
#include <thread>

#include "app/fMain.h"

void TForm1::PollServer() {
  if (Application->Terminated()) return;  // the program is ending: no new request
  if (FBusy) {
    if (FManualPoll) ShowBusyNotice();
    return;
  }
  FBusy = true;
  StartPollClock();
  CountResult(skPoll);
  FPollSucceeded = false;
  FPollOutcome.clear();
  auto failed = [this](const std::string& message) {
    LogMsg(message);
    FPollSucceeded = false;
    if (FPollOutcome.empty()) FPollOutcome = message;
  };
  const std::string address = edURL->Text();
  try {
    HTTP->Head(address);
  } catch (const Exception& e) {
    failed(e.Message());
    LogWhyItEnded();
  } catch (const std::exception& e) {
    failed(e.what());  // a library's own exception (no memory, ...) is logged all the same
    LogWhyItEnded();
  } catch (...) {
    FBusy = false;
    throw;
  }
  FBusy = false;
  // A poll the program's own end cut short says nothing of the server: no false alert,
  // no record.
  if (Application->Terminated()) return;
  ExportPoll(address);
  PollEnded();
}

// What follows a poll's log lines, once per poll: the server's state and its alerts.
void TForm1::PollEnded() {
  FAlerts->PollEnded(FPollSucceeded, FPollOutcome.empty() ? "no answer" : FPollOutcome);
}

// Notes a result handler's outcome: the poll succeeded if its last event was a success
// and no error followed. The last event names the outcome; an error names it only
// when no event came first (after CONNECTION FAILED the error adds nothing).
void TForm1::NoteOutcome(bool Success, const char* Outcome) {
  FPollSucceeded = Success;
  FPollOutcome = Outcome;
}

// "Poll Now" during a poll arrives inside the poll's own wait. A modal box opened
// there would hold that wait until the box is closed: the poll's elapsed time would
// include the time the box was open, its time-out would run out behind the box, and
// no automatic poll could run. So the notice is shown from a thread of its own (a
// message box runs its own loop there), one at a time, and the poll goes on.
void TForm1::ShowBusyNotice() {
  if (FBusyNoticeOpen->exchange(true)) return;
  std::thread([open = FBusyNoticeOpen, caption = Application->Title()] {
    MessageBoxA(nullptr, "Busy waiting for response - please wait a moment.", caption.c_str(),
                MB_OK);
    open->store(false);
  }).detach();
}

// The error texts name neither the time-out nor the address a redirect led to; a line
// after them does, so the texts themselves stay as they are.
void TForm1::LogWhyItEnded() {
  if (HTTP->EndedByTimeOut()) LogFmt("TIMED OUT after %d seconds", {HTTP->TimeOut / 1000});
  LogRedirectTarget();
}

void TForm1::LogRedirectTarget() {
  if (!HTTP->RedirectedTo().empty()) LogFmt("AT REDIRECT TARGET %s", {HTTP->RedirectedTo()});
}

// After the poll's log lines: what other tools read. The outcome is the last kind
// the handlers counted (only skPoll: the request ended with an error).
void TForm1::ExportPoll(const std::string& Address) {
  if (!FExport.Enabled()) return;
  static const TPollOutcome kOutcomes[] = {poError, poSuccess, poFailure, poInvalidHost,
                                           poConnectionFailed};
  TPollRecord poll;
  poll.Address = Address;
  poll.Outcome = kOutcomes[FPollEndKind];
  const bool answered = poll.Outcome == poSuccess || poll.Outcome == poFailure;
  if (answered) {
    poll.StatusCode = StatusOfHeader(HTTP->Header);
    poll.HeaderBytes = HTTP->Header.size();
  }
  const double days = answered ? FLastElapsed : TickCountDays() - FPollStartTick;
  poll.ElapsedSeconds = std::max(0.0, days * 86400);
  poll.End = WallTimeNow();
  FExport.Record(poll);
}

void TForm1::StartPollClock() {
  FPollStart = Now();
  FPollStartTick = TickCountDays();
}

void TForm1::btnPollClick(TObject* Sender) {
  LogMsg("MANUAL POLL");
  FManualPoll = true;
  PollServer();
}

void TForm1::btnStartClick(TObject* Sender) { ToggleAutoPoll(); }

void TForm1::ToggleAutoPoll() {
  if (btnStart->Caption() == "Start") {
    Timer1->SetEnabled(true);
    btnStart->SetCaption("Stop");
    LogMsg("AUTO-POLLING STARTED");
    PollServer();
  } else {
    Timer1->SetEnabled(false);
    btnStart->SetCaption("Start");
    LogMsg("AUTO-POLLING STOPPED");
    FAlerts->PollingStopped();
  }
}

// The interval in milliseconds for the box's value. While the user types, the
// value may lie outside 1..10000 (it is clamped when the box loses the focus);
// the timer uses the clamped value meanwhile, so a typed 0 cannot stop the
// timer and a typed 99999 cannot overflow the interval.
int TForm1::IntervalMs() const { return std::clamp(edFreq->Value(), 1, 10000) * 60000; }

void TForm1::Timer1Timer(TObject* Sender) {
  if (FBusy) {
    Timer1->SetInterval(1000);
    return;
  }
  Timer1->SetInterval(UINT(IntervalMs()));
  FManualPoll = false;
  PollServer();
}

void TForm1::edFreqChange(TObject* Sender) {
  Timer1->SetInterval(UINT(IntervalMs()));
  if (!FLoading) LogFmt("FREQUENCY CHANGED to %d MINUTES", {edFreq->Value()});
}

void TForm1::HTTPSuccess(CmdType Cmd) {
  const std::string elapsed = MeasureElapsed();
  CountResult(skSuccess);
  LogFmt("SUCCESS %s %s%s", {edURL->Text(), elapsed, HeaderSuffix()});
  WarnCertificateExpiry();
  NoteOutcome(true, "SUCCESS");
}

void TForm1::HTTPFailure(CmdType Cmd) {
  CountResult(skFailure);
  const std::string elapsed = MeasureElapsed();
  LogFmt("FAILURE %s", {elapsed});
  LogRedirectTarget();
  NoteOutcome(false, "FAILURE");
}

void TForm1::HTTPInvalidHost(bool& Handled) {
  struct Finally {
    bool& handled;
    ~Finally() { handled = true; }
  } finally{Handled};
  CountResult(skInvalidHost);
  LogFmt("INVALID HOST %s", {edURL->Text()});
  NoteOutcome(false, "INVALID HOST");
}

void TForm1::HTTPConnectionFailed(TObject* Sender) {
  CountResult(skNoConnection);
  LogMsg("CONNECTION FAILED");
  NoteOutcome(false, "CONNECTION FAILED");
}
