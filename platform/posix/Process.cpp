// Processes started without waiting (CreateProcessA and its companions), anonymous
// pipes for their output, and the environment. A command line runs through
// /bin/sh -c; the child leads a process group of its own, so TerminateProcess ends
// the shell and what it started. Handles are table slots with a generation count.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/Internal.h"

extern char** environ;

namespace posix {
namespace {

struct ProcessSlot {
  uint32_t gen = 1;
  pid_t pid = 0;  // 0: free
  bool exited = false;
  DWORD code = STILL_ACTIVE;
  bool terminated = false;
  DWORD terminateCode = 0;
};
std::mutex gProcessMutex;
std::vector<ProcessSlot> gProcesses;
std::vector<pid_t> gOrphans;  // closed while running: reaped later
constexpr uintptr_t kProcessTag = uintptr_t{1} << 41;

ProcessSlot* slotOf(HANDLE h) {
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  if (!(v & kProcessTag)) return nullptr;
  size_t i = v & 0xffff;
  if (i == 0 || i > gProcesses.size()) return nullptr;
  ProcessSlot& s = gProcesses[i - 1];
  if (s.pid == 0 || ((v & ~kProcessTag) >> 16) != s.gen) return nullptr;
  return &s;
}

HANDLE addProcess(pid_t pid) {
  size_t i = 0;
  while (i < gProcesses.size() && gProcesses[i].pid != 0) ++i;
  if (i == gProcesses.size()) gProcesses.emplace_back();
  ProcessSlot& s = gProcesses[i];
  s.pid = pid;
  s.exited = s.terminated = false;
  s.code = STILL_ACTIVE;
  return reinterpret_cast<HANDLE>(kProcessTag | (uintptr_t{s.gen} << 16) | (i + 1));
}

void reapOrphans() {
  for (size_t i = 0; i < gOrphans.size();)
    if (waitpid(gOrphans[i], nullptr, WNOHANG) != 0)
      gOrphans.erase(gOrphans.begin() + long(i));
    else
      ++i;
}

// Updates the slot when the child has ended; the shell's convention for a signal.
void poll(ProcessSlot& s) {
  if (s.exited) return;
  int status = 0;
  if (waitpid(s.pid, &status, WNOHANG) != s.pid) return;
  s.exited = true;
  if (s.terminated)
    s.code = s.terminateCode;
  else if (WIFEXITED(status))
    s.code = DWORD(WEXITSTATUS(status));
  else
    s.code = DWORD(128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0));
}

std::vector<std::string> environmentOf(const char* block) {
  std::vector<std::string> env;
  for (const char* p = block; *p; p += std::strlen(p) + 1) env.emplace_back(p);
  return env;
}

class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attr_);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attr_);
  }
  // The child starts with default signal handling, nothing blocked, in a new group.
  void Attributes() {
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD, SIGTSTP, SIGTTIN, SIGTTOU})
      sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attr_, &none);
    posix_spawnattr_setsigdefault(&attr_, &defaults);
    posix_spawnattr_setpgroup(&attr_, 0);
    posix_spawnattr_setflags(
        &attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  }
  void StdHandle(HANDLE h, int target) {
    const int fd = h ? fileDescriptor(h) : -1;
    if (fd >= 0)
      posix_spawn_file_actions_adddup2(&actions_, fd, target);
    else
      posix_spawn_file_actions_addopen(&actions_, target, "/dev/null",
                                       target == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  void Directory(const char* dir) { posix_spawn_file_actions_addchdir_np(&actions_, dir); }
  int Spawn(pid_t& pid, char* const argv[], char* const envp[]) {
    return posix_spawn(&pid, argv[0], &actions_, &attr_, argv, envp);
  }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attr_;
};

}  // namespace

bool closeProcessHandle(HANDLE h) {
  std::lock_guard<std::mutex> lock(gProcessMutex);
  ProcessSlot* s = slotOf(h);
  if (!s) return false;
  poll(*s);
  if (!s->exited) gOrphans.push_back(s->pid);
  s->pid = 0;
  s->gen = (s->gen + 1) & 0xffffff;
  return true;
}

}  // namespace posix

