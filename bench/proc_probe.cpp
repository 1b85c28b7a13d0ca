// Process control and /proc readings for the whole-program benchmarks.
#include "bench/proc_probe.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

double MonoMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

namespace {

std::vector<std::string> MergedEnv(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& x : extra)
      if (x.substr(0, x.find('=')) == name) replaced = true;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

std::vector<char*> CStrings(std::vector<std::string>& v) {
  std::vector<char*> out;
  for (std::string& s : v) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// A descriptor that becomes readable when the process ends (Linux 5.3 and later).
int PidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

}  // namespace

pid_t Spawn(const ChildCommand& cmd) {
  std::vector<std::string> args = cmd.argv;
  std::vector<std::string> env = MergedEnv(cmd.env);
  std::vector<char*> argp = CStrings(args), envp = CStrings(env);
  pid_t pid = fork();
  if (pid != 0) return pid;
  int in = open("/dev/null", O_RDONLY);
  int out = open("/dev/null", O_WRONLY);
  int err = open(cmd.errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err < 0 ? out : err, 2);
  execve(argp[0], argp.data(), envp.data());
  _exit(127);
}

double ProcessCpuMs(pid_t pid) {
  clockid_t clock;
  timespec ts{};
  if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &ts) != 0) return -1;
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

long VmKiB(pid_t pid, const char* field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  const std::string key = std::string(field) + ":";
  for (std::string line; std::getline(in, line);)
    if (line.compare(0, key.size(), key) == 0) return std::strtol(line.c_str() + key.size(), 0, 10);
  return -1;
}

bool WaitChild(pid_t pid, int timeoutMs, int* status) {
  int fd = PidFd(pid);
  if (fd >= 0) {
    pollfd p{fd, POLLIN, 0};
    int r;
    do {
      r = poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    close(fd);
    if (r <= 0) return false;
  }
  // Without a process descriptor this blocks: acceptable, the bound is only a guard.
  return waitpid(pid, status, 0) == pid;
}

bool StopChild(pid_t pid, int timeoutMs) {
  int status = 0;
  kill(pid, SIGTERM);
  if (WaitChild(pid, timeoutMs, &status)) return true;
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return false;
}

double RunTimedMs(const ChildCommand& cmd, int timeoutMs) {
  double start = MonoMs();
  pid_t pid = Spawn(cmd);
  if (pid < 0) return -1;
  int status = 0;
  if (!WaitChild(pid, timeoutMs, &status)) {
    StopChild(pid, 1000);
    return -1;
  }
  double took = MonoMs() - start;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took : -1;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

int FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
    port = ntohs(sa.sin_port);
  close(fd);
  return port;
}
