// The server's state from poll outcomes: up, down after N failures in a row, unknown
// while stopped, and which changes are announced.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "app/ServerState.h"

namespace {

// Events, one a minute: S success, F failure, X polling stopped. States after each
// event: ? unknown, u up, d down. Announced: D down, U up, - nothing.
struct Row {
  const char* name;
  int failuresToDown;
  const char* events;
  const char* states;
  const char* announced;
  double lastSinceMinute;  // of the last announcement
  double lastDownSeconds;
};

// The row's name in the test's name, not the bytes of its pointers.
void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

const Row kRows[] = {
    {"FirstSuccessIsNoNews", 1, "SS", "uu", "--", 0, 0},
    {"AFailureIsDownAtOnce", 1, "SF", "ud", "-D", 1, 0},
    {"DownThenUpSaysHowLong", 1, "FFFS", "dddu", "D--U", 3, 180},
    {"FirstPollFailing", 1, "F", "d", "D", 0, 0},
    {"ThreeInARowSinceTheFirst", 3, "SFFSFFF", "uuuuuud", "------D", 4, 120},
    {"AFlakyNetworkDoesNotFlap", 3, "FFSFFS", "??uuuu", "------", 0, 0},
    {"StopMakesUnknownAndAnnouncesNothing", 1, "SX", "u?", "--", 0, 0},
    {"DownStaysAnnouncedAcrossAStop", 1, "FXFS", "d?du", "D--U", 3, 180},
    {"UpAfterAStopIsNoNews", 1, "SXS", "u?u", "---", 0, 0},
    {"AStopEndsTheRun", 2, "SFXFF", "uu??d", "----D", 3, 60},
    {"ZeroCountsAsOne", 0, "F", "d", "D", 0, 0},
};

class ServerStateTable : public ::testing::TestWithParam<Row> {};

TEST_P(ServerStateTable, FollowsTheOutcomes) {
  const Row& row = GetParam();
  const TDateTime base = 46000.5;
  const double minute = 1.0 / 1440;
  TServerState state;
  state.FailuresToDown = row.failuresToDown;
  std::string states, announced;
  TStateChange last;
  for (size_t i = 0; row.events[i]; ++i) {
    const TDateTime when = base + double(i) * minute;
    TStateChange change;
    bool said = false;
    if (row.events[i] == 'X')
      state.Stop();
    else
      said = state.Outcome(row.events[i] == 'S', when, change);
    const TServerStatus s = state.Status();
    states += s == stUp ? 'u' : s == stDown ? 'd' : '?';
    announced += !said ? '-' : change.Status == stDown ? 'D' : 'U';
    if (said) last = change;
  }
  EXPECT_EQ(states, row.states);
  EXPECT_EQ(announced, row.announced);
  if (std::string(row.announced).find_first_not_of('-') != std::string::npos) {
    EXPECT_NEAR(last.Since, base + row.lastSinceMinute * minute, 1e-9);
    EXPECT_NEAR(last.DownSeconds, row.lastDownSeconds, 1e-3);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ServerStateTable, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
