// The whole-program measurements behind bench_program.
#include "bench/program_measures.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "bench/proc_probe.h"
#include "bench/stamp_server.h"
#include "tests/support/Loopback.h"

namespace {

constexpr int kArrivalBoundMs = 10000;  // generous: a loaded machine starts slowly
constexpr int kPeriodBoundMs = 75000;   // one poll period of a minute, and then some
constexpr double kSettleMs = 1000;      // after a poll, before an idle window opens

void SleepUntil(double monoMs) {
  double left = monoMs - MonoMs();
  if (left > 0) std::this_thread::sleep_for(std::chrono::microseconds(long(left * 1000)));
}

// A started program: automatic polling on at one minute, aimed at the server.
struct ProgramRun {
  pid_t pid = -1;
  double spawnedMs = 0;
};

ProgramRun StartProgram(const BenchPaths& p, const std::string& address, const std::string& name) {
  std::filesystem::path dir = std::filesystem::path(p.workDir) / name;
  std::filesystem::create_directories(dir);
  std::ofstream((dir / "tavix.ini").string())
      << "[settings]\r\nurl=" << address << "\r\nfreq=1\r\nautopoll=1\r\n"
      << "dispheaders=0\r\n";
  ChildCommand cmd;
  cmd.argv = {p.tavix};
  cmd.env = {"XDG_CONFIG_HOME=" + dir.string()};
  cmd.errPath = (dir / "stderr.txt").string();
  ProgramRun run;
  run.spawnedMs = MonoMs();
  run.pid = Spawn(cmd);
  if (run.pid < 0) throw std::runtime_error("cannot start " + p.tavix);
  return run;
}

ProgramRun StartProgram(const BenchPaths& p, StampServer& server, const std::string& name) {
  server.reset();
  ProgramRun run = StartProgram(p, server.address(), name);
  server.watch(run.pid);
  return run;
}

void Require(bool ok, ProgramRun& run, const char* what) {
  if (ok) return;
  StopChild(run.pid);
  throw std::runtime_error(what);
}

ChildCommand CurlCommand(const BenchPaths& p, int count) {
  ChildCommand s;
  s.argv = {p.curl, "--http1.0", "-s", "-I"};
  for (int i = 0; i < count; ++i) {
    s.argv.push_back("-o");
    s.argv.push_back("/dev/null");
    s.argv.push_back(p.nginxUrl);
  }
  return s;
}

double TimedUs(const ChildCommand& s, int count, const char* who) {
  double ms = RunTimedMs(s, 600000);
  if (ms < 0) throw std::runtime_error(std::string(who) + " failed against nginx");
  return ms * 1000 / count;
}

}  // namespace

HeadSamples MeasureHeadPolls(const BenchPaths& p, int count, int rounds) {
  ChildCommand ours;
  ours.argv = {p.head, p.nginxUrl, std::to_string(count)};
  ours.errPath = p.workDir + "/bench_head.txt";
  ChildCommand curl = CurlCommand(p, count);
  TimedUs(ours, count, "bench_head");  // warm-up: caches, nginx's first worker steps
  TimedUs(curl, count, "curl");
  HeadSamples h;
  for (int r = 0; r < rounds; ++r) {
    // Alternate who goes first, so a drift of the machine's load hits both alike.
    double o, c;
    if (r % 2 == 0) {
      o = TimedUs(ours, count, "bench_head");
      c = TimedUs(curl, count, "curl");
    } else {
      c = TimedUs(curl, count, "curl");
      o = TimedUs(ours, count, "bench_head");
    }
    h.oursUs.push_back(o);
    h.curlUs.push_back(c);
    h.ratio.push_back(o / c);
  }
  return h;
}

IdleSamples MeasureIdle(const BenchPaths& p, int minutes) {
  StampServer server;
  ProgramRun run = StartProgram(p, server, "idle");
  Require(server.waitClosed(0, kArrivalBoundMs), run, "the first poll did not come");
  IdleSamples s;
  for (int k = 0; k < minutes; ++k) {
    double a = server.stamp(k).arrivedMs;
    SleepUntil(a + kSettleMs);
    double cpuA = ProcessCpuMs(run.pid);
    SleepUntil(a + 58000);
    double cpuB = ProcessCpuMs(run.pid);
    Require(server.waitClosed(k + 1, kPeriodBoundMs), run, "the timed poll did not come");
    SleepUntil(server.stamp(k + 1).arrivedMs + kSettleMs);
    double cpuC = ProcessCpuMs(run.pid);
    s.periodCpuMs.push_back(cpuC - cpuA);
    s.pollFreeCpuMs.push_back((cpuB - cpuA) * 60000 / (58000 - kSettleMs));
    s.rssKiB.push_back(VmKiB(run.pid, "VmRSS"));
    s.hwmKiB.push_back(VmKiB(run.pid, "VmHWM"));
    std::fprintf(stderr, "  minute %d: %.3f ms\n", k + 1, cpuC - cpuA);
  }
  StopChild(run.pid);
  return s;
}

