// The metrics and history files as other tools read them: the metrics through the
// Prometheus client library's own text parser, the history through Python's csv
// module; and a file that cannot be written is said once, not at every poll.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "app/PollExport.h"
#include "tests/support/TempDir.h"

namespace {

// Runs a Python script with the file name as its argument; what it printed. Debian's
// interpreter, which has Debian's prometheus_client (scripts/deps.sh installs it).
std::string Python(const std::string& script, const std::string& file) {
  const std::string command = "/usr/bin/python3 -c '" + script + "' '" + file + "' 2>&1";
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
  }
  return out;
}

const char kMetricsReader[] = R"(
import sys
from prometheus_client.parser import text_string_to_metric_families
for family in text_string_to_metric_families(open(sys.argv[1]).read()):
    for s in family.samples:
        print(family.type, s.name, s.labels["address"], s.value)
)";

const char kHistoryReader[] = R"(
import csv, sys
for row in csv.DictReader(open(sys.argv[1], newline="")):
    print("|".join(row[k] for k in ("time", "address", "outcome", "status", "elapsed_ms", "header_bytes")))
)";

TPollRecord Poll(const std::string& address, TPollOutcome outcome, int status, double seconds,
                 uint64_t headerBytes) {
  TPollRecord poll{address, outcome, status, seconds, headerBytes, {}};
  poll.End = {1796677445123, 60};  // 2026-12-07 21:04:05.123 UTC, local offset +01:00
  return poll;
}

TEST(PollExport, MetricsAndHistoryReadBackByTheirOwnParsers) {
  testsupport::TempDir dir;
  TPollExport out;
  out.MetricsFile = dir.file("tavix.prom");
  out.HistoryFile = dir.file("history.csv");
  const std::string odd = "h\"x\\y,z:80";  // a quote, a backslash and a comma
  out.Record(Poll(odd, poSuccess, 200, 0.004123, 153));
  out.Record(Poll(odd, poFailure, 404, 0.5, 98));
  out.Record(Poll(odd, poConnectionFailed, -1, 1, 0));
  EXPECT_EQ(Python(kMetricsReader, out.MetricsFile),
            "gauge tavix_up " + odd +
                " 0.0\n"
                "gauge tavix_poll_duration_seconds " +
                odd +
                " 1.0\n"
                "gauge tavix_last_status_code " +
                odd +
                " 0.0\n"
                "gauge tavix_last_poll_timestamp_seconds " +
                odd +
                " 1796677445.123\n"
                "counter tavix_polls_total " +
                odd +
                " 3.0\n"
                "counter tavix_successes_total " +
                odd +
                " 1.0\n"
                "counter tavix_failures_total " +
                odd +
                " 1.0\n"
                "counter tavix_connection_failures_total " +
                odd +
                " 1.0\n"
                "counter tavix_invalid_hosts_total " +
                odd +
                " 0.0\n"
                "counter tavix_errors_total " +
                odd +
                " 0.0\n"
                "counter tavix_header_bytes_total " +
                odd + " 251.0\n");
  EXPECT_EQ(Python(kHistoryReader, out.HistoryFile), "2026-12-07T22:04:05.123+01:00|" + odd +
                                                         "|success|200|4|153\n"
                                                         "2026-12-07T22:04:05.123+01:00|" +
                                                         odd +
                                                         "|failure|404|500|98\n"
                                                         "2026-12-07T22:04:05.123+01:00|" +
                                                         odd + "|connection-failed||1000|0\n");
  // Another run appends to the same history: no second header, nothing lost.
  TPollExport again;
  again.HistoryFile = out.HistoryFile;
  again.Record(Poll("b", poError, -1, 0.25, 0));
  const std::string text = testsupport::readFile(out.HistoryFile);
  EXPECT_EQ(text.rfind(HistoryHeader(), 0), 0u);
  EXPECT_EQ(text.find("time,", 1), std::string::npos);
  EXPECT_NE(text.find("\n2026-12-07T22:04:05.123+01:00,b,error,,250,0\n"), std::string::npos);
}

TEST(PollExport, AnUnwritableFileIsSaidOnceUntilItWorksAgain) {
  testsupport::TempDir dir;
  TPollExport out;
  std::vector<std::string> errors;
  out.OnError = [&](const Exception& e) { errors.push_back(e.Message()); };
  out.MetricsFile = dir.file("gone/tavix.prom");
  out.HistoryFile = dir.file("gone/history.csv");
  out.Record(Poll("a", poSuccess, 200, 0.1, 10));
  out.Record(Poll("a", poSuccess, 200, 0.1, 10));
  ASSERT_EQ(errors.size(), 2u);  // one for each file, not one per poll
  EXPECT_EQ(errors[0].rfind("Cannot create file " + out.MetricsFile + ". ", 0), 0u) << errors[0];
  EXPECT_EQ(errors[1].rfind("Cannot append to " + out.HistoryFile + ". ", 0), 0u) << errors[1];
  std::filesystem::create_directory(dir.file("gone"));
  out.Record(Poll("a", poSuccess, 200, 0.1, 10));
  EXPECT_EQ(errors.size(), 2u);
  EXPECT_NE(testsupport::readFile(out.MetricsFile).find("tavix_polls_total{address=\"a\"} 3\n"),
            std::string::npos);
  std::filesystem::remove_all(dir.file("gone"));
  out.Record(Poll("a", poSuccess, 200, 0.1, 10));
  EXPECT_EQ(errors.size(), 4u);  // failing again is said again
}

}  // namespace
