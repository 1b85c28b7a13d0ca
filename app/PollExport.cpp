// The metrics and history files written after each poll.
#include "app/PollExport.h"

#include "framework/Classes.h"

namespace {

// A label value as the text format wants it: backslash, quote and line feed escaped.
std::string LabelValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"')
      out += {'\\', c};
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

// A CSV field, quoted when it holds a separator, a quote or a line end.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

struct TMetric {
  const char* Name;
  const char* Type;
  const char* Help;
  std::string Value;
};

}  // namespace

void TPollTotals::Add(const TPollRecord& Poll) {
  ++Polls;
  HeaderBytes += Poll.HeaderBytes;
  switch (Poll.Outcome) {
    case poSuccess:
      ++Successes;
      break;
    case poFailure:
      ++Failures;
      break;
    case poInvalidHost:
      ++InvalidHosts;
      break;
    case poConnectionFailed:
      ++ConnectionFailures;
      break;
    case poError:
      ++Errors;
      break;
  }
}

std::string MetricsText(const TPollTotals& Totals, const TPollRecord& Last) {
  const std::string ms = std::to_string(Last.End.UnixMs % 1000 + 1000).substr(1);
  const TMetric metrics[] = {
      {"up", "gauge", "Whether the last poll succeeded (1) or not (0).",
       Last.Outcome == poSuccess ? "1" : "0"},
      {"poll_duration_seconds", "gauge", "How long the last poll took.",
       FixedPoint(Last.ElapsedSeconds, 6)},
      {"last_status_code", "gauge", "The HTTP status code of the last poll (0: no status).",
       std::to_string(Last.StatusCode < 0 ? 0 : Last.StatusCode)},
      {"last_poll_timestamp_seconds", "gauge", "When the last poll ended, in seconds since 1970.",
       std::to_string(Last.End.UnixMs / 1000) + "." + ms},
      {"polls_total", "counter", "Polls made since the program started.",
       std::to_string(Totals.Polls)},
      {"successes_total", "counter", "Polls that ended with a success.",
       std::to_string(Totals.Successes)},
      {"failures_total", "counter", "Polls that ended with an HTTP failure.",
       std::to_string(Totals.Failures)},
      {"connection_failures_total", "counter", "Polls whose connection could not be made.",
       std::to_string(Totals.ConnectionFailures)},
      {"invalid_hosts_total", "counter", "Polls whose host name could not be resolved.",
       std::to_string(Totals.InvalidHosts)},
      {"errors_total", "counter", "Polls that ended with another error.",
       std::to_string(Totals.Errors)},
      {"header_bytes_total", "counter", "Response header bytes received.",
       std::to_string(Totals.HeaderBytes)},
  };
  const std::string label = "{address=\"" + LabelValue(Last.Address) + "\"} ";
  std::string text;
  for (const TMetric& m : metrics) {
    const std::string name = std::string("tavix_") + m.Name;
    text += "# HELP " + name + " " + m.Help + "\n";
    text += "# TYPE " + name + " " + m.Type + "\n";
    text += name + label + m.Value + "\n";
  }
  return text;
}

std::string HistoryHeader() { return "time,address,outcome,status,elapsed_ms,header_bytes\n"; }

std::string HistoryLine(const TPollRecord& Poll) {
  const long long ms = static_cast<long long>(Poll.ElapsedSeconds * 1000 + 0.5);
  return IsoTime(Poll.End) + "," + CsvField(Poll.Address) + "," + OutcomeWord(Poll.Outcome) + "," +
         (Poll.StatusCode < 0 ? std::string() : std::to_string(Poll.StatusCode)) + "," +
         std::to_string(ms) + "," + std::to_string(Poll.HeaderBytes) + "\n";
}

void AppendToFile(const std::string& FileName, const std::string& Header, const std::string& Text) {
  auto fail = [&](DWORD err) {
    throw EFCreateError(Format("Cannot append to %s. %s", {FileName, SysErrorMessage(err)}));
  };
  HANDLE h = CreateFileA(FileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) fail(GetLastError());
  LONG high = 0;
  const DWORD low = SetFilePointer(h, 0, &high, FILE_END);
  const bool placed = !(low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS);
  const std::string bytes = (placed && low == 0 && high == 0 ? Header : std::string()) + Text;
  DWORD put = 0, err = 0;
  if (!placed || !WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr))
    err = GetLastError();
  else if (put != bytes.size())
    err = ERROR_DISK_FULL;
  // A line cut short (a full disk) is taken back, so the file holds whole lines only.
  if (err && placed && SetFilePointer(h, LONG(low), &high, FILE_BEGIN) == low) SetEndOfFile(h);
  CloseHandle(h);
  if (err) fail(err);
}

void TPollExport::Guarded(bool& failing, const std::function<void()>& write) {
  try {
    write();
    failing = false;
  } catch (const Exception& e) {
    if (!failing && OnError) OnError(e);
    failing = true;
  }
}

void TPollExport::Record(const TPollRecord& Poll) {
  FTotals.Add(Poll);
  if (!MetricsFile.empty())
    Guarded(FMetricsFailing, [&] { ReplaceFileContents(MetricsFile, MetricsText(FTotals, Poll)); });
  if (!HistoryFile.empty())
    Guarded(FHistoryFailing,
            [&] { AppendToFile(HistoryFile, HistoryHeader(), HistoryLine(Poll)); });
}
