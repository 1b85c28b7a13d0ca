// The report's spread of success times and its uptime.
#include "app/ReportFigures.h"

#include "app/fMain.h"

namespace {

constexpr double kMsPerDay = 86400000.0;

// The rank-th smallest time (1-based) of the tally.
int64_t Ranked(const TTimeTally& tally, int64_t rank) {
  int64_t seen = 0;
  for (const auto& [ms, count] : tally) {
    seen += count;
    if (seen >= rank) return ms;
  }
  return tally.empty() ? 0 : tally.rbegin()->first;
}

std::string Span(double ms) { return TForm1::FormatElapsed(ms / kMsPerDay); }

}  // namespace

std::vector<std::string> ReportFigureLines(const TTimeTally& Tally, int32_t Polls,
                                           int32_t Successes) {
  int64_t n = 0;
  for (const auto& entry : Tally) n += entry.second;
  double median = 0;
  int64_t p95 = 0;
  if (n > 0) {
    median = (double(Ranked(Tally, (n + 1) / 2)) + double(Ranked(Tally, n / 2 + 1))) / 2;
    p95 = Ranked(Tally, (95 * n + 99) / 100);  // nearest rank
  }
  const double uptime = Polls > 0 ? 100.0 * Successes / Polls : 0;
  return {
      Format("\tMin. Success Time: %s", {Span(n ? double(Tally.begin()->first) : 0)}),
      Format("\tMedian Success Time: %s", {Span(median)}),
      Format("\t95th Pct. Success Time: %s", {Span(double(p95))}),
      Format("\tMax. Success Time: %s", {Span(n ? double(Tally.rbegin()->first) : 0)}),
      Format("\tUptime: %.1f %%", {uptime}),
  };
}
