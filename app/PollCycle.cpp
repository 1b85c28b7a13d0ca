// The poll cycle: one HEAD request per poll, the automatic-polling toggle and
// timer, and the handlers that turn each outcome into a log line and a count.
//
// FBusy stays set until Head has returned (not only until the first result
// handler), so a timer tick or "Poll Now" during the closing steps of a request
// cannot start a second request on the same client.
#include <algorithm>

#include "app/fMain.h"

void TForm1::PollServer() {
  if (Application->Terminated()) return;  // the program is ending: no new request
  if (FBusy) {
    if (FManualPoll)
      Application->MessageBox("Busy waiting for response - please wait a moment.",
                              Application->Title(), MB_OK);
    return;
  }
  FBusy = true;
  StartPollClock();
  CountResult(skPoll);
  const std::string address = edURL->Text();
  try {
    HTTP->Head(address);
  } catch (const Exception& e) {
    LogMsg(e.Message());
  } catch (const std::exception& e) {
    LogMsg(e.what());  // a library's own exception (no memory, ...) is logged all the same
  } catch (...) {
    FBusy = false;
    throw;
  }
  FBusy = false;
  ExportPoll(address);
}

// After the poll's log lines: what other tools read. The outcome is the last kind
// the handlers counted (only skPoll: the request ended with an error).
void TForm1::ExportPoll(const std::string& Address) {
  if (!FExport.Enabled()) return;
  static const TPollOutcome kOutcomes[] = {poError, poSuccess, poFailure, poInvalidHost,
                                           poConnectionFailed};
  TPollRecord poll;
  poll.Address = Address;
  poll.Outcome = kOutcomes[FPollOutcome];
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
}

void TForm1::HTTPFailure(CmdType Cmd) {
  CountResult(skFailure);
  const std::string elapsed = MeasureElapsed();
  LogFmt("FAILURE %s", {elapsed});
}

void TForm1::HTTPInvalidHost(bool& Handled) {
  struct Finally {
    bool& handled;
    ~Finally() { handled = true; }
  } finally{Handled};
  CountResult(skInvalidHost);
  LogFmt("INVALID HOST %s", {edURL->Text()});
}

void TForm1::HTTPConnectionFailed(TObject* Sender) {
  CountResult(skNoConnection);
  LogMsg("CONNECTION FAILED");
}
