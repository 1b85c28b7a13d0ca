// The command run on a change of the server's state.
#include "app/AlertCommand.h"

#include <algorithm>
#include <cstring>

#include "framework/SysUtils.h"

namespace {

constexpr UINT kPollMs = 200;
constexpr DWORD kKilledCode = 1;

std::string EnvironmentVariable(const char* name) {
  char buf[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

// The process's own environment with Extra added (replacing variables of those names):
// NUL-separated texts ended by an empty one.
std::string EnvironmentBlock(const TEnvironment& Extra) {
  std::string block;
  if (char* env = GetEnvironmentStringsA()) {
    for (const char* p = env; *p; p += std::strlen(p) + 1) {
      const std::string entry(p);
      const bool replaced = std::any_of(Extra.begin(), Extra.end(), [&](const auto& e) {
        return entry.compare(0, e.first.size() + 1, e.first + "=") == 0;
      });
      if (!replaced) block.append(entry).push_back('\0');
    }
    FreeEnvironmentStringsA(env);
  }
  for (const auto& [name, value] : Extra) block.append(name + "=" + value).push_back('\0');
  block.push_back('\0');
  return block;
}

// Windows names its interpreter in COMSPEC; elsewhere the platform runs the line
// through the shell itself.
std::string InterpreterLine(const std::string& Command) {
  const std::string comspec = EnvironmentVariable("COMSPEC");
  return comspec.empty() ? Command : "\"" + comspec + "\" /c " + Command;
}

std::string SystemMessage(DWORD err) {
  char buf[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, err, 0, buf, sizeof buf, nullptr);
  std::string text(buf, n);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.'))
    text.pop_back();
  return text.empty() ? Format("system error %d", {int(err)}) : text;
}

}  // namespace

std::string OutputSummary(const std::string& Output) {
  std::string s;
  for (char c : Output) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '\r' || c == '\n') {
      if (!s.empty() && s.compare(s.size() - std::min<size_t>(3, s.size()), 3, " / ") != 0)
        s += " / ";
    } else {
      s += (u < 0x20 && c != '\t') || u == 0x7F ? '?' : c;
    }
  }
  while (s.size() >= 3 && s.compare(s.size() - 3, 3, " / ") == 0) s.resize(s.size() - 3);
  constexpr size_t kShown = 200;
  if (s.size() > kShown) s = s.substr(0, kShown) + "...";
  return s;
}

TAlertCommand::TAlertCommand(TComponent* AOwner, std::function<void(const std::string&)> Log)
    : TComponent(AOwner), FLog(std::move(Log)), FTimer(Create<TTimer>(this)) {
  FTimer->SetEnabled(false);
  FTimer->SetInterval(kPollMs);
  FTimer->SetOnTimer([this](TObject*) { Tick(); });
}

// A command still running goes on by itself; only our ends of it are let go.
TAlertCommand::~TAlertCommand() {
  for (TRun& run : FRuns) Release(run);
}

void TAlertCommand::Run(const std::string& Command, const TEnvironment& Extra) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    FLog("COMMAND NOT STARTED: " + SystemMessage(GetLastError()));
    return;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);  // only the child's end goes over
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = writeEnd;
  PROCESS_INFORMATION pi{};
  std::string line = InterpreterLine(Command);
  std::string env = EnvironmentBlock(Extra);
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, env.data(), nullptr, &si, &pi);
  const DWORD err = GetLastError();
  CloseHandle(writeEnd);  // the child holds its own copy: the pipe ends when it does
  if (!started) {
    CloseHandle(readEnd);
    FLog("COMMAND NOT STARTED: " + SystemMessage(err));
    return;
  }
  if (pi.hThread) CloseHandle(pi.hThread);
  TRun run;
  run.Process = pi.hProcess;
  run.Output = readEnd;
  run.StartedMs = GetTickCount64();
  FRuns.push_back(run);
  FTimer->SetEnabled(true);
}

void TAlertCommand::Drain(TRun& Run) {
  DWORD available = 0;
  char buf[4096];
  while (PeekNamedPipe(Run.Output, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    DWORD got = 0;
    if (!ReadFile(Run.Output, buf, std::min<DWORD>(available, sizeof buf), &got, nullptr) ||
        got == 0)
      return;
    // Beyond what the log shows, output is read only so the command never blocks.
    const size_t room = kOutputKept - std::min(kOutputKept, Run.Text.size());
    Run.Text.append(buf, std::min<size_t>(room, got));
  }
}

bool TAlertCommand::Finished(TRun& Run) {
  Drain(Run);
  DWORD code = STILL_ACTIVE;
  if (!GetExitCodeProcess(Run.Process, &code)) code = 0;
  std::string summary;
  if (code == STILL_ACTIVE) {
    const uint64_t ranMs = GetTickCount64() - Run.StartedMs;
    if (ranMs < uint64_t(std::max(1, TimeoutSeconds)) * 1000) return false;
    TerminateProcess(Run.Process, kKilledCode);
    summary = Format("COMMAND KILLED after %d seconds", {int(ranMs / 1000)});
  } else {
    summary = Format("COMMAND ENDED, exit code %d", {int(code)});
  }
  Drain(Run);
  const std::string output = OutputSummary(Run.Text);
  Release(Run);
  FLog(output.empty() ? summary : summary + ": " + output);
  return true;
}

void TAlertCommand::Release(TRun& Run) {
  if (Run.Output) CloseHandle(Run.Output);
  if (Run.Process) CloseHandle(Run.Process);
  Run.Output = Run.Process = nullptr;
}

void TAlertCommand::Tick() {
  // The log line may pump nothing, but a run is taken out of the list before it is
  // reported, so the list never changes under the loop.
  std::vector<TRun> runs;
  runs.swap(FRuns);
  std::vector<TRun> going;
  for (TRun& run : runs)
    if (!Finished(run)) going.push_back(run);
  for (TRun& run : FRuns) going.push_back(run);  // started while reporting
  FRuns.swap(going);
  FTimer->SetEnabled(!FRuns.empty());
}
