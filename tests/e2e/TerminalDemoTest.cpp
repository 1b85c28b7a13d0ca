// The terminal display end to end, with a small program of our own on the platform
// API: dialogs, resize, signals and the terminal left clean. Drawing, keys and mouse
// without a terminal: TerminalDeskLinuxTest.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>

#include "TmuxSession.h"

namespace e2e {
namespace {

constexpr char kTip[] = "Terminal Demo (click to show)";
constexpr char kTitle[] = "[_][^][X]";  // only a shown window has a title bar

class TerminalDemo : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = buildDir() + "/platform/display/terminal/terminal_demo";
    ASSERT_TRUE(fileExists(program_)) << program_ << " is not built";
    tmux_ = std::make_unique<TmuxSession>(
        program_, std::map<std::string, std::string>{{"XDG_CONFIG_HOME", dir_.path()}},
        dir_.path());
    ASSERT_TRUE(tmux_->waitFor(kTip));
  }
  void show() {
    tmux_->keys({"F2"});
    ASSERT_TRUE(tmux_->waitFor(kTitle));
  }
  // The log's first line, as drawn a cell inside the window frame.
  bool logShows(const std::string& line) { return tmux_->waitFor("| " + line); }

  TempDir dir_;
  std::string program_;
  std::unique_ptr<TmuxSession> tmux_;
};

TEST_F(TerminalDemo, CloseBoxAsksThenEndsAndLeavesTheTerminalClean) {
  show();
  tmux_->keys({"Tab", "Tab", "Enter"});
  ASSERT_TRUE(logShows("world x1"));
  tmux_->click(tmux_->find("[X]"));
  ASSERT_TRUE(tmux_->waitFor("Save the log before closing?"));
  tmux_->click(tmux_->find("[ No ]"));
  EXPECT_EQ(tmux_->waitExit(), 0);
  std::string s = tmux_->screen();
  EXPECT_EQ(s.find("Terminal Demo"), std::string::npos) << s;
  EXPECT_EQ(s.find("\x1b"), std::string::npos);
}

TEST_F(TerminalDemo, SaveDialogChecksFolderAddsExtensionAndAsksBeforeReplacing) {
  show();
  tmux_->keys({"Tab", "Tab", "Enter"});
  ASSERT_TRUE(logShows("world x1"));
  tmux_->keys({"C-q"});
  ASSERT_TRUE(tmux_->waitFor("Save the log before closing?"));
  tmux_->keys({"y"});
  ASSERT_TRUE(tmux_->waitFor("File name:"));
  EXPECT_TRUE(tmux_->waitFor("demo-log"));
  EXPECT_TRUE(tmux_->waitFor("< Text files (*.txt) >"));
  tmux_->keys({"C-u"});
  tmux_->text(dir_.file("missing/log"));
  tmux_->keys({"Enter"});
  ASSERT_TRUE(tmux_->waitFor("The folder does not exist."));
  tmux_->keys({"Enter"});
  ASSERT_TRUE(tmux_->waitGone("The folder does not exist."));
  std::ofstream(dir_.file("old.txt")) << "keep";
  tmux_->keys({"C-u"});
  tmux_->text(dir_.file("old"));
  tmux_->keys({"Enter"});
  ASSERT_TRUE(tmux_->waitFor("already exists."));
  tmux_->keys({"n"});
  ASSERT_TRUE(tmux_->waitGone("already exists."));
  EXPECT_EQ(readFile(dir_.file("old.txt")), "keep");
  tmux_->keys({"C-u"});
  tmux_->text(dir_.file("new"));
  tmux_->keys({"Enter"});
  EXPECT_EQ(tmux_->waitExit(), 0);
  EXPECT_EQ(readFile(dir_.file("new.txt")), "world x1");
}

TEST_F(TerminalDemo, EscapeCancelsTheSaveDialog) {
  show();
  tmux_->keys({"Tab", "Tab", "Enter"});
  ASSERT_TRUE(logShows("world x1"));
  tmux_->keys({"M-F4"});
  ASSERT_TRUE(tmux_->waitFor("Save the log before closing?"));
  tmux_->keys({"Enter"});  // Yes is the default button
  ASSERT_TRUE(tmux_->waitFor("File name:"));
  tmux_->keys({"Escape"});
  EXPECT_EQ(tmux_->waitExit(), 0);
  EXPECT_FALSE(fileExists(dir_.file("demo-log.txt")));
}

// Too small a terminal says so; grown again, the window and the icon line come back.
TEST_F(TerminalDemo, ResizeRedrawsWithTheNotificationAreaOnTheNewBottomLine) {
  show();
  tmux_->resize(40, 12);
  ASSERT_TRUE(tmux_->waitFor("too small")) << tmux_->screen();
  tmux_->resize(90, 30);
  ASSERT_TRUE(tmux_->waitFor(kTitle)) << tmux_->screen();
  std::vector<std::string> lines = tmux_->lines();
  ASSERT_EQ(lines.size(), 30u);
  EXPECT_NE(lines[29].find(kTip), std::string::npos);
}

TEST_F(TerminalDemo, TerminationSignalEndsTheProgramAndRestoresTheTerminal) {
  show();
  int pid = tmux_->programPid();
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGTERM);
  EXPECT_EQ(tmux_->waitExit(), 0);
  EXPECT_EQ(tmux_->screen().find("Terminal Demo"), std::string::npos);
}

TEST_F(TerminalDemo, InterruptSignalAsksTheWindowToClose) {
  show();
  int pid = tmux_->programPid();
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGINT);
  EXPECT_EQ(tmux_->waitExit(), 0);
}

}  // namespace
}  // namespace e2e
