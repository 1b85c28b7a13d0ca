// Linux: the command line, then the terminal display when the program runs in a
// terminal, else the null display (polling and settings still work, nothing is
// drawn), with the log copied to standard output and errors to standard error.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/CheckMode.h"
#include "app/CommandLine.h"
#include "app/Entry.h"
#include "app/LogEcho.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "platform/display/terminal/TerminalDisplay.h"
#include "platform/posix/OutputQueue.h"
#include "platform/winapi.h"

namespace {

bool gOnTerminal = false;

bool gErrorReported = false;

// Room for a few hours of log lines while a reader does not read; beyond that lines
// are dropped (and counted) rather than the program stopping or growing.
constexpr size_t kStdoutQueueBytes = 256 * 1024;
std::unique_ptr<posix::OutputQueue> gStdout;

void Write(std::FILE* to, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), to);
  std::fflush(to);
}

std::string SettingsFile() {
  char dir[4096];
  const UINT n = GetWindowsDirectoryA(dir, sizeof dir);
  return (n > 0 && n < sizeof dir ? std::string(dir, n) : std::string(".")) + "/tavix.ini";
}

// Nobody sees a screen: each log line goes to standard output as it is logged, and
// an error the standard error box would show goes to standard error and makes the
// exit status non-zero (a lost settings save must not look like success).
void InstallHeadlessOutput() {
  gStdout = std::make_unique<posix::OutputQueue>(1, kStdoutQueueBytes);
  gStdout->OnError = [](const std::string& reason) {
    Write(stderr, "tavix: cannot write the log to standard output: " + reason + "\n");
    gErrorReported = true;
  };
  SetLogEcho([](const std::string& line) { gStdout->write(line + "\n"); });
  Application->OnException = [](TObject*, const std::exception& e) {
    Write(stderr, std::string("tavix: ") + e.what() + "\n");
    gErrorReported = true;
  };
}

// The settings file exists but cannot be read (too many open files, no permission):
// the reason, or empty.
std::string SettingsUnreadable(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f) {
    std::fclose(f);
    return {};
  }
  return errno == ENOENT ? std::string() : std::strerror(errno);
}

void EndHeadlessOutput() {
  SetLogEcho(nullptr);
  if (gStdout) gStdout->flushNow();  // what the reader takes now; nothing waits for it
  gStdout.reset();
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file named on the command line is made in a folder that exists and is no folder
// itself; the complaint, or empty.
std::string FileProblem(const std::string& option, const std::string& name) {
  if (name.empty()) return "";
  const std::string folder = ExtractFilePath(name);
  if (!folder.empty() && !IsFolder(folder))
    return "tavix: " + option + ": the folder '" + folder + "' does not exist";
  if (IsFolder(name)) return "tavix: " + option + ": '" + name + "' is a folder";
  return "";
}

// The options of a run, checked against the file system. A settings file named
// without a folder is the one in the current folder, not in the settings folder.
std::string PrepareRun(TRunOptions run) {
  for (const auto& [option, name] : {std::pair{"--config", run.ConfigFile},
                                     {"--metrics", run.MetricsFile},
                                     {"--history", run.HistoryFile}})
    if (std::string problem = FileProblem(option, name); !problem.empty()) return problem;
  if (!run.ConfigFile.empty() && run.ConfigFile.find('/') == std::string::npos)
    run.ConfigFile = "./" + run.ConfigFile;
  SetRunOptions(run);
  return "";
}

// A monitoring engine reads the first line of standard output, also for a refusal.
int RefuseCheck(const std::string& error) {
  Write(stdout, "HTTP UNKNOWN - " + error.substr(error.rfind("tavix: ", 0) == 0 ? 7 : 0) + "\n");
  Write(stderr, UsageText());
  return kCheckUsageStatus;
}

}  // namespace

int PlatformCommandLine(int argc, char** argv) {
  posix::openClosedStandardDescriptors();
  const TCommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (line.Action) {
    case caHelp:
      Write(stdout, HelpText(SettingsFile()));
      return 0;
    case caVersion:
      Write(stdout, VersionText());
      return 0;
    case caError:
      if (line.Status == kCheckUsageStatus) return RefuseCheck(line.Error);
      Write(stderr, line.Error + "\n" + UsageText());
      return line.Status;
    case caCheck: {
      std::string verdict;
      const int status = RunCheck(line.Check, verdict);
      Write(stdout, verdict + "\n");
      return status;
    }
    case caRun:
      if (const std::string problem = PrepareRun(line.Run); !problem.empty()) {
        Write(stderr, problem + "\n");
        return kUsageStatus;
      }
      break;
  }
  return -1;
}

void PlatformStart() {
  // The displays answer a session end's questions themselves when nobody is there
  // (a signal, no terminal) and put them to the person at the terminal otherwise.
  Application->AskAtEndSession = true;
  gOnTerminal = posix::installTerminalDisplayIfTty();
  if (gOnTerminal) return;
  posix::installHeadlessSession();
  InstallHeadlessOutput();
}

int PlatformReady(bool AutoPolling) {
  const std::string path = SettingsFile();
  const std::string unreadable = SettingsUnreadable(path);
  if (!unreadable.empty()) {
    // Running on with the defaults would write them over the user's settings at the end.
    const std::string text = "cannot read the settings file " + path + ": " + unreadable;
    if (gOnTerminal) MessageBoxA(nullptr, text.c_str(), "tavix", MB_OK | MB_ICONERROR);
    PlatformStop();  // the terminal given back first, so the line stays readable
    Write(stderr, "tavix: " + text + "\n");
    return 1;
  }
  if (gOnTerminal || AutoPolling) return -1;
  // Without a screen nobody can press Start: a service that polls nothing must not
  // look healthy.
  Write(stderr, "tavix: automatic polling is off in " + path +
                    (FileExists(path) ? "" : " (no such file)") +
                    ", so there is nothing to do; put autopoll=1 (and url=, freq=) in its"
                    " [settings] section, or run tavix in a terminal and press Start\n");
  return 1;
}

int PlatformStop() {
  posix::uninstallTerminalDisplay();
  posix::uninstallHeadlessSession();
  EndHeadlessOutput();
  return gErrorReported ? 1 : 0;
}

// On a terminal the person sees the error box first (the screen is about to go), then
// the line stays on stderr; without one the line and the exit status say it.
void PlatformFatal(const char* what) {
  if (gOnTerminal) MessageBoxA(nullptr, what, "tavix", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  posix::uninstallTerminalDisplay();
  posix::uninstallHeadlessSession();
  EndHeadlessOutput();
  std::fprintf(stderr, "tavix: %s\n", what);
}
