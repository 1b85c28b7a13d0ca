// The check mode: one HEAD request and its verdict as a monitoring plugin's line.
#include "app/CheckMode.h"

#include <chrono>

#include "app/PollRecord.h"
#include "app/fMain.h"

namespace {

const char* const kStatusWords[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};

// A server's text on one line of ours: control characters and the perfdata bar
// would forge the line an engine parses.
std::string Printable(const std::string& text) {
  std::string out = text.substr(0, 200);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '|') c = '?';
  return out;
}

std::string Threshold(const std::optional<double>& seconds) {
  return seconds ? FixedPoint(*seconds, 6) : std::string();
}

struct TCheckRun {
  TPollOutcome Outcome = poError;
  std::string Error;
  double Seconds = 0;
  std::string Header;
};

TCheckRun Poll(const TCheckOptions& options) {
  TCheckRun run;
  TOwnedPtr<THttpClient> http(TComponent::Create<THttpClient>(nullptr));
  SetUpPollClient(*http);
  http->TimeOut = int(options.Timeout * 1000);
  http->OnSuccess = [&](CmdType) { run.Outcome = poSuccess; };
  http->OnFailure = [&](CmdType) { run.Outcome = poFailure; };
  http->OnInvalidHost = [&](bool&) { run.Outcome = poInvalidHost; };  // no second lookup
  http->OnConnectionFailed = [&](TObject*) { run.Outcome = poConnectionFailed; };
  const auto start = std::chrono::steady_clock::now();
  try {
    http->Head(options.Address);
  } catch (const std::exception& e) {
    run.Error = e.what();
  }
  run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.Header = http->Header;
  return run;
}

TCheckStatus Verdict(const TCheckOptions& options, const TCheckRun& run) {
  if (run.Outcome != poSuccess) return csCritical;
  if (options.Critical && run.Seconds > *options.Critical) return csCritical;
  if (options.Warning && run.Seconds > *options.Warning) return csWarning;
  return csOk;
}

std::string Summary(const TCheckOptions& options, const TCheckRun& run) {
  switch (run.Outcome) {
    case poSuccess:
    case poFailure: {
      std::string status;
      StatusOfHeader(run.Header, &status);
      if (status.empty()) status = "No status code";
      return Printable(status) + ", " + FixedPoint(run.Seconds, 3) +
             " s | time=" + FixedPoint(run.Seconds, 6) + "s;" + Threshold(options.Warning) + ";" +
             Threshold(options.Critical) + ";0 size=" + std::to_string(run.Header.size()) + "B;;;0";
    }
    case poInvalidHost:
      return "Invalid Host " + Printable(options.Address);
    case poConnectionFailed:  // the error says why, unless it only says the same
      return run.Error == "Connection Failed" ? run.Error
                                              : "Connection Failed (" + Printable(run.Error) + ")";
    case poError:
      break;
  }
  return Printable(run.Error) + ", " + FixedPoint(run.Seconds, 3) +
         " s";  // a time-out shows as such
}

}  // namespace

TCheckStatus RunCheck(const TCheckOptions& Options, std::string& Line) {
  TCheckStatus status = csUnknown;
  std::string text;
  try {
    const TCheckRun run = Poll(Options);
    status = Verdict(Options, run);
    text = Summary(Options, run);
  } catch (const std::exception& e) {  // no socket library, no memory: no verdict
    text = Printable(e.what());
  }
  Line = std::string("HTTP ") + kStatusWords[status] + " - " + text;
  return status;
}
