// What other tools read after each poll: a metrics file in the Prometheus text
// format (for the node exporter's textfile collector), rewritten atomically, and a
// history file in CSV, one line appended per poll and never truncated. Both are
// optional (an empty name writes nothing); the counters run from the program's start.
#pragma once

#include <functional>
#include <string>

#include "app/PollRecord.h"
#include "framework/SysUtils.h"

struct TPollTotals {
  uint64_t Polls = 0, Successes = 0, Failures = 0, ConnectionFailures = 0, InvalidHosts = 0,
           Errors = 0, HeaderBytes = 0;
  void Add(const TPollRecord& Poll);
};

// The whole metrics file for the totals and the last poll.
std::string MetricsText(const TPollTotals& Totals, const TPollRecord& Last);
// The history file's first line, and the line of one poll (both end with LF).
std::string HistoryHeader();
std::string HistoryLine(const TPollRecord& Poll);

class TPollExport {
 public:
  std::string MetricsFile;
  std::string HistoryFile;
  // A file that cannot be written is said once, until a write to it works again,
  // so a full disk does not raise one error per poll.
  std::function<void(const Exception& Error)> OnError;

  bool Enabled() const { return !MetricsFile.empty() || !HistoryFile.empty(); }
  void Record(const TPollRecord& Poll);

 private:
  void Guarded(bool& failing, const std::function<void()>& write);

  TPollTotals FTotals;
  bool FMetricsFailing = false;
  bool FHistoryFailing = false;
};

// Appends Text to the file, first writing Header when the file is new or empty; the
// file is never truncated. Raises EFCreateError naming the file and the reason.
void AppendToFile(const std::string& FileName, const std::string& Header, const std::string& Text);
