// A program run in a tmux pane of fixed size, driven with keys and xterm SGR mouse
// reports and read back with capture-pane, for the end-to-end tests.
//
// Each session has a tmux server of its own (its own socket, in a temporary folder of
// its own), so tests never touch a user's tmux and leave no socket behind. The program runs through
// sh with the given environment and working directory; when it ends the pane prints "[exit N]" and
// stays, so a test can check how the program left the terminal. Every wait is bounded.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace e2e {

using testsupport::TempDir;

struct Cell {
  int row = -1, col = -1;  // 0-based; row -1: not found
  bool found() const { return row >= 0; }
};

class TmuxSession {
 public:
  TmuxSession(const std::string& program, const std::map<std::string, std::string>& env,
              const std::string& workDir, int cols = 100, int rows = 40);
  ~TmuxSession();
  TmuxSession(const TmuxSession&) = delete;
  TmuxSession& operator=(const TmuxSession&) = delete;

  void keys(const std::vector<std::string>& names);  // tmux key names: "Tab", "BTab", "F2"
  void text(const std::string& literal);             // typed as it is
  void click(int row, int col);                      // press and release, 0-based cell
  void click(const Cell& at) { click(at.row, at.col); }
  void resize(int cols, int rows);

  std::string screen() const;  // the pane's text, rows separated by '\n'
  std::vector<std::string> lines() const;
  Cell find(const std::string& text) const;  // first place the text shows
  // A window's button, "[ Save ]", or "[>Save<]" while it has the focus.
  Cell findButton(const std::string& caption) const;
  // Waits (bounded) until the text shows; false on time-out.
  bool waitFor(const std::string& text, int timeoutMs = 10000) const;
  bool waitGone(const std::string& text, int timeoutMs = 10000) const;
  // Waits for the program to end; its exit status, or -1 on time-out.
  int waitExit(int timeoutMs = 10000) const;
  int programPid() const;  // the program's process id, or -1

 private:
  std::string tmux(const std::string& args) const;  // runs tmux, returns its output
  TempDir socketDir_;
  std::string socket_;
  std::string program_;  // its resolved path, as /proc shows it
};

std::string shellQuote(const std::string& s);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
std::string listDir(const std::string& path);  // the names in it, one a line
// The build directory this test binary belongs to (its parent's parent).
std::string buildDir();

}  // namespace e2e
