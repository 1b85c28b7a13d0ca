// TAlertCommand: runs the person's command when the server's state changes, without
// waiting for it, so it never holds up a poll.
//
// The command line goes to the system's command interpreter (COMSPEC /c on Windows,
// /bin/sh -c on Linux) with extra environment variables. Its standard output and
// error are collected through a pipe that a timer drains; when it ends, one log line
// gives its exit code and the start of its output. One that runs past TimeoutSeconds
// is killed and logged so. Several may run at once; each is reported on its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/ExtCtrls.h"
#include "platform/winapi.h"

using TEnvironment = std::vector<std::pair<std::string, std::string>>;

class TAlertCommand : public TComponent {
 public:
  // Log receives the text of one log line (without time stamp).
  TAlertCommand(TComponent* AOwner, std::function<void(const std::string&)> Log);
  ~TAlertCommand() override;

  void Run(const std::string& Command, const TEnvironment& Extra);
  size_t Running() const { return FRuns.size(); }
  int TimeoutSeconds = 30;

  static constexpr size_t kOutputKept = 400;  // bytes of output that reach the log

 private:
  struct TRun {
    HANDLE Process = nullptr;
    HANDLE Output = nullptr;  // the pipe's read end
    std::string Text;         // the first kOutputKept bytes
    uint64_t StartedMs = 0;
  };
  void Tick();
  void Drain(TRun& Run);
  bool Finished(TRun& Run);  // logs and releases a run that has ended or was killed
  void Release(TRun& Run);

  std::function<void(const std::string&)> FLog;
  TTimer* FTimer;  // owned through component ownership
  std::vector<TRun> FRuns;
};

// "Output: first line / second line": line ends become " / ", control characters "?",
// cut at a sensible length. Empty for no output.
std::string OutputSummary(const std::string& Output);
