// The command line as scripts and services use it: --check answering as a
// monitoring plugin against live, failing, refusing and silent servers; two headless
// instances with their own settings files; the metrics and history files of a run.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <thread>

#include "TmuxSession.h"
#include "tests/support/LoopbackScripts.h"

extern char** environ;

namespace e2e {
namespace {

constexpr char kOk[] = "HTTP/1.0 200 OK\r\nServer: t\r\n\r\n";  // a 30-byte header

struct Ran {
  int status = -1;
  std::string out;  // standard output and error
};

std::string Program() { return buildDir() + "/tavix"; }

// Runs the program to its end with these arguments; standard input is /dev/null.
Ran RunTavix(const std::string& args) {
  Ran ran;
  FILE* p = ::popen((shellQuote(Program()) + " " + args + " </dev/null 2>&1").c_str(), "r");
  if (!p) return ran;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) ran.out.append(buf, n);
  const int status = ::pclose(p);
  ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return ran;
}

// Starts the program in the folder without a terminal, its output to the file.
pid_t Start(const TempDir& dir, const std::string& args, const std::string& output) {
  const std::string here = shellQuote(dir.path());
  const std::string line = "cd " + here + " && XDG_CONFIG_HOME=" + here + " HOME=" + here +
                           " exec " + shellQuote(Program()) + " " + args + " </dev/null >" +
                           output + " 2>&1";
  const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
  pid_t pid = -1;
  if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
    return -1;
  return pid;
}

// SIGTERM, then the exit status, or -1 when the program has not ended within the bound.
int Stop(pid_t pid) {
  ::kill(pid, SIGTERM);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int status = 0;
  while (std::chrono::steady_clock::now() < until) {
    if (::waitpid(pid, &status, WNOHANG) == pid)
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // polling a child
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Waits (bounded) until the file holds the text `times` times.
bool WaitForText(const std::string& path, const std::string& text, size_t times = 1) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Count(readFile(path), text) < times) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // polling a file
  }
  return true;
}

TEST(CheckMode, AnswersAsAMonitoringPluginForEachKindOfServer) {
  LoopbackReplies live;
  live.reply(kOk);
  Ran ran = RunTavix("--check " + live.address());
  EXPECT_EQ(ran.status, 0) << ran.out;
  const std::regex ok(R"(HTTP OK - 200 OK, \d+\.\d{3} s \| time=\d+\.\d{6}s;;;0 size=30B;;;0\n)");
  EXPECT_TRUE(std::regex_match(ran.out, ok)) << ran.out;
  EXPECT_EQ(live.requests().at(0).rfind("HEAD / HTTP/1.0\r\n", 0), 0u);

  live.reply(kOk);  // slower than the thresholds: a warning, then critical
  ran = RunTavix("--check " + live.address() + " --warning 0.000001");
  EXPECT_EQ(ran.status, 1) << ran.out;
  EXPECT_EQ(ran.out.rfind("HTTP WARNING - 200 OK, ", 0), 0u) << ran.out;
  EXPECT_NE(ran.out.find("s;0.000001;;0 size=30B;;;0\n"), std::string::npos) << ran.out;
  live.reply(kOk);
  ran = RunTavix("--check=" + live.address() + " --warning=0.000001 --critical 0.000001");
  EXPECT_EQ(ran.status, 2) << ran.out;
  EXPECT_EQ(ran.out.rfind("HTTP CRITICAL - 200 OK, ", 0), 0u) << ran.out;

  live.reply("HTTP/1.0 404 Not Found\r\n\r\n");
  ran = RunTavix("--check " + live.address());
  EXPECT_EQ(ran.status, 2) << ran.out;
  EXPECT_EQ(ran.out.rfind("HTTP CRITICAL - 404 Not Found, ", 0), 0u) << ran.out;

  std::string refused;
  {
    LoopbackReplies gone;
    refused = gone.address();
  }  // closed: nothing listens there now
  ran = RunTavix("--check " + refused);
  EXPECT_EQ(ran.status, 2) << ran.out;
  EXPECT_EQ(ran.out, "HTTP CRITICAL - Connection Failed\n");

  LoopbackServer silent([](LoopbackConn& conn) { conn.hold(); });
  ran = RunTavix("--check " + silent.address() + " --timeout 0.5");
  EXPECT_EQ(ran.status, 2) << ran.out;
  EXPECT_TRUE(std::regex_match(ran.out, std::regex(R"(HTTP CRITICAL - [^\n|]+, \d+\.\d{3} s\n)")))
      << ran.out;

  ran = RunTavix("--check " + live.address() + " --timeout soon");
  EXPECT_EQ(ran.status, 3) << ran.out;
  EXPECT_EQ(ran.out.rfind("HTTP UNKNOWN - --timeout: 'soon' is not a number of seconds", 0), 0u)
      << ran.out;
}

