// The activity log and its statistics: time-stamped lines, the statistics
// report, clearing, and saving the log as a text file.
#include <cmath>

#include "app/LogEcho.h"
#include "app/fMain.h"

namespace {

constexpr double kMsPerDay = 86400000.0;

// A NUL inside a logged text would cut the log control's text there and lose
// every later line; show it as "?" instead.
std::string WithoutNul(std::string s) {
  for (char& c : s)
    if (c == '\0') c = '?';
  return s;
}

}  // namespace

void TForm1::AppendLogLine(const std::string& line) {
  if (!EchoLogText(line)) Memo1->Lines()->Add(WithoutNul(line));
}

void TForm1::LogFmt(const std::string& Pattern, std::initializer_list<TVarRec> Args) {
  LogMsg(Format(Pattern, Args));
}

std::string TForm1::LogMsg(const std::string& Text) {
  std::string line = Format("%s - %s.", {DateTimeToStr(Now()), Text});
  AppendLogLine(line);
  return line;
}

void TForm1::CountResult(TStatKind Kind) {
  FPollEndKind = Kind;
  switch (Kind) {
    case skPoll:
      ++FPollCount;
      break;
    case skSuccess:
      ++FSuccessCount;
      FSuccessTimeTotal += FLastElapsed;
      FHeaderBytes += double(HTTP->Header.size());
      ++FSuccessTimes[std::llround(FLastElapsed * kMsPerDay)];
      break;
    case skFailure:
      ++FFailCount;
      break;
    case skInvalidHost:
      ++FInvalidHostCount;
      break;
    case skNoConnection:
      ++FNoConnectionCount;
      break;
  }
}

std::string TForm1::FormatElapsed(TDateTime Span) {
  double fraction = Span - std::floor(Span);  // whole days are dropped
  int64_t ms = std::llround(fraction * kMsPerDay);
  if (ms >= int64_t(kMsPerDay)) ms = 0;
  const int h = int(ms / 3600000), m = int(ms / 60000 % 60), s = int(ms / 1000 % 60);
  return Format("%.2d:%.2d:%.2d.%.3d", {h, m, s, int(ms % 1000)});
}

// Measured on the monotonic clock, so a clock change during a poll cannot give a
// negative or hour-long duration.
std::string TForm1::MeasureElapsed() {
  double span = TickCountDays() - FPollStartTick;
  if (span < 0) span = 0;
  FLastElapsed = span;
  return FormatElapsed(span);
}

std::string TForm1::HeaderSuffix() {
  return cbxHeader->Checked() ? "\r\n" + HTTP->Header : std::string();
}

void TForm1::ResetStats() {
  FPollCount = FSuccessCount = FFailCount = FNoConnectionCount = FInvalidHostCount = 0;
  FHeaderBytes = 0;
  FSuccessTimeTotal = 0;
  FSuccessTimes.clear();
  FStatsStart = Now();
}

void TForm1::ClearLog() {
  Memo1->Lines()->Clear();
  ResetStats();
}

void TForm1::LogStats() {
  AppendLogLine("");
  LogFmt("STATS - Started %s >>", {DateTimeToStr(FStatsStart)});
  const double average = FSuccessCount != 0 ? FSuccessTimeTotal / FSuccessCount : 0;
  AppendLogLine(Format("\tTotal Polls: %d", {FPollCount}));
  AppendLogLine(Format("\tSuccess: %d", {FSuccessCount}));
  AppendLogLine(Format("\tFail: %d", {FFailCount}));
  AppendLogLine(Format("\tNo Connection: %d", {FNoConnectionCount}));
  AppendLogLine(Format("\tInvalid Host: %d", {FInvalidHostCount}));
  AppendLogLine(Format("\tAvg. Success Time: %s", {FormatElapsed(average)}));
  AppendLogLine(Format("\tBandwidth Used: %.1f KBytes", {FHeaderBytes / 1024}));
  for (const std::string& line : ReportFigureLines(FSuccessTimes, FPollCount, FSuccessCount))
    AppendLogLine(line);
  AppendLogLine("");
  ResetStats();
}

void TForm1::btnLogStatsClick(TObject* Sender) { LogStats(); }

void TForm1::btnClearClick(TObject* Sender) {
  if (Application->MessageBox("Clear polling log and stats?", "Confirm",
                              MB_YESNO | MB_ICONQUESTION) == IDYES)
    ClearLog();
}

// A failed save never destroys what the file held before, and the file stays the
// user's: its mode, owner and link are kept.
void TForm1::WriteLogFile(const std::string& fileName) {
  ReplaceFileContents(fileName, Memo1->Lines()->Text());
}

void TForm1::btnSaveClick(TObject* Sender) {
  WORD y, mo, d, h, mi, s, ms;
  DecodeDate(Now(), y, mo, d);
  DecodeTime(Now(), h, mi, s, ms);
  SaveDialog->FileName = Format("tavix-%.4d-%.2d-%.2d-%.2d-%.2d-%.2d", {y, mo, d, h, mi, s});
  SaveDialog->FilterIndex = 1;
  if (!SaveDialog->Execute()) return;
  LogStats();
  WriteLogFile(SaveDialog->FileName);
  if (!FClosing &&
      Application->MessageBox("File saved successfully. Do you want to clear display log?",
                              "Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES)
    ClearLog();
}
