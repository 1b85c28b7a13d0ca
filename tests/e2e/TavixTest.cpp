// The whole program in a terminal: show from the icon, poll a local server, the
// header, the statistics, clearing, saving, closing, signals and UTF-8 typing, and the
// terminal left as it was found. How the window is laid out and drawn at each size,
// and what keys and clicks post, is in TerminalDeskLinuxTest and TerminalFaceLinuxTest.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>

#include "TmuxSession.h"
#include "tests/support/LoopbackScripts.h"

namespace e2e {
namespace {

constexpr char kTip[] = "Orvane Pollarion (click to show)";
constexpr char kShown[] = "[_][^][X]";  // only a shown window has a title bar
constexpr char kReply[] = "HTTP/1.0 200 OK\r\nServer: e2e-server\r\nContent-Length: 0\r\n\r\n";

class Tavix : public ::testing::Test {
 protected:
  void SetUp() override { start(); }

  // Runs the program in a terminal of 100 x 40.
  void start(std::map<std::string, std::string> env = {}) {
    program_ = buildDir() + "/tavix";
    ASSERT_TRUE(fileExists(program_)) << program_ << " is not built";
    ASSERT_TRUE(server_.listening());
    address_ = "127.0.0.1:" + server_.portText();
    env["XDG_CONFIG_HOME"] = dir_.path();
    env["HOME"] = dir_.path();
    tmux_ = std::make_unique<TmuxSession>(program_, env, dir_.path());
    ASSERT_TRUE(tmux_->waitFor(kTip));
  }

  void show() {
    tmux_->click(tmux_->find(kTip));
    ASSERT_TRUE(tmux_->waitFor(kShown));
  }

  void clickOn(const std::string& caption) {
    Cell at = tmux_->find(caption);
    if (!at.found() && caption.size() > 4 && caption.rfind("[ ", 0) == 0)
      at = tmux_->findButton(caption.substr(2, caption.size() - 4));  // focused: "[>Save<]"
    if (!at.found()) at = tmux_->findButton(caption);
    ASSERT_TRUE(at.found()) << caption << "\n" << tmux_->screen();
    tmux_->click(at);
  }

  // The settings file: its name compares without regard to case.
  std::string settings() {
    std::string names = listDir(dir_.path()), name;
    for (size_t at = 0, nl; (nl = names.find('\n', at)) != std::string::npos; at = nl + 1) {
      std::string n = names.substr(at, nl - at), lower = n;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (lower == "tavix.ini") name = n;
    }
    return name.empty() ? std::string() : readFile(dir_.file(name));
  }

  // Replaces the address with the local server's (and path) and polls once.
  void pollLocalServer(const std::string& path = std::string()) {
    server_.reply(kReply);
    clickOn("localhost");
    tmux_->keys({"End"});
    for (int i = 0; i < 12; ++i) tmux_->keys({"BSpace"});
    std::string typed = address_ + path;
    tmux_->text(typed);
    // A long address scrolls in its box: its end shows.
    ASSERT_TRUE(tmux_->waitFor(typed.substr(typed.size() > 30 ? typed.size() - 30 : 0)));
    clickOn("Poll Now");
    ASSERT_TRUE(tmux_->waitFor(path.empty() ? "SUCCESS " + address_ : "- SUCCESS"))
        << tmux_->screen();
  }

