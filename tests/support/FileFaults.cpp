// File-system faults for tests: a file size limit and a read-only folder.
#include "tests/support/FileFaults.h"

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace testsupport {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  getrlimit(RLIMIT_FSIZE, &saved_);
  savedHandler_ = ::signal(SIGXFSZ, SIG_IGN);
  rlimit lim = saved_;
  lim.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &lim);
}

FileSizeLimit::~FileSizeLimit() {
  setrlimit(RLIMIT_FSIZE, &saved_);
  ::signal(SIGXFSZ, savedHandler_);
}

namespace {

// In the child: a mount namespace of its own, where dir is a read-only view of
// itself. Changes to mounts here never reach the rest of the machine.
bool makeReadOnly(const std::string& dir) {
  return unshare(CLONE_NEWNS) == 0 &&
         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
         mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

}  // namespace

bool withReadOnlyFolder(const std::string& dir, const std::function<bool()>& body) {
  if (geteuid() != 0) {
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || chmod(dir.c_str(), 0555) != 0) return false;
    const bool ok = body();
    chmod(dir.c_str(), st.st_mode & 07777);
    return ok;
  }
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) _exit(makeReadOnly(dir) && body() ? 0 : 1);
  int status = 0;
  pid_t got;
  while ((got = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  return got == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace testsupport