StartSamples MeasureStart(const BenchPaths& p, int rounds) {
  StampServer server;
  StartSamples s;
  for (int r = 0; r < rounds; ++r) {
    ProgramRun run = StartProgram(p, server, "start" + std::to_string(r));
    Require(server.waitArrival(0, kArrivalBoundMs), run, "no request after start");
    s.toRequestMs.push_back(server.stamp(0).arrivedMs - run.spawnedMs);
    Require(server.waitClosed(0, kArrivalBoundMs), run, "the first poll did not end");
    SleepUntil(MonoMs() + 200);  // its log line and counters
    s.rssKiB.push_back(VmKiB(run.pid, "VmRSS"));
    s.hwmKiB.push_back(VmKiB(run.pid, "VmHWM"));
    if (!StopChild(run.pid)) throw std::runtime_error("the program did not end on SIGTERM");
  }
  return s;
}

std::vector<double> MeasureSlowPoll(const BenchPaths& p, int rounds) {
  StampServer server(2000);
  std::vector<double> cpu;
  for (int r = 0; r < rounds; ++r) {
    ProgramRun run = StartProgram(p, server, "slow" + std::to_string(r));
    Require(server.waitClosed(0, kArrivalBoundMs + 2000), run, "the slow poll did not end");
    // The window runs on past the close for the log line; idle time there costs nothing.
    SleepUntil(server.stamp(0).closedMs + 200);
    cpu.push_back(ProcessCpuMs(run.pid) - server.stamp(0).cpuAtArrivalMs);
    StopChild(run.pid);
  }
  return cpu;
}

// SIGTERM while the poll waits for an answer that never comes: the time from the signal
// to the exit, settings written.
std::vector<double> MeasureEndDuringSilentPoll(const BenchPaths& p, int rounds) {
  std::vector<double> ms;
  for (int r = 0; r < rounds; ++r) {
    StampServer server(600000);  // reads the request, then says nothing until it stops
    ProgramRun run = StartProgram(p, server, "end" + std::to_string(r));
    Require(server.waitArrival(0, kArrivalBoundMs), run, "no request after start");
    SleepUntil(MonoMs() + 100);  // the poll is in its wait
    const double signalled = MonoMs();
    if (!StopChild(run.pid, 10000)) throw std::runtime_error("the program did not end on SIGTERM");
    ms.push_back(MonoMs() - signalled);
  }
  return ms;
}

std::vector<double> MeasureSilentConnect(const BenchPaths& p, int rounds) {
  LoopbackBlackHole hole;
  const std::string address = "127.0.0.1:" + std::to_string(hole.port());
  std::vector<double> cpu;
  for (int r = 0; r < rounds; ++r) {
    ProgramRun run = StartProgram(p, address, "silent" + std::to_string(r));
    // The program starts and connects within a few ms; then it waits out the time-out.
    SleepUntil(run.spawnedMs + 500);
    double before = ProcessCpuMs(run.pid);
    SleepUntil(run.spawnedMs + 2500);
    double after = ProcessCpuMs(run.pid);
    StopChild(run.pid);
    if (before < 0 || after < 0) throw std::runtime_error("the program ended early");
    cpu.push_back(after - before);
  }
  return cpu;
}

std::vector<double> MeasureCheck(const BenchPaths& p, int rounds) {
  StampServer server;
  ChildCommand cmd;
  cmd.argv = {p.tavix, "--check", server.address()};
  cmd.errPath = p.workDir + "/check.err";
  std::vector<double> ms;
  for (int r = 0; r < rounds; ++r) {
    const double took = RunTimedMs(cmd, 10000);
    if (took < 0) throw std::runtime_error("tavix --check did not answer OK");
    ms.push_back(took);
  }
  return ms;
}
