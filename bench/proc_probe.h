// Starting, watching and ending the processes the whole-program benchmarks measure:
// spawn with a chosen environment (standard input, output and error redirected, so the
// program runs without a screen), the monotonic clock, a process's processor time in
// nanoseconds (all its threads, ended ones included), its memory figures from
// /proc/<pid>/status, and a bounded stop.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ChildCommand {
  std::vector<std::string> argv;
  std::vector<std::string> env;  // NAME=value pairs set on top of ours
  std::string errPath = "/dev/null";
};

double MonoMs();  // CLOCK_MONOTONIC in milliseconds
pid_t Spawn(const ChildCommand& cmd);

// Processor time of a live process in milliseconds (ns resolution); negative if gone.
double ProcessCpuMs(pid_t pid);

// A "Vm..." figure of /proc/<pid>/status in KiB (VmRSS, VmHWM); -1 if unreadable.
long VmKiB(pid_t pid, const char* field);

// Waits up to timeoutMs for the child to end; true and its status when it did.
bool WaitChild(pid_t pid, int timeoutMs, int* status);

// SIGTERM, then SIGKILL if the child is still there after timeoutMs; reaps it. True when
// it ended on the SIGTERM.
bool StopChild(pid_t pid, int timeoutMs = 5000);

// Runs the command to its end; its wall time in milliseconds, or -1 when it failed.
double RunTimedMs(const ChildCommand& cmd, int timeoutMs);

// The load averages of the moment, as /proc/loadavg gives them ("0.12 0.30 0.41").
std::string LoadAverage();

// A free TCP port on 127.0.0.1 (bound and released).
int FreeLoopbackPort();
