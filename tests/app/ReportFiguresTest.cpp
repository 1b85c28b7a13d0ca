// The report's spread of success times and its uptime, for each kind of period.
#include <gtest/gtest.h>

#include "app/ReportFigures.h"

namespace {

struct Row {
  std::vector<int64_t> successMs;
  int32_t polls;
  std::string min, median, p95, max, uptime;
};

const Row kRows[] = {
    // No poll at all: zeros, as the average shows them.
    {{}, 0, "00:00:00.000", "00:00:00.000", "00:00:00.000", "00:00:00.000", "0.0"},
    // Polls but no success.
    {{}, 3, "00:00:00.000", "00:00:00.000", "00:00:00.000", "00:00:00.000", "0.0"},
    {{42}, 1, "00:00:00.042", "00:00:00.042", "00:00:00.042", "00:00:00.042", "100.0"},
    // An even count: the median lies between the two middle times.
    {{3000, 1000}, 3, "00:00:01.000", "00:00:02.000", "00:00:03.000", "00:00:03.000", "66.7"},
    {{5, 1, 3}, 4, "00:00:00.001", "00:00:00.003", "00:00:00.005", "00:00:00.005", "75.0"},
    // Equal times count one each: 19 fast ones and one slow one put p95 at the fast.
    {{10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 900},
     20,
     "00:00:00.010",
     "00:00:00.010",
     "00:00:00.010",
     "00:00:00.900",
     "100.0"},
    // Two slow ones in twenty reach the 95th percentile.
    {{10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 900, 800},
     40,
     "00:00:00.010",
     "00:00:00.010",
     "00:00:00.800",
     "00:00:00.900",
     "50.0"},
    // Past a minute the time still reads in hours, minutes and seconds.
    {{61500}, 1, "00:01:01.500", "00:01:01.500", "00:01:01.500", "00:01:01.500", "100.0"},
};

TEST(ReportFigures, EachPeriodGivesItsSpreadAndUptime) {
  for (const Row& row : kRows) {
    TTimeTally tally;
    for (int64_t ms : row.successMs) ++tally[ms];
    const std::vector<std::string> expected = {
        "\tMin. Success Time: " + row.min,      "\tMedian Success Time: " + row.median,
        "\t95th Pct. Success Time: " + row.p95, "\tMax. Success Time: " + row.max,
        "\tUptime: " + row.uptime + " %",
    };
    EXPECT_EQ(ReportFigureLines(tally, row.polls, int32_t(row.successMs.size())), expected)
        << testing::PrintToString(row.successMs);
  }
}

}  // namespace
