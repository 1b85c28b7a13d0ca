// The whole-program measurements: each runs the built program (or bench_head and curl)
// in child processes against loopback servers and returns one sample per round.
#pragma once

#include <string>
#include <vector>

struct BenchPaths {
  std::string tavix;     // the program
  std::string head;      // bench_head
  std::string curl;      // curl, for the comparison
  std::string nginxUrl;  // "http://127.0.0.1:port/" of the local nginx; empty: skip
  std::string workDir;   // scratch folder: settings and error output of each run
};

struct HeadSamples {
  std::vector<double> oursUs, curlUs, ratio;  // per request; ours / curl per round
};

// `count` HEAD requests to nginx by bench_head and by one curl process, side by side.
HeadSamples MeasureHeadPolls(const BenchPaths& p, int count, int rounds);

// Processor time (ms) of the program, polling automatically every minute, over whole
// poll periods (each holds one poll) and over the poll-free part of each (scaled to 60 s),
// with VmRSS and VmHWM (KiB) at the end of each period.
struct IdleSamples {
  std::vector<double> periodCpuMs, pollFreeCpuMs, rssKiB, hwmKiB;
};
IdleSamples MeasureIdle(const BenchPaths& p, int minutes);

// Spawn to first request (ms), and VmRSS / VmHWM (KiB) once the first poll is over.
struct StartSamples {
  std::vector<double> toRequestMs, rssKiB, hwmKiB;
};
StartSamples MeasureStart(const BenchPaths& p, int rounds);

// Processor time (ms) of the program from its first request's arrival to the end of that
// poll, the server answering after 2 s.
std::vector<double> MeasureSlowPoll(const BenchPaths& p, int rounds);

// Processor time (ms) of 2 s of the first poll's connect to a server that never accepts.
std::vector<double> MeasureEndDuringSilentPoll(const BenchPaths& p, int rounds);
std::vector<double> MeasureSilentConnect(const BenchPaths& p, int rounds);

// Wall time (ms) of tavix --check against a loopback server that answers at once, from
// the spawn to the exit (status 0).
std::vector<double> MeasureCheck(const BenchPaths& p, int rounds);
