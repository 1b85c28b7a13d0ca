// Linux: the command line, then the terminal display when the program runs in a
// terminal, else the null display (polling and settings still work, nothing is
// drawn), with the log copied to standard output and errors to standard error.
#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Entry.h"
#include "app/LogEcho.h"
#include "framework/Forms.h"
#include "platform/display/terminal/TerminalDisplay.h"
#include "platform/winapi.h"

namespace {

bool gOnTerminal = false;

bool gErrorReported = false;

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
  SetLogEcho([](const std::string& line) { Write(stdout, line + "\n"); });
  Application->OnException = [](TObject*, const std::exception& e) {
    Write(stderr, std::string("tavix: ") + e.what() + "\n");
    gErrorReported = true;
  };
}

}  // namespace

int PlatformCommandLine(int argc, char** argv) {
  const TCommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (line.Action) {
    case caHelp:
      Write(stdout, HelpText(SettingsFile()));
      return 0;
    case caVersion:
      Write(stdout, VersionText());
      return 0;
    case caError:
      Write(stderr, line.Error + "\n" + UsageText());
      return kUsageStatus;
    case caRun:
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

int PlatformStop() {
  posix::uninstallTerminalDisplay();
  posix::uninstallHeadlessSession();
  SetLogEcho(nullptr);
  return gErrorReported ? 1 : 0;
}

// On a terminal the person sees the error box first (the screen is about to go), then
// the line stays on stderr; without one the line and the exit status say it.
void PlatformFatal(const char* what) {
  if (gOnTerminal) MessageBoxA(nullptr, what, "tavix", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  posix::uninstallTerminalDisplay();
  posix::uninstallHeadlessSession();
  std::fprintf(stderr, "tavix: %s\n", what);
}