namespace winapi {
using namespace posix;

BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, SECURITY_ATTRIBUTES*,
                    SECURITY_ATTRIBUTES*, BOOL, DWORD, LPVOID environment, LPCSTR directory,
                    STARTUPINFOA* startup, PROCESS_INFORMATION* info) {
  if (application || !commandLine || !info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  SpawnSetup setup;
  setup.Attributes();
  if (startup && (startup->dwFlags & STARTF_USESTDHANDLES)) {
    setup.StdHandle(startup->hStdInput, 0);
    setup.StdHandle(startup->hStdOutput, 1);
    setup.StdHandle(startup->hStdError, 2);
  }
  if (directory && *directory) setup.Directory(directory);
  std::string shell = "/bin/sh", dashC = "-c";
  char* argv[] = {shell.data(), dashC.data(), commandLine, nullptr};
  std::vector<std::string> env;
  std::vector<char*> envp;
  if (environment) {
    env = environmentOf(static_cast<const char*>(environment));
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
  }
  std::lock_guard<std::mutex> lock(gProcessMutex);
  reapOrphans();
  pid_t pid = 0;
  if (int err = setup.Spawn(pid, argv, environment ? envp.data() : environ); err != 0) {
    setLastErrorFromErrno(err);
    return FALSE;
  }
  info->hProcess = addProcess(pid);
  info->hThread = nullptr;
  info->dwProcessId = DWORD(pid);
  info->dwThreadId = 0;
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* code) {
  std::lock_guard<std::mutex> lock(gProcessMutex);
  ProcessSlot* s = slotOf(process);
  if (!s || !code) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  poll(*s);
  *code = s->code;
  return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT code) {
  std::lock_guard<std::mutex> lock(gProcessMutex);
  ProcessSlot* s = slotOf(process);
  if (!s) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  poll(*s);
  if (s->exited) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  s->terminated = true;
  s->terminateCode = code;
  ::kill(-s->pid, SIGKILL);  // the group: what the shell started goes too
  ::kill(s->pid, SIGKILL);
  return TRUE;
}

BOOL CreatePipe(HANDLE* readEnd, HANDLE* writeEnd, SECURITY_ATTRIBUTES*, DWORD) {
  int fds[2];
  if (!readEnd || !writeEnd || ::pipe2(fds, O_CLOEXEC) != 0) {
    setLastErrorFromErrno(readEnd && writeEnd ? errno : EINVAL);
    return FALSE;
  }
  *readEnd = addFileHandle(fds[0]);
  *writeEnd = addFileHandle(fds[1]);
  return TRUE;
}

// Only the count of bytes waiting is supported (buf must be null).
BOOL PeekNamedPipe(HANDLE pipe, LPVOID, DWORD, DWORD* read, DWORD* available, DWORD*) {
  const int fd = fileDescriptor(pipe);
  if (fd < 0) return FALSE;  // the last error is set
  int n = 0;
  if (::ioctl(fd, FIONREAD, &n) != 0) {
    setLastErrorFromErrno(errno);
    return FALSE;
  }
  if (read) *read = 0;
  if (available) *available = DWORD(n);
  return TRUE;
}

BOOL SetHandleInformation(HANDLE, DWORD, DWORD) { return TRUE; }

LPSTR GetEnvironmentStringsA() {
  std::string block;
  for (char** e = environ; e && *e; ++e) block.append(*e).push_back('\0');
  block.push_back('\0');
  char* copy = static_cast<char*>(std::malloc(block.size()));
  if (copy) std::memcpy(copy, block.data(), block.size());
  return copy;
}

BOOL FreeEnvironmentStringsA(LPSTR block) {
  std::free(block);
  return TRUE;
}

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buf, DWORD size) {
  const char* value = name ? std::getenv(name) : nullptr;
  if (!value) {
    SetLastError(203);  // ERROR_ENVVAR_NOT_FOUND
    return 0;
  }
  const size_t n = std::strlen(value);
  if (!buf || n + 1 > size) return DWORD(n + 1);
  std::memcpy(buf, value, n + 1);
  return DWORD(n);
}

}  // namespace winapi
