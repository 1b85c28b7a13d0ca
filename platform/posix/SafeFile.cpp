// Reading and replacing the user's files without taking them over (see SafeFile.h).
// A replacement is written to an unnamed file of the target's folder (O_TMPFILE),
// or where that is impossible to a fresh random name made exclusively, and gets a
// name (".profile-<pid>-<random>") only for the moment before the rename.
#include "platform/posix/SafeFile.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "platform/posix/Internal.h"

namespace posix {
namespace {

constexpr char kTempPrefix[] = ".profile-";
// The owner could not be kept: the caller writes in place instead.
constexpr DWORD kOwnerLost = ERROR_UNABLE_TO_MOVE_REPLACEMENT;

// Closes its descriptor on every way out.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

DWORD lastError() { return errnoToWin(errno); }

bool writeAll(int fd, const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    ssize_t n = write(fd, s.data() + done, s.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string folderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string randomHex() {
  unsigned char b[8];
  if (getrandom(b, sizeof b, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof b)) {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    unsigned long long v = (static_cast<unsigned long long>(t.tv_nsec) << 20) ^
                           static_cast<unsigned long long>(t.tv_sec) ^
                           static_cast<unsigned long long>(getpid()) << 40;
    for (auto& c : b) {
      c = static_cast<unsigned char>(v);
      v >>= 8;
    }
  }
  char hex[sizeof b * 2 + 1];
  for (size_t i = 0; i < sizeof b; ++i) std::snprintf(hex + 2 * i, 3, "%02x", b[i]);
  return hex;
}

std::string tempName(const std::string& dir) {
  return dir + "/" + kTempPrefix + std::to_string(getpid()) + "-" + randomHex();
}

// A fresh name in dir, made exclusively: never an existing file, never through a link.
int openNamedTemp(const std::string& dir, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = tempName(dir);
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Gives the unnamed file fd a fresh name in dir; false (errno set) where it cannot.
bool nameUnnamed(int fd, const std::string& dir, std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = tempName(dir);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

// A new file's owner and bits: 0644, and for root the folder's owner, so that a
// run as root leaves nothing in a user's folder that the user cannot change.
struct stat newFileLook(const std::string& dir) {
  struct stat st {};
  st.st_mode = S_IFREG | 0644;
  st.st_uid = geteuid();
  st.st_gid = getegid();
  struct stat d {};
  if (geteuid() == 0 && stat(dir.c_str(), &d) == 0) {
    st.st_uid = d.st_uid;
    st.st_gid = d.st_gid;
  }
  return st;
}

// Fills the new file fd and makes it durable with the look of the file it replaces.
DWORD fill(int fd, const std::string& bytes, const struct stat& look, bool mustKeepOwner) {
  if (!adoptOwnerAndMode(fd, look) && mustKeepOwner) return kOwnerLost;
  return writeAll(fd, bytes) && fsync(fd) == 0 ? 0 : lastError();
}

// The replacement in dir, named (name) and durable; unnamed while it is written
// where the file system allows.
DWORD writeReplacement(const std::string& dir, const std::string& bytes, const struct stat& look,
                       bool mustKeepOwner, std::string& name) {
  Fd unnamed(open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (unnamed.get() >= 0) {
    if (DWORD e = fill(unnamed.get(), bytes, look, mustKeepOwner)) return e;
    if (nameUnnamed(unnamed.get(), dir, name)) return 0;
    if (errno != ENOENT) return lastError();  // ENOENT: no /proc; a named file still works
  }
  Fd named(openNamedTemp(dir, name));
  if (named.get() < 0) return lastError();
  DWORD e = fill(named.get(), bytes, look, mustKeepOwner);
  if (e) unlink(name.c_str());
  return e;
}

// Removes the names that replacements of processes that are gone left behind
// (killed between naming and rename); another live writer's file is left alone.
void removeOrphans(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  const std::string prefix = kTempPrefix;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.compare(0, prefix.size(), prefix) != 0) continue;
    size_t dash = n.find('-', prefix.size());
    if (dash == std::string::npos || dash == prefix.size()) continue;
    std::string digits = n.substr(prefix.size(), dash - prefix.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) continue;
    pid_t pid = static_cast<pid_t>(std::stol(digits));
    struct stat st {};
    if (fstatat(dirfd(d), n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
      continue;
    if (pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH) unlinkat(dirfd(d), n.c_str(), 0);
  }
  closedir(d);
}

}  // namespace

DWORD readRegularFile(const std::string& path, std::string& out, size_t limit) {
  out.clear();
  Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return lastError();
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) return lastError();
  if (!S_ISREG(st.st_mode)) return ERROR_BAD_FILE_TYPE;
  if (st.st_size < 0 || static_cast<size_t>(st.st_size) > limit) return ERROR_FILE_TOO_LARGE;
  char buf[8192];
  for (;;) {
    ssize_t n = read(fd.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) return 0;
    DWORD e = n < 0 ? lastError() : 0;
    if (!e && out.size() + static_cast<size_t>(n) > limit) e = ERROR_FILE_TOO_LARGE;  // it grew
    if (e) {
      out.clear();
      return e;
    }
    out.append(buf, static_cast<size_t>(n));
  }
}

DWORD linkTarget(const std::string& path, std::string& target) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(target.c_str(), &st) != 0) return errno == ENOENT ? 0 : lastError();
    if (!S_ISLNK(st.st_mode)) return 0;
    char buf[4096];
    ssize_t n = readlink(target.c_str(), buf, sizeof buf);
    if (n < 0) return lastError();
    if (n == static_cast<ssize_t>(sizeof buf)) return ERROR_FILENAME_EXCED_RANGE;
    std::string link(buf, static_cast<size_t>(n));
    target = link[0] == '/' ? link : folderOf(target) + "/" + link;
  }
  return errnoToWin(ELOOP);
}

DWORD refusal(const std::string& path, const struct stat& st) {
  if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) return ERROR_ACCESS_DENIED;
  return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : lastError();
}

bool adoptOwnerAndMode(int fd, const struct stat& st) {
  struct stat now {};
  const bool owned =
      fstat(fd, &now) == 0 && ((now.st_uid == st.st_uid && now.st_gid == st.st_gid) ||
                               fchown(fd, st.st_uid, st.st_gid) == 0);
  return fchmod(fd, st.st_mode & 07777) == 0 && owned;
}

DWORD writeInPlace(const std::string& path, const std::string& bytes) {
  Fd fd(open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return lastError();
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) return lastError();
  if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
  const bool ok = writeAll(fd.get(), bytes) &&
                  ftruncate(fd.get(), static_cast<off_t>(bytes.size())) == 0 &&
                  fsync(fd.get()) == 0;
  return ok ? 0 : lastError();
}

DWORD replaceFile(const std::string& path, const std::string& bytes) {
  std::string target;
  if (DWORD e = linkTarget(path, target)) return e;
  struct stat st {};
  const bool exists = lstat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return lastError();
  if (exists) {
    if (DWORD e = refusal(target, st)) return e;
  }
  const std::string dir = folderOf(target);
  std::string name;
  DWORD e = writeReplacement(dir, bytes, exists ? st : newFileLook(dir), exists, name);
  // A folder that takes no new files, or an owner this process cannot give.
  if (exists && (e == kOwnerLost || e == ERROR_ACCESS_DENIED)) return writeInPlace(target, bytes);
  if (e) return e;
  if (rename(name.c_str(), target.c_str()) != 0) {
    e = lastError();
    unlink(name.c_str());
    return e;
  }
  removeOrphans(dir);
  return 0;
}

}  // namespace posix
