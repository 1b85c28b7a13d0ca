// The activity log at scale: one appended line with 100 and with 100,000 lines in the
// log, one paint of the terminal's desktop (120 x 45) with 100,000 lines, and the
// resident memory then. The main window runs on the null display; the paint draws into
// an in-memory canvas, as the terminal display does before it writes the screen.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/fMain.h"
#include "platform/display/terminal/Desktop.h"

namespace {

const std::string kLine = "12/08/26 07:20:00 - SUCCESS 127.0.0.1:18080 00:00:00.004.";

double ResidentMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return -1;
}

// The main window, shown, with its log filled to `lines` lines.
void FillLog(int lines) {
  if (!Form1) {
    Application->Initialize();
    Application->CreateForm(Form1);
    Form1->SetVisible(true);
  }
  Form1->Memo1->Lines()->Clear();
  for (int i = 0; i < lines; ++i) Form1->Memo1->Lines()->Add(kLine);
}

// First: the append benchmark below grows the log well past 100,000 lines, and the
// resident memory it leaves would be counted here.
void BM_LogPaintDesktop(benchmark::State& state) {
  FillLog(int(state.range(0)));
  term::Canvas canvas;
  canvas.resize(45, 120);
  term::HitMap hits;
  term::Layout layout;
  for (auto _ : state) {
    canvas.clear();
    benchmark::DoNotOptimize(term::drawDesktop(canvas, hits, layout, nullptr));
  }
  state.counters["resident_MiB"] = ResidentMiB();
}
BENCHMARK(BM_LogPaintDesktop)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_LogAppendOneLine(benchmark::State& state) {
  FillLog(int(state.range(0)));
  for (auto _ : state) Form1->Memo1->Lines()->Add(kLine);
  state.counters["lines"] = double(Form1->Memo1->Lines()->Count());
}
BENCHMARK(BM_LogAppendOneLine)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // A settings folder of its own: the bench must not touch the user's tavix.ini.
  const auto dir =
      std::filesystem::temp_directory_path() / ("tavix-logbench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(dir);
  std::_Exit(0);  // the window's end (settings write) is not part of the figures
}