TEST(CommandLineRun, TwoInstancesKeepTheirOwnSettingsAndWriteMetricsAndHistory) {
  TempDir dir;
  LoopbackReplies serverA, serverB;
  for (int i = 0; i < 2; ++i) serverA.reply(kOk);
  serverB.reply(kOk);
  std::ofstream(dir.file("a.ini")) << "[settings]\r\nhistory=history.csv\r\n";
  pid_t a = Start(dir, "--config a.ini --start --every 7 --metrics tavix.prom " + serverA.address(),
                  "a.out");
  pid_t b = Start(dir, "--config=b.ini --every=9 --start " + serverB.address(), "b.out");
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  EXPECT_TRUE(WaitForText(dir.file("a.out"), "SUCCESS " + serverA.address()));
  EXPECT_TRUE(WaitForText(dir.file("b.out"), "SUCCESS " + serverB.address()));
  EXPECT_TRUE(
      WaitForText(dir.file("tavix.prom"), "tavix_up{address=\"" + serverA.address() + "\"} 1\n"));
  EXPECT_TRUE(WaitForText(dir.file("history.csv"), ",success,"));
  EXPECT_EQ(Stop(a), 0) << readFile(dir.file("a.out"));
  EXPECT_EQ(Stop(b), 0) << readFile(dir.file("b.out"));
  const std::string aIni = readFile(dir.file("a.ini")), bIni = readFile(dir.file("b.ini"));
  EXPECT_NE(aIni.find("url=" + serverA.address() + "\r\nfreq=7\r\nautopoll=1\r\n"),
            std::string::npos)
      << aIni;
  EXPECT_NE(aIni.find("history=history.csv"), std::string::npos) << aIni;  // kept, not rewritten
  EXPECT_NE(bIni.find("url=" + serverB.address() + "\r\nfreq=9\r\nautopoll=1\r\n"),
            std::string::npos)
      << bIni;
  EXPECT_FALSE(fileExists(dir.file("tavix.ini")));  // the default file was never touched

  // The next run takes everything from its file and appends to the same history.
  a = Start(dir, "--config a.ini", "a2.out");
  EXPECT_TRUE(WaitForText(dir.file("a2.out"), "SUCCESS " + serverA.address()));
  EXPECT_TRUE(WaitForText(dir.file("history.csv"), ",success,", 2));
  EXPECT_EQ(Stop(a), 0);
  const std::string history = readFile(dir.file("history.csv"));
  const std::regex rows(
      "time,address,outcome,status,elapsed_ms,header_bytes\n(\\d{4}-\\d\\d-\\d\\dT"
      "\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d," +
      serverA.address() + ",success,200,\\d+,30\n){2}");
  EXPECT_TRUE(std::regex_match(history, rows)) << history;
}

TEST(CommandLineRun, AConfigFileInAMissingFolderIsRefused) {
  Ran ran = RunTavix("--config /nonexistent-folder/a.ini");
  EXPECT_EQ(ran.status, 2);
  EXPECT_EQ(ran.out, "tavix: --config: the folder '/nonexistent-folder/' does not exist\n");
}

}  // namespace
}  // namespace e2e
