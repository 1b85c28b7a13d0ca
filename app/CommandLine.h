// The Linux command line: what the arguments ask for, and the texts printed for
// --help, --version and a refused argument. Parsing is pure, so it can be tested
// without starting anything; whether a --config folder exists is the entry's check.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum TCommandAction { caRun, caHelp, caVersion, caCheck, caError };

// What a normal run takes from the command line: values given here win over the
// settings file for this run, and the window writes them back at exit as usual.
struct TRunOptions {
  std::string ConfigFile;              // empty: tavix.ini in the settings folder
  std::optional<std::string> Address;  // the positional ADDRESS
  std::optional<int> Every;            // --every MINUTES
  bool Start = false;                  // --start: automatic polling on
  bool Show = false;                   // --show: the window shows at start
  std::string MetricsFile;             // --metrics FILE (else the settings' "metrics")
  std::string HistoryFile;             // --history FILE (else the settings' "history")
};

// --check ADDRESS: one poll, one line in the monitoring-plugin convention.
struct TCheckOptions {
  std::string Address;
  std::optional<double> Warning, Critical;  // seconds
  double Timeout = 10;                      // seconds
};

struct TCommandLine {
  TCommandAction Action = caRun;
  std::string Error;  // the one-line complaint, for caError
  int Status = 0;     // the exit status for caError
  TRunOptions Run;
  TCheckOptions Check;
};

// Args are the arguments after the program name. Every argument is checked, so
// a bad one is refused even next to --help; "--" ends the options.
TCommandLine ParseCommandLine(const std::vector<std::string>& Args);

// The options of this run, set by the entry before the main window is created.
void SetRunOptions(const TRunOptions& Options);
const TRunOptions& RunOptions();

// The synopsis and the options, printed after a refused argument too.
std::string UsageText();
// --help: what the program does, the usage, the keys, where the settings file lies.
std::string HelpText(const std::string& SettingsFile);
// --version: one line.
std::string VersionText();

// The exit status for a refused argument (as other command-line tools use), and
// for one given with --check (as monitoring plugins use: "unknown").
inline constexpr int kUsageStatus = 2;
inline constexpr int kCheckUsageStatus = 3;
