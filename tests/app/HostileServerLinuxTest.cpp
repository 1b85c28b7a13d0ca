// Misbehaving servers where the test moves the clock or counts the process's open
// descriptors.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/app/AppFixture.h"
#include "tests/app/HostileFixture.h"

class HostileLinuxTest : public HostileFixture<AppTest> {};

TEST_F(HostileLinuxTest, SilenceAfterTheRequestEndsAtTheTimeOut) {
  gate_.openAlways(false);
  // The read's time-out may start after the server has accepted (late, under load), so
  // the clock moves on a minute at a time until the poll has ended.
  std::atomic<bool> ended{false};
  helper_ = std::thread([this, &ended] {
    gate_.waitAccepted(1);
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!ended && std::chrono::steady_clock::now() < bound) {
      clock_->advance(60000);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  auto lines = PollLines();
  ended = true;
  helper_.join();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Message(lines[0]), "Socket readln aborted.");
  EXPECT_EQ(Message(lines[1]), "TIMED OUT after 60 seconds.");
  ExpectNextPollWorks();
}

namespace {
int OpenDescriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// The in-process server's workers close their ends when they next run, which under
// load can be a while after the client is done; a leak never settles.
bool DescriptorsSettleAtMost(int n) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (OpenDescriptors() > n) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
}  // namespace

TEST_F(HostileLinuxTest, ManyMixedPollsLeaveNoDescriptorBehind) {
  const std::string replies[] = {kOk, "HTTP/1.0 404 Not Found\r\n\r\n", ""};
  ExpectNextPollWorks();  // warm up: the first poll creates what stays
  const int before = OpenDescriptors();
  for (int i = 0; i < 300; ++i) {
    gate_.resetInsteadOfReply(i % 7 == 3);
    gate_.setReply(replies[i % 3]);
    Form1->btnPoll->Click();
  }
  EXPECT_EQ(Form1->PollCount(), 301);
  EXPECT_EQ(LogLines().size(), 2u * 301);  // "MANUAL POLL" and one outcome each
  EXPECT_FALSE(Form1->Busy());
  EXPECT_TRUE(DescriptorsSettleAtMost(before))
      << OpenDescriptors() << " open, " << before << " before";
}

// Descriptors run out just as the client replaces its socket: the polls meanwhile say
// why, and once there are descriptors again the next poll makes its socket anew.
TEST_F(HostileLinuxTest, ADescriptorShortageEndsWithTheShortage) {
#ifdef __SANITIZE_ADDRESS__
  // The sanitizers check memory through a pipe of their own: without descriptors they
  // report every virtual call as a wild one.
  GTEST_SKIP() << "needs descriptors the sanitizer runtime takes";
#endif
  ExpectNextPollWorks();
  // The server closes its end of that poll on a thread of its own: a descriptor freed
  // during the shortage would let a poll connect to a server that cannot accept it,
  // and that poll would wait for a time-out the clock here never reaches.
  ASSERT_TRUE(gate_.waitServed(gate_.connections()));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = rlim_t(OpenDescriptors() + 16);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  std::vector<int> fillers;
  Form1->HTTP->OnDisconnect = [&](TObject*) {
    for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;) fillers.push_back(fd);
  };
  EXPECT_THROW(Form1->HTTP->Disconnect(), ESockError);
  EXPECT_EQ(Form1->HTTP->GetLastErrorNo(), 10024);
  Form1->HTTP->OnDisconnect = nullptr;
  for (int i = 0; i < 2; ++i) {
    auto lines = PollLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Message(lines[0]), "10024:Too many open files.");
  }
  for (int fd : fillers) ::close(fd);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
  EXPECT_FALSE(Form1->Busy());
  ExpectNextPollWorks();
}

// A close accepted while a poll waits on a silent server cancels the poll at once
// instead of waiting for the time-out: the clock never moves here.
TEST_F(HostileLinuxTest, AnEndDuringASilentPollCancelsIt) {
  gate_.openAlways(false);
  WhenRequested(1, [] { PostMessageA(Form1->Handle(), WM_CLOSE, 0, 0); });
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Message(lines[0]), "Socket readln aborted.");
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(Form1->Busy());
  const size_t before = LogLines().size();
  Form1->btnPoll->Click();                   // ending: no new request
  EXPECT_EQ(LogLines().size(), before + 1);  // only "MANUAL POLL"
}
