// bench_program: the whole-program figures, each over several rounds, printed as one
// Markdown table (figure, min, median, max, goal, met, load average when it was taken)
// ready to paste into docs/performance.md. scripts/bench.sh builds everything, starts
// nginx on a loopback port and runs this.
//
//   bench_program --tavix PATH --head PATH [--curl PATH] [--nginx http://127.0.0.1:P/]
//                 [--work DIR] [--quick]
//   bench_program --free-port     prints a free port on 127.0.0.1
//
// A goal counts as met when the median meets it; min and max show the machine's noise.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/proc_probe.h"
#include "bench/program_measures.h"

namespace {

struct Row {
  std::string figure;
  std::vector<double> samples;
  double goal;  // < 0: no goal, shown for reference
  std::string goalText;
  std::string load;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Fixed(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, v >= 100 ? "%.0f" : v >= 10 ? "%.1f" : "%.3f", v);
  return buf;
}

std::vector<double> Scaled(const std::vector<double>& v, double by) {
  std::vector<double> out;
  for (double x : v) out.push_back(x * by);
  return out;
}

void PrintTable(const std::vector<Row>& rows) {
  std::printf("| Figure | Min | Median | Max | Goal | Met | Load average |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  for (const Row& r : rows) {
    if (r.samples.empty()) continue;
    auto [lo, hi] = std::minmax_element(r.samples.begin(), r.samples.end());
    double med = Median(r.samples);
    std::string met = r.goal < 0 ? "" : med < r.goal ? "yes" : "no";
    std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", r.figure.c_str(), Fixed(*lo).c_str(),
                Fixed(med).c_str(), Fixed(*hi).c_str(), r.goalText.c_str(), met.c_str(),
                r.load.c_str());
  }
}

struct Options {
  BenchPaths paths;
  bool quick = false;
};

bool Parse(int argc, char** argv, Options& o) {
  o.paths.curl = "/usr/bin/curl";
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](std::string& into) { return i + 1 < argc && (into = argv[++i], true); };
    bool ok = a == "--quick"   ? (o.quick = true)
              : a == "--tavix" ? next(o.paths.tavix)
              : a == "--head"  ? next(o.paths.head)
              : a == "--curl"  ? next(o.paths.curl)
              : a == "--nginx" ? next(o.paths.nginxUrl)
              : a == "--work"  ? next(o.paths.workDir)
                               : false;
    if (!ok) return false;
  }
  return !o.paths.tavix.empty() && !o.paths.head.empty();
}

void Stage(const char* what) {
  std::fprintf(stderr, "bench: %s (load %s)\n", what, LoadAverage().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--free-port") {  // for the script's nginx
    int port = FreeLoopbackPort();
    std::printf("%d\n", port);
    return port > 0 ? 0 : 1;
  }
  Options o;
  if (!Parse(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: bench_program --tavix PATH --head PATH [--curl PATH] "
                 "[--nginx http://127.0.0.1:PORT/] [--work DIR] [--quick]\n");
    return 2;
  }
  bool ownWork = o.paths.workDir.empty();
  if (ownWork) {
    char tmpl[] = "/tmp/tavix-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    o.paths.workDir = tmpl;
  }
  std::filesystem::create_directories(o.paths.workDir);
  const int headCount = o.quick ? 200 : 1000, headRounds = o.quick ? 3 : 7;
  const int startRounds = o.quick ? 5 : 15, slowRounds = o.quick ? 3 : 5;
  const int idleMinutes = o.quick ? 1 : 3;
  std::vector<Row> rows;
  std::string loadBefore = LoadAverage();
  int rc = 0;
  try {
    if (!o.paths.nginxUrl.empty()) {
      Stage("HEAD polls against nginx, ours and curl's");
      std::string load = LoadAverage();
      HeadSamples h = MeasureHeadPolls(o.paths, headCount, headRounds);
      std::string n = std::to_string(headCount);
      rows.push_back({"HEAD to nginx, THttpClient (bench_head, " + n + " requests), us per request",
                      h.oursUs, -1, "", load});
      rows.push_back(
          {"HEAD to nginx, curl --http1.0 -I (one process, " + n + " URLs), us per request",
           h.curlUs, -1, "", load});
      rows.push_back({"HEAD time per request, ours / curl", h.ratio, 0.8, "< 0.8", load});
    }
    Stage("start to first request");
    std::string load = LoadAverage();
    StartSamples st = MeasureStart(o.paths, startRounds);
    rows.push_back({"start to first request on the wire, ms", st.toRequestMs, 50, "< 50", load});
    rows.push_back({"resident memory after the first poll (VmRSS), MiB",
                    Scaled(st.rssKiB, 1 / 1024.0), 8, "< 8", load});
    rows.push_back({"peak resident memory after the first poll (VmHWM), MiB",
                    Scaled(st.hwmKiB, 1 / 1024.0), -1, "", load});
    Stage("check mode: start to exit");
    load = LoadAverage();
    rows.push_back({"check mode (--check) on a loopback success: start to exit, ms",
                    MeasureCheck(o.paths, o.quick ? 10 : 50), 10, "< 10", load});
    Stage("processor time of a poll waiting 2 s for a slow server");
    load = LoadAverage();
    rows.push_back({"processor time of a poll waiting 2 s for the answer, ms",
                    MeasureSlowPoll(o.paths, slowRounds), 20, "< 20", load});
    Stage("processor time of a poll whose connect is not answered for 2 s");
    load = LoadAverage();
    rows.push_back({"processor time of 2 s of a connect the server does not accept, ms",
                    MeasureSilentConnect(o.paths, slowRounds), 20, "< 20", load});
    Stage("end during a silent poll");
    load = LoadAverage();
    rows.push_back({"end during a silent poll: SIGTERM to exit, ms",
                    MeasureEndDuringSilentPoll(o.paths, slowRounds), 100, "< 100", load});
    Stage("processor time of the idle program, one minute at a time");
    load = LoadAverage();
    IdleSamples idle = MeasureIdle(o.paths, idleMinutes);
    rows.push_back({"processor time of one idle minute, its automatic poll included, ms",
                    idle.periodCpuMs, 5, "< 5", load});
    rows.push_back({"processor time of one idle minute without a poll (57 s scaled), ms",
                    idle.pollFreeCpuMs, 5, "< 5", load});
    rows.push_back({"resident memory after idle minutes (VmRSS), MiB",
                    Scaled(idle.rssKiB, 1 / 1024.0), 8, "< 8", load});
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench: %s (files kept in %s)\n", e.what(), o.paths.workDir.c_str());
    ownWork = false;
    rc = 1;
  }
  char when[64];
  std::time_t now = std::time(nullptr);
  std::strftime(when, sizeof when, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  std::printf("Run of %s on %ld processors; load average %s before, %s after.\n\n", when,
              sysconf(_SC_NPROCESSORS_ONLN), loadBefore.c_str(), LoadAverage().c_str());
  PrintTable(rows);
  if (ownWork) std::filesystem::remove_all(o.paths.workDir);
  return rc;
}
