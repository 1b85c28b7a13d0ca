// Slow and endless servers at the level of a poll: a header trickled one byte at a
// time, and a body that never ends. Each poll ends with one clear log line, keeps
// its memory bounded, and the next poll works.
#include <unistd.h>

#include <atomic>
#include <fstream>

#include "tests/app/ChaosFixture.h"

namespace {

std::string Message(const std::string& line) { return line.substr(line.find(" - ") + 3); }

size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * size_t(sysconf(_SC_PAGESIZE));
}

class HostilePollTest : public ChaosTest {
 protected:
  // Touched by the server thread's stall hook; members, so that they outlive it.
  std::atomic<int64_t> advanced_{0};
  std::atomic<int> mib_{0};
  void SetUp() override {
    ChaosTest::SetUp();
    Form1->edURL->SetText(server_->address());
  }
  // Polls once and returns the lines the poll added after "MANUAL POLL".
  std::vector<std::string> PollLines() {
    const size_t before = LogLines().size();
    Form1->btnPoll->Click();
    auto lines = LogLines();
    return {lines.begin() + long(before) + 1, lines.end()};
  }
  void ExpectNextPollWorks() {
    server_->onStall = nullptr;
    server_->next(Chaos::Ok);
    auto lines = PollLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Message(lines[0]).rfind("SUCCESS " + server_->address(), 0), 0u) << lines[0];
    EXPECT_FALSE(Form1->Busy());
  }
  // Polls a server answering in mode, each of whose stalls moves the clock 5 s on: the
  // poll ends with the line time-out, after 60 s at least.
  void ExpectTheTimeOutAfterStalls(Chaos mode) {
    server_->onStall = [this] {
      clock_->advance(5000);
      advanced_ += 5000;
    };
    server_->next(mode);
    auto lines = PollLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Message(lines[0]), "Socket readln aborted.");
    EXPECT_EQ(Message(lines[1]), "TIMED OUT after 60 seconds.");
    ASSERT_TRUE(server_->waitServed(1));  // its last stall has been counted
    EXPECT_GE(advanced_.load(), 60000);
  }
};

}  // namespace

TEST_F(HostilePollTest, AHeaderTrickledOneByteAtATimeCompletesTheSuccess) {
  Form1->cbxHeader->SetChecked(true);
  server_->next(Chaos::Trickle);
  auto lines = PollLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(Message(lines[0]).rfind("SUCCESS " + server_->address(), 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "HTTP/1.0 200 OK");
  EXPECT_EQ(lines[2], "Server: chaos");
  EXPECT_EQ(Form1->HeaderBytes(), double(LoopbackChaos::okHeader().size()));
  Form1->cbxHeader->SetChecked(false);
  ExpectNextPollWorks();
}

// The line time-out runs from the start of the line, not from the last byte: a
// server that keeps a line going forever cannot hold the poll past it.
TEST_F(HostilePollTest, AStatusLineTrickledForeverEndsAtTheTimeOut) {
  ASSERT_NO_FATAL_FAILURE(ExpectTheTimeOutAfterStalls(Chaos::TrickleEndless));
  // The time-out came within a few bytes of the 60 s, not after a flood of them.
  EXPECT_LT(server_->sent(0), 64u);
  EXPECT_EQ(Form1->SuccessCount(), 0);
  ExpectNextPollWorks();
}

// Whole header lines every 5 s never end the header: the header as a whole gets one
// time-out, so the poll ends at 60 s, not when the server tires.
TEST_F(HostilePollTest, HeaderLinesTrickledForeverEndAtTheTimeOut) {
  ASSERT_NO_FATAL_FAILURE(ExpectTheTimeOutAfterStalls(Chaos::EndlessHeader));
  EXPECT_LE(advanced_.load(), 70000);
  ExpectNextPollWorks();
}

// A HEAD answer's body is read and dropped until the server closes or the time-out
// comes; here it comes after 64 MiB, and what the poll kept stays small.
TEST_F(HostilePollTest, AnEndlessBodyAtFullSpeedEndsAtTheTimeOutWithBoundedMemory) {
  const size_t resident = ResidentBytes();
  server_->onStall = [this] {
    if (++mib_ == 64) clock_->advance(60000);
  };
  server_->next(Chaos::EndlessBody);
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Message(lines[0]), "Socket capture aborted.");
  EXPECT_EQ(Message(lines[1]), "TIMED OUT after 60 seconds.");
  ASSERT_TRUE(server_->waitServed(1));
  EXPECT_GE(server_->sent(0), 64u << 20);
  EXPECT_LE(Form1->HTTP->Body.size(), 64u * 1024);
  EXPECT_LT(ResidentBytes(), resident + 16 * 1024 * 1024);
  ExpectNextPollWorks();
}
