// The figures the statistics report adds after its own lines: the spread of the
// success times (minimum, median, 95th percentile, maximum) and the share of
// successful polls, for the same period as the rest of the report.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Success times in whole milliseconds, each with how often it came; the tally
// grows with the number of distinct times, not with the number of polls.
using TTimeTally = std::map<int64_t, int32_t>;

// The report's extra lines, each beginning with a tab as the report's own do.
// Without successes every time is 00:00:00.000; without polls the uptime is 0.0 %.
std::vector<std::string> ReportFigureLines(const TTimeTally& Tally, int32_t Polls,
                                           int32_t Successes);
