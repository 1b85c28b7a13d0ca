// The terminal display end to end, with a small program of our own on the platform
// API: drawing, keyboard, mouse, dialogs, resize, signals and the terminal left clean.
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

TEST_F(TerminalDemo, StartsWithOnlyTheIconOnTheBottomLine) {
  std::vector<std::string> lines = tmux_->lines();
  ASSERT_EQ(lines.size(), 40u);
  EXPECT_NE(lines[39].find(kTip), std::string::npos);
  EXPECT_EQ(tmux_->screen().find("Terminal Demo "), tmux_->screen().find(kTip));
}

TEST_F(TerminalDemo, ClickOnTheIconShowsTheWindowWithItsControls) {
  tmux_->click(tmux_->find(kTip));
  ASSERT_TRUE(tmux_->waitFor(kTitle));
  std::string s = tmux_->screen();
  for (const char* part :
       {"[_][^][X]", "Name:", "world", "[ Add ]", "[ ] Upper case", "[ Hide ]", "^v"})
    EXPECT_NE(s.find(part), std::string::npos) << part;
}

TEST_F(TerminalDemo, KeysEditTabAndPressInTabOrder) {
  show();
  // Name has the focus: type, Tab to the count, step it up twice, Tab to Add, press.
  tmux_->keys({"End", "!", "Tab", "Up", "Up", "Tab", "Enter"});
  ASSERT_TRUE(logShows("world! x3"));
  // Space toggles the check box; Shift+Tab goes back to Add.
  tmux_->keys({"Tab", "Space", "BTab", "Space"});
  EXPECT_TRUE(tmux_->waitFor("[x] Upper case"));
  EXPECT_TRUE(tmux_->waitFor("WORLD! X3"));
}

TEST_F(TerminalDemo, BackspaceAndDeleteEditTheFocusedBox) {
  show();
  tmux_->keys({"End", "BSpace", "BSpace", "Home", "Delete"});
  tmux_->text("W");
  tmux_->keys({"Tab", "Tab", "Enter"});
  EXPECT_TRUE(logShows("Wor x1"));
}

TEST_F(TerminalDemo, MouseClicksButtonsCheckBoxAndSpinArrows) {
  show();
  Cell spin = tmux_->find("^v");
  tmux_->click(spin);  // upper arrow
  ASSERT_TRUE(tmux_->waitFor("Count: 2"));
  tmux_->click(spin.row, spin.col + 1);  // lower arrow
  ASSERT_TRUE(tmux_->waitFor("Count: 1"));
  tmux_->click(tmux_->find("[ ] Upper case"));
  ASSERT_TRUE(tmux_->waitFor("[x] Upper case"));
  tmux_->click(tmux_->findButton("Add"));
  EXPECT_TRUE(logShows("WORLD X1"));
}

TEST_F(TerminalDemo, HintOfTheControlUnderTheMouseOrWithFocusShowsOnTheStatusLine) {
  show();
  EXPECT_TRUE(tmux_->waitFor(" Who to greet"));  // the name box has the focus
  Cell add = tmux_->findButton("Add");
  tmux_->text("\x1b[<35;" + std::to_string(add.col + 3) + ";" + std::to_string(add.row + 1) + "M");
  EXPECT_TRUE(tmux_->waitFor(" Adds the name to the log"));
  EXPECT_EQ(tmux_->lines()[38].find("Adds the name"), 1u);
}

TEST_F(TerminalDemo, MinimiseBoxAndF9HideTheWindow) {
  show();
  Cell box = tmux_->find("[_]");
  tmux_->click(box);
  ASSERT_TRUE(tmux_->waitGone(kTitle)) << box.row << "," << box.col << "\n" << tmux_->screen();
  show();
  tmux_->keys({"F9"});
  EXPECT_TRUE(tmux_->waitGone(kTitle));
}

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

TEST_F(TerminalDemo, ResizeRedrawsWithTheNotificationAreaOnTheNewBottomLine) {
  tmux_->resize(80, 24);
  ASSERT_TRUE(tmux_->waitFor(kTip));
  std::vector<std::string> lines = tmux_->lines();
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_NE(lines[23].find(kTip), std::string::npos);
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
