// Standard output's writer: a reader that stops reading never stops the program; what
// it missed is counted and said where the gap is, once it reads again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/posix/EventLoop.h"
#include "platform/posix/OutputQueue.h"

namespace {

class OutputQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::pipe2(fds_, O_CLOEXEC), 0);
    ASSERT_GT(::fcntl(fds_[1], F_SETPIPE_SZ, 4096), 0);  // one page: full soon
  }
  void TearDown() override {
    for (int fd : fds_)
      if (fd >= 0) ::close(fd);
  }
  // Everything the pipe holds now.
  std::string readAll() {
    ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds_[0], buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
    return out;
  }
  int fds_[2] = {-1, -1};
};

std::string Line(int n) { return "line " + std::to_string(n) + std::string(40, '.') + "\n"; }

TEST_F(OutputQueueTest, AStalledReaderCostsLinesNotTheProgramAndTheGapIsSaid) {
  posix::OutputQueue out(fds_[1], 8192);
  int errors = 0;
  out.OnError = [&](const std::string&) { ++errors; };
  for (int n = 0; n < 1000; ++n) out.write(Line(n));  // none of this may block
  EXPECT_LE(out.queuedBytes(), 8192u);

  std::string got = readAll();
  // The reader reads again: the loop writes the rest as the pipe takes it.
  for (int pass = 0; pass < 1000 && out.queuedBytes() > 0; ++pass) {
    posix::waitSources(1000);
    got += readAll();
  }
  got += readAll();
  out.write(Line(1000));
  got += readAll();

  EXPECT_EQ(out.queuedBytes(), 0u);
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(got.rfind(Line(0), 0), 0u) << got.substr(0, 200);
  const size_t note = got.find(" log lines dropped: standard output was not read in time\n");
  ASSERT_NE(note, std::string::npos) << got;
  // The note stands where the lines went missing, and says how many.
  const size_t noteStart = got.rfind("tavix: ", note);
  int last = -1;
  for (int n = 0; n < 1000; ++n)
    if (got.find(Line(n)) < noteStart) last = n;
  const std::string count = std::to_string(999 - last);
  EXPECT_EQ(got.substr(noteStart, 7 + count.size() + 1), "tavix: " + count + " ") << got;
  EXPECT_EQ(got.substr(got.size() - Line(1000).size()), Line(1000));  // and writing goes on
}

TEST_F(OutputQueueTest, AReaderGoneIsSaidOnceAndNothingWaits) {
  posix::OutputQueue out(fds_[1], 8192);
  std::vector<std::string> errors;
  out.OnError = [&](const std::string& reason) { errors.push_back(reason); };
  ::close(fds_[0]);
  fds_[0] = -1;
  auto previous = ::signal(SIGPIPE, SIG_IGN);  // as the program has it
  out.write(Line(1));
  out.write(Line(2));
  ::signal(SIGPIPE, previous);
  EXPECT_TRUE(out.failed());
  EXPECT_EQ(out.queuedBytes(), 0u);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Broken pipe");
}

}  // namespace
