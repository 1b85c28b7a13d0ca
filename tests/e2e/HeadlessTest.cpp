// The whole program without a terminal: termination signals end it as a log-off
// does, with the settings written and no question left waiting for a person.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "TmuxSession.h"
#include "tests/support/ScriptedHttp.h"

namespace e2e {
namespace {

constexpr char kReply[] = "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n";

class Headless : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    program_ = buildDir() + "/tavix";
    ASSERT_TRUE(fileExists(program_)) << program_ << " is not built";
    ASSERT_TRUE(server_.bindOk());
    address_ = "127.0.0.1:" + server_.portText();
    std::ofstream(dir_.file("tavix.ini"))
        << "[settings]\r\nurl=" << address_ << "\r\nfreq=60\r\nautopoll=1\r\n";
  }
  void TearDown() override {
    if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  void start() {
    pid_ = ::fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
      ::setenv("HOME", dir_.path().c_str(), 1);
      ::execl(program_.c_str(), program_.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }

  // The exit status, or -1 when the program has not ended within the bound.
  int waitExit(std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    auto until = std::chrono::steady_clock::now() + bound;
    int status = 0;
    while (std::chrono::steady_clock::now() < until) {
      pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));  // polling a child
    }
    return -1;
  }

  TempDir dir_;
  ScriptedHttpServer server_;
  std::string program_, address_;
  pid_t pid_ = -1;
};

TEST_P(Headless, SignalEndsInOrderAndWritesTheSettings) {
  server_.reply(kReply);
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(server_.waitRequests(1));  // the first poll ran: the log is not empty
  ::kill(pid_, GetParam());
  EXPECT_EQ(waitExit(), 0);
  std::string ini = readFile(dir_.file("tavix.ini"));
  EXPECT_NE(ini.find("url=" + address_), std::string::npos) << ini;
  EXPECT_NE(ini.find("autopoll=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("dispheaders=0"), std::string::npos) << ini;  // written at the end
  // The window was never shown, so no placement was read and none is written.
  EXPECT_EQ(ini.find("[window]"), std::string::npos) << ini;
}

std::string SignalName(const ::testing::TestParamInfo<int>& info) {
  return info.param == SIGTERM ? "Term" : info.param == SIGHUP ? "Hangup" : "Interrupt";
}

INSTANTIATE_TEST_SUITE_P(Signals, Headless, ::testing::Values(SIGTERM, SIGHUP, SIGINT),
                         SignalName);

}  // namespace
}  // namespace e2e
