// The whole program without a terminal: termination signals end it as a log-off
// does, with the settings written and no question left waiting for a person; the
// log goes to standard output as it is written, and a lost settings save is said.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "TmuxSession.h"
#include "tests/support/LoopbackScripts.h"

namespace e2e {
namespace {

constexpr char kReply[] = "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n";

class HeadlessRun : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = buildDir() + "/tavix";
    ASSERT_TRUE(fileExists(program_)) << program_ << " is not built";
    ASSERT_TRUE(server_.listening());
    address_ = "127.0.0.1:" + server_.portText();
    std::ofstream(dir_.file("tavix.ini"))
        << "[settings]\r\nurl=" << address_ << "\r\nfreq=60\r\nautopoll=1\r\n";
  }
  void TearDown() override {
    if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {out_[0], out_[1], err_[0], err_[1]})
      if (fd >= 0) ::close(fd);
  }

  // Starts the program with standard input on /dev/null and standard output and
  // error on pipes; fileLimit > 0 makes every file write past that size fail; a
  // stalled output is a pipe already full, as one whose reader stopped reading.
  void start(rlim_t fileLimit = 0, bool stalledOutput = false) {
    ASSERT_EQ(::pipe2(out_, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(err_, O_CLOEXEC), 0);
    if (stalledOutput) {
      const int flags = ::fcntl(out_[1], F_GETFL);
      ::fcntl(out_[1], F_SETFL, flags | O_NONBLOCK);
      const std::string block(4096, 'x');
      while (::write(out_[1], block.data(), block.size()) > 0) {
      }
      ::fcntl(out_[1], F_SETFL, flags);  // the program gets the pipe as a reader left it
    }
    pid_ = ::fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 0);
      ::dup2(out_[1], 1);
      ::dup2(err_[1], 2);
      if (fileLimit > 0) {
        rlimit limit{fileLimit, fileLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_IGN);  // the write fails instead
      }
      ::setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
      ::setenv("HOME", dir_.path().c_str(), 1);
      ::execl(program_.c_str(), program_.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int* writeEnd : {&out_[1], &err_[1]}) {  // so the reader sees the end
      ::close(*writeEnd);
      *writeEnd = -1;
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

  // Reads the pipe until its text holds `needle` (true) or the bound passes or
  // the writer closes it (false); `text` keeps what was read.
  static bool readUntil(int fd, std::string& text, const std::string& needle,
                        std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    auto until = std::chrono::steady_clock::now() + bound;
    while (text.find(needle) == std::string::npos) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      pollfd p{fd, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0) return false;
      char buf[4096];
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) return false;
      text.append(buf, size_t(n));
    }
    return true;
  }

  bool readOutput(const std::string& needle) { return readUntil(out_[0], stdout_, needle); }
  bool readErrors(const std::string& needle) { return readUntil(err_[0], stderr_, needle); }

  TempDir dir_;
  LoopbackReplies server_;
  std::string program_, address_;
  pid_t pid_ = -1;
  int out_[2] = {-1, -1}, err_[2] = {-1, -1};
  std::string stdout_, stderr_;
};

class Headless : public HeadlessRun, public ::testing::WithParamInterface<int> {};

TEST_P(Headless, SignalEndsInOrderAndWritesTheSettings) {
  server_.reply(kReply);
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(server_.waitServed(1));  // the first poll ran: the log is not empty
  // Its line reaches standard output while the program runs.
  EXPECT_TRUE(readOutput(" - SUCCESS " + address_ + " 00:")) << stdout_;
  EXPECT_NE(stdout_.find(" - AUTO-POLLING STARTED.\n"), std::string::npos) << stdout_;
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

TEST_F(HeadlessRun, AFailedSettingsSaveIsSaidOnStderrAndEndsWithAFailure) {
  server_.reply(kReply);
  const std::string before = readFile(dir_.file("tavix.ini"));
  ASSERT_NO_FATAL_FAILURE(start(16));  // the settings file cannot be rewritten
  ASSERT_TRUE(readOutput(" - SUCCESS ")) << stdout_;
  ::kill(pid_, SIGTERM);
  EXPECT_TRUE(readErrors("tavix: Unable to write to tavix.ini\n")) << stderr_;
  EXPECT_EQ(waitExit(), 1);
  EXPECT_EQ(readFile(dir_.file("tavix.ini")), before);
}

// Nobody reads standard output: polling goes on and SIGTERM still ends the program in
// order, with the settings written.
TEST_F(HeadlessRun, AStalledReaderStopsNeitherPollingNorTheEnd) {
  server_.reply(kReply);
  ASSERT_NO_FATAL_FAILURE(start(0, true));
  ASSERT_TRUE(server_.waitServed(1));  // the lines before it could not be written
  ::kill(pid_, SIGTERM);
  EXPECT_EQ(waitExit(), 0);
  std::string ini = readFile(dir_.file("tavix.ini"));
  EXPECT_NE(ini.find("dispheaders=0"), std::string::npos) << ini;  // written at the end
}

INSTANTIATE_TEST_SUITE_P(Signals, Headless, ::testing::Values(SIGTERM, SIGHUP, SIGINT), SignalName);

}  // namespace
}  // namespace e2e