  TempDir dir_;
  LoopbackReplies server_;
  std::string program_, address_;
  std::unique_ptr<TmuxSession> tmux_;
};

TEST_F(Tavix, PollNowLogsSuccessAndDisplayHeaderAddsTheHeader) {
  show();
  ASSERT_NO_FATAL_FAILURE(pollLocalServer());
  EXPECT_EQ(tmux_->screen().find("e2e-server"), std::string::npos);
  clickOn("[ ] Display Header");
  ASSERT_TRUE(tmux_->waitFor("[x] Display Header"));
  server_.reply(kReply);
  clickOn("Poll Now");
  EXPECT_TRUE(tmux_->waitFor("Server: e2e-server")) << tmux_->screen();
}

// A line longer than the log wraps: its end, the elapsed time, stays on screen.
TEST_F(Tavix, ALongAddressWrapsWithItsElapsedTime) {
  show();
  const std::string path = "/a/rather/long/path/to/the/page/that/is/polled/index.html";
  ASSERT_NO_FATAL_FAILURE(pollLocalServer(path));
  std::vector<std::string> rows = tmux_->lines();
  size_t at = 0;
  while (at < rows.size() && rows[at].find("- SUCCESS") == std::string::npos) ++at;
  ASSERT_LT(at, rows.size()) << tmux_->screen();
  // The log's rows put together again, without the frame and the scroll bar.
  std::string joined;
  for (size_t r = at; r < rows.size() && r < at + 4; ++r) {
    size_t from = rows[r].find('|') + 1;
    joined += rows[r].substr(from, rows[r].size() - 2 - from);
  }
  EXPECT_NE(joined.find(address_ + path + " 00:00:"), std::string::npos) << tmux_->screen();
}

TEST_F(Tavix, LogStatsReportsThePolls) {
  show();
  ASSERT_NO_FATAL_FAILURE(pollLocalServer());
  clickOn("Log Stats");
  EXPECT_TRUE(tmux_->waitFor("Total Polls: 1")) << tmux_->screen();
  EXPECT_TRUE(tmux_->waitFor("Success: 1"));
}

TEST_F(Tavix, ClearAsksFirstAndClearsOnYes) {
  show();
  ASSERT_NO_FATAL_FAILURE(pollLocalServer());
  clickOn("[ Clear ]");
  ASSERT_TRUE(tmux_->waitFor("Clear polling log and stats?"));
  EXPECT_TRUE(tmux_->waitFor("[>Yes<]"));  // the focus shows in the face, not only in colour
  tmux_->keys({"Tab"});
  EXPECT_TRUE(tmux_->waitFor("[>No<]"));
  tmux_->keys({"n"});
  ASSERT_TRUE(tmux_->waitGone("Clear polling log and stats?"));
  EXPECT_NE(tmux_->screen().find("SUCCESS"), std::string::npos);
  clickOn("[ Clear ]");
  ASSERT_TRUE(tmux_->waitFor("Clear polling log and stats?"));
  clickOn("[ Yes ]");
  EXPECT_TRUE(tmux_->waitGone("- SUCCESS")) << tmux_->screen();  // the log's line, not the icon's
}

TEST_F(Tavix, SaveShowsTheDialogAndWritesTheFile) {
  show();
  ASSERT_NO_FATAL_FAILURE(pollLocalServer());
  clickOn("[ Save ]");
  ASSERT_TRUE(tmux_->waitFor("Save Pollarion Log"));
  EXPECT_TRUE(tmux_->waitFor("tavix-"));  // the time-stamped default name
  EXPECT_TRUE(tmux_->waitFor("< Text files >"));
  tmux_->keys({"C-u"});
  tmux_->text(dir_.file("polls"));
  tmux_->keys({"Enter"});
  ASSERT_TRUE(tmux_->waitFor("Do you want to clear display log?")) << tmux_->screen();
  tmux_->keys({"n"});
  ASSERT_TRUE(tmux_->waitGone("Do you want to clear display log?"));
  std::string saved = readFile(dir_.file("polls.txt"));
  EXPECT_NE(saved.find("SUCCESS " + address_), std::string::npos) << saved;
  EXPECT_NE(saved.find("\r\n"), std::string::npos);
}

TEST_F(Tavix, CloseOffersToSaveTheLogAndLeavesTheTerminalClean) {
  show();
  ASSERT_NO_FATAL_FAILURE(pollLocalServer());
  clickOn("[X]");
  ASSERT_TRUE(tmux_->waitFor("Save Pollarion Log"));
  tmux_->text(std::string());
  tmux_->keys({"C-u"});
  tmux_->text(dir_.file("last"));
  tmux_->keys({"Enter"});
  EXPECT_EQ(tmux_->waitExit(), 0) << tmux_->screen();
  std::string s = tmux_->screen();
  EXPECT_EQ(s.find("Orvane Pollarion"), std::string::npos) << s;
  EXPECT_NE(readFile(dir_.file("last.txt")).find("SUCCESS"), std::string::npos);
  EXPECT_NE(settings().find(address_), std::string::npos) << listDir(dir_.path());
}

TEST_F(Tavix, CancelledCloseSaveStillEnds) {
  show();
  ASSERT_NO_FATAL_FAILURE(pollLocalServer());
  tmux_->keys({"C-q"});
  ASSERT_TRUE(tmux_->waitFor("Save Pollarion Log"));
  tmux_->keys({"Escape"});
  EXPECT_EQ(tmux_->waitExit(), 0) << tmux_->screen();
}

// A termination signal ends the program as a log-off does: nobody can answer the
// close-time save, so it is skipped; the placement and the settings are written.
TEST_F(Tavix, TerminationSignalSavesTheSettingsAndRestoresTheTerminal) {
  show();
  ASSERT_NO_FATAL_FAILURE(pollLocalServer());  // a log that would be offered for saving
  int pid = tmux_->programPid();
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGTERM);
  EXPECT_EQ(tmux_->waitExit(), 0) << tmux_->screen();
  std::string s = tmux_->screen();
  EXPECT_EQ(s.find(kTip), std::string::npos) << s;
  EXPECT_EQ(s.find("Save Pollarion Log"), std::string::npos) << s;
  std::string ini = settings();
  EXPECT_NE(ini.find("url=" + address_), std::string::npos) << ini;
  EXPECT_NE(ini.find("[window]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("NormPos="), std::string::npos) << ini;
  EXPECT_NE(ini.find("ShowCmd="), std::string::npos) << ini;
}

TEST_F(Tavix, HangUpSavesTheSettingsAndThePlacementWithoutAsking) {
  show();
  ASSERT_NO_FATAL_FAILURE(pollLocalServer());
  int pid = tmux_->programPid();
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGHUP);
  EXPECT_EQ(tmux_->waitExit(), 0) << tmux_->screen();
  EXPECT_EQ(tmux_->screen().find(kTip), std::string::npos) << tmux_->screen();
  std::string ini = settings();
  EXPECT_NE(ini.find("url=" + address_), std::string::npos) << ini;
  EXPECT_NE(ini.find("NormPos="), std::string::npos) << ini;
}

// Ctrl+C asks to close, which opens the save dialog for a person to answer; a
// termination signal that comes while it waits answers it and ends the program in
// order, instead of counting as a second signal to a stuck program.
TEST_F(Tavix, TerminationWhileTheCloseTimeSaveWaitsStillEndsInOrder) {
  show();
  ASSERT_NO_FATAL_FAILURE(pollLocalServer());
  int pid = tmux_->programPid();
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGINT);
  ASSERT_TRUE(tmux_->waitFor("Save Pollarion Log")) << tmux_->screen();
  ::kill(pid, SIGTERM);
  EXPECT_EQ(tmux_->waitExit(), 0) << tmux_->screen();
  EXPECT_EQ(tmux_->screen().find(kTip), std::string::npos) << tmux_->screen();
  EXPECT_NE(settings().find("url=" + address_), std::string::npos) << listDir(dir_.path());
}

// In a UTF-8 terminal a character of several bytes is one character: typed, shown,
// deleted whole by Backspace and saved as it shows.
TEST_F(Tavix, Utf8TypingAndBackspaceKeepWholeCharacters) {
  tmux_.reset();
  start({{"LANG", "C.UTF-8"}});
  show();
  clickOn("localhost");
  tmux_->keys({"End"});
  tmux_->text("\xc3\xbc\xe2\x82\xac");
  ASSERT_TRUE(tmux_->waitFor("localhost\xc3\xbc\xe2\x82\xac")) << tmux_->screen();
  tmux_->keys({"BSpace"});
  ASSERT_TRUE(tmux_->waitGone("\xe2\x82\xac")) << tmux_->screen();
  EXPECT_NE(tmux_->screen().find("localhost\xc3\xbc"), std::string::npos) << tmux_->screen();
  tmux_->keys({"C-q"});
  EXPECT_EQ(tmux_->waitExit(), 0) << tmux_->screen();
  std::string ini = settings();
  EXPECT_NE(ini.find("url=localhost\xc3\xbc"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("url=localhost\xc3\xbc\xe2"), std::string::npos) << ini;
}

// A terminal that cannot place the cursor is no screen: one line says so and the
// program runs as without a terminal.
TEST_F(Tavix, DumbTerminalRunsWithoutAScreen) {
  tmux_.reset();
  program_ = buildDir() + "/tavix";
  // Without a screen, polling must be on (or there is nothing to do).
  std::ofstream(dir_.file("tavix.ini"))
      << "[settings]\r\nurl=" << address_ << "\r\nfreq=60\r\nautopoll=1\r\n";
  tmux_ = std::make_unique<TmuxSession>(
      program_,
      std::map<std::string, std::string>{
          {"XDG_CONFIG_HOME", dir_.path()}, {"HOME", dir_.path()}, {"TERM", "dumb"}},
      dir_.path());
  ASSERT_TRUE(tmux_->waitFor("cannot address the cursor")) << tmux_->screen();
  EXPECT_EQ(tmux_->screen().find(kTip), std::string::npos);
  int pid = tmux_->programPid();
  ASSERT_GT(pid, 0) << tmux_->screen();
  ::kill(pid, SIGTERM);
  EXPECT_EQ(tmux_->waitExit(), 0) << tmux_->screen();
}

}  // namespace
}  // namespace e2e
