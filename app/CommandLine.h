// The Linux command line: what the arguments ask for, and the texts printed for
// --help, --version and a refused argument. Parsing is pure, so it can be tested
// without starting anything.
#pragma once

#include <string>
#include <vector>

enum TCommandAction { caRun, caHelp, caVersion, caError };

struct TCommandLine {
  TCommandAction Action = caRun;
  std::string Error;  // the one-line complaint, for caError
};

// Args are the arguments after the program name. Every argument is checked, so
// a bad one is refused even next to --help; "--" ends the options.
TCommandLine ParseCommandLine(const std::vector<std::string>& Args);

// The synopsis and the options, printed after a refused argument too.
std::string UsageText();
// --help: what the program does, the usage, the keys, where the settings file lies.
std::string HelpText(const std::string& SettingsFile);
// --version: one line.
std::string VersionText();

// The exit status for a refused argument (as other command-line tools use).
inline constexpr int kUsageStatus = 2;
