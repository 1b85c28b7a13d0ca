// File-system faults for tests: a file size limit and a read-only folder.
#include "tests/support/FileFaults.h"

#include <linux/capability.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>

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

// In the child: root no longer passes over permissions.
bool dropPermissionOverride() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    data[cap / 32].effective &= ~(1u << (cap % 32));
    data[cap / 32].permitted &= ~(1u << (cap % 32));
  }
  return syscall(SYS_capset, &header, data) == 0;
}

bool inChild(const std::function<bool()>& body) {
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) _exit(body() ? 0 : 1);
  int status = 0;
  pid_t got;
  while ((got = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  return got == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Takes the write permission from dir and, with files, from its regular files; the
// destructor gives every mode back.
class WritesTaken {
 public:
  WritesTaken(const std::string& dir, bool files) {
    namespace fs = std::filesystem;
    if (files)
      for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file() && !e.is_symlink()) take(e.path().string());
    ok_ = take(dir);
  }
  ~WritesTaken() {
    for (const auto& [path, mode] : modes_) chmod(path.c_str(), mode);
  }
  bool ok() const { return ok_; }

 private:
  bool take(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return false;
    modes_[path] = st.st_mode & 07777;
    return chmod(path.c_str(), st.st_mode & 07555) == 0;
  }
  std::map<std::string, mode_t> modes_;
  bool ok_ = false;
};

}  // namespace

bool withFolderRefusingNewFiles(const std::string& dir, const std::function<bool()>& body) {
  WritesTaken taken(dir, false);
  if (!taken.ok()) return false;
  if (geteuid() != 0) return body();
  return inChild([&] { return dropPermissionOverride() && body(); });
}

bool withReadOnlyFolder(const std::string& dir, const std::function<bool()>& body) {
  if (geteuid() != 0) {
    WritesTaken taken(dir, true);
    return taken.ok() && body();
  }
  return inChild([&] { return makeReadOnly(dir) && body(); });
}

}  // namespace testsupport
