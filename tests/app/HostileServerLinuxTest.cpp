// Misbehaving servers where the test moves the clock or counts the process's open
// descriptors.
#include <filesystem>
#include <thread>

#include "tests/app/AppFixture.h"
#include "tests/app/HostileFixture.h"

class HostileLinuxTest : public HostileFixture<AppTest> {};

TEST_F(HostileLinuxTest, SilenceAfterTheRequestEndsAtTheTimeOut) {
  gate_.openAlways(false);
  helper_ = std::thread([this] {
    gate_.waitAccepted(1);
    clock_->advance(60000);
  });
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Message(lines[0]), "Socket readln aborted.");
  ExpectNextPollWorks();
}

namespace {
int OpenDescriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
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
  // The in-process server may still hold the last connection or two; a leak would
  // show as hundreds.
  EXPECT_LE(OpenDescriptors(), before + 2);
}
