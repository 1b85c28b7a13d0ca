// The tmux harness of the end-to-end tests.
#include "TmuxSession.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace e2e {
namespace {

std::string run(const std::string& cmd) {
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  ::pclose(p);
  return out;
}

template <typename F>
bool poll(int timeoutMs, F done) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));  // polling interval
  }
}

std::atomic<int> gSessions{0};

// Neither gone nor a zombie.
bool running(int pid) {
  const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t end = stat.rfind(") ");
  return end != std::string::npos && stat.compare(end + 2, 1, "Z") != 0;
}

}  // namespace

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string listDir(const std::string& path) {
  std::string out;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(path, ec))
    out += e.path().filename().string() + "\n";
  return out;
}

std::string buildDir() {
  return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string();
}

TmuxSession::TmuxSession(const std::string& program, const std::map<std::string, std::string>& env,
                         const std::string& workDir, int cols, int rows) {
  std::error_code ec;
  program_ = std::filesystem::canonical(program, ec).string();
  socket_ = "tavix-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(gSessions++);
  std::string envs;
  for (const auto& [k, v] : env) envs += k + "=" + shellQuote(v) + " ";
  std::string script = "cd " + shellQuote(workDir) + " && env " + envs + shellQuote(program) +
                       "; echo \"[exit $?]\"; exec sleep 3600";
  tmux("-f /dev/null new-session -d -s main -x " + std::to_string(cols) + " -y " +
       std::to_string(rows) + " " + shellQuote("sh -c " + shellQuote(script)));
  tmux("set-option -t main status off");
}

TmuxSession::~TmuxSession() {
  // The hang-up that ends the server makes the program save its settings: it must be
  // done before the test's folder goes, or it would write them again after that.
  const int pid = programPid();
  tmux("kill-server");
  if (pid > 0) poll(10000, [pid] { return !running(pid); });
}

std::string TmuxSession::tmux(const std::string& args) const {
  return run("TMUX_TMPDIR=" + shellQuote(socketDir_.path()) + " tmux -u -L " + socket_ + " " +
             args + " 2>/dev/null");
}

void TmuxSession::keys(const std::vector<std::string>& names) {
  std::string args;
  for (const auto& n : names) args += " " + shellQuote(n);
  tmux("send-keys -t main" + args);
}

void TmuxSession::text(const std::string& literal) {
  tmux("send-keys -t main -l " + shellQuote(literal));
}

void TmuxSession::click(int row, int col) {
  std::string at = std::to_string(col + 1) + ";" + std::to_string(row + 1);
  text("\x1b[<0;" + at + "M\x1b[<0;" + at + "m");
}

void TmuxSession::resize(int cols, int rows) {
  tmux("resize-window -t main -x " + std::to_string(cols) + " -y " + std::to_string(rows));
}

std::string TmuxSession::screen() const { return tmux("capture-pane -p -t main"); }

std::vector<std::string> TmuxSession::lines() const {
  std::vector<std::string> out;
  std::stringstream ss(screen());
  for (std::string l; std::getline(ss, l);) out.push_back(l);
  return out;
}

Cell TmuxSession::find(const std::string& text) const {
  std::vector<std::string> ls = lines();
  for (size_t r = 0; r < ls.size(); ++r)
    if (size_t c = ls[r].find(text); c != std::string::npos)
      return Cell{static_cast<int>(r), static_cast<int>(c)};
  return Cell{};
}

Cell TmuxSession::findButton(const std::string& caption) const {
  Cell at = find("[ " + caption + " ]");
  return at.found() ? at : find("[>" + caption + "<]");
}

bool TmuxSession::waitFor(const std::string& text, int timeoutMs) const {
  return poll(timeoutMs, [&] { return screen().find(text) != std::string::npos; });
}

bool TmuxSession::waitGone(const std::string& text, int timeoutMs) const {
  return poll(timeoutMs, [&] { return screen().find(text) == std::string::npos; });
}

int TmuxSession::waitExit(int timeoutMs) const {
  int status = -1;
  poll(timeoutMs, [&] {
    std::smatch m;
    std::string s = screen();
    static const std::regex re("\\[exit (\\d+)\\]");
    if (!std::regex_search(s, m, re)) return false;
    status = std::stoi(m[1]);
    return true;
  });
  return status;
}

int TmuxSession::programPid() const {
  // The pane's shell runs the script's sh directly or, as a login shell of /bin/sh
  // does, as a child of its own: the program is the descendant running its file.
  std::vector<int> todo{std::atoi(tmux("display-message -p -t main '#{pane_pid}'").c_str())};
  while (!todo.empty()) {
    const std::string pid = std::to_string(todo.back());
    todo.pop_back();
    std::error_code ec;
    if (std::filesystem::read_symlink("/proc/" + pid + "/exe", ec).string() == program_)
      return std::stoi(pid);
    std::istringstream kids(readFile("/proc/" + pid + "/task/" + pid + "/children"));
    for (int kid; kids >> kid;) todo.push_back(kid);
  }
  return -1;
}

}  // namespace e2e
