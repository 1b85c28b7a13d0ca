// Reading and replacing the user's files without taking them over (see SafeFile.h).
#include "platform/posix/SafeFile.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/posix/Internal.h"

namespace posix {
namespace {

// The owner could not be kept: the caller writes in place instead.
constexpr DWORD kOwnerLost = ERROR_UNABLE_TO_MOVE_REPLACEMENT;
constexpr size_t kHexDigits = 16;
// Enough of the file's name to tell whose temporary it is, within NAME_MAX.
constexpr size_t kNameKept = 96;

// Closes its descriptor on every way out.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(-1); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

DWORD lastError() { return errnoToWin(errno); }

bool writeAllAt(int fd, const char* data, size_t size, off_t at) {
  if (passesSizeLimit(static_cast<uint64_t>(at) + size)) {
    errno = EFBIG;
    return false;
  }
  size_t done = 0;
  while (done < size) {
    ssize_t n = pwrite(fd, data + done, size - done, at + static_cast<off_t>(done));
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

std::string nameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

uid_t ownerOf(const std::string& dir) {
  struct stat d {};
  return stat(dir.c_str(), &d) == 0 ? d.st_uid : geteuid();
}

std::string randomHex() {
  unsigned char b[kHexDigits / 2];
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
  char hex[kHexDigits + 1];
  for (size_t i = 0; i < sizeof b; ++i) std::snprintf(hex + 2 * i, 3, "%02x", b[i]);
  return hex;
}

std::string tempName(const std::string& dir, const std::string& fileName) {
  return dir + "/." + fileName.substr(0, kNameKept) + "." + randomHex() + kTemporaryMark;
}

// ".<name>.<16 hex digits>.tavix-unfinished", compared character by character.
bool isTemporaryName(const std::string& n) {
  const size_t mark = std::strlen(kTemporaryMark);
  if (n.size() < 2 + 1 + kHexDigits + mark || n[0] != '.') return false;
  if (n.compare(n.size() - mark, mark, kTemporaryMark) != 0) return false;
  const size_t hex = n.size() - mark - kHexDigits;
  if (n[hex - 1] != '.') return false;
  return std::all_of(n.begin() + hex, n.begin() + hex + kHexDigits,
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// A fresh name in dir, made exclusively (never an existing file, never through a
// link) and locked at once, as a live writer's file.
int openNamedTemp(const std::string& dir, const std::string& fileName, mode_t mode,
                  std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = tempName(dir, fileName);
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) flock(fd, LOCK_SH | LOCK_NB);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Gives the unnamed file fd a fresh name in dir; false (errno set) where it cannot.
bool nameUnnamed(int fd, const std::string& dir, const std::string& fileName, std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = tempName(dir, fileName);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

// Fills the new file fd and makes it durable with the look of the file it replaces
// (old), or for a new file the bits the umask gave and, made by root in another
// user's folder, that user as owner.
DWORD fill(int fd, const std::string& bytes, const struct stat* old, const std::string& dir) {
  if (old && !adoptOwnerAndMode(fd, *old)) return kOwnerLost;
  if (!old && geteuid() == 0) {
    struct stat d {};
    if (stat(dir.c_str(), &d) == 0 && d.st_uid != 0) (void)!fchown(fd, d.st_uid, d.st_gid);
  }
  return writeAllAt(fd, bytes.data(), bytes.size(), 0) && fsync(fd) == 0 ? 0 : lastError();
}

// The replacement of dir/fileName, named (name), durable and held open (locked) in
// temp; unnamed while it is written where the file system allows.
DWORD writeReplacement(const std::string& dir, const std::string& fileName,
                       const std::string& bytes, const struct stat* old, Fd& temp,
                       std::string& name) {
  // A new file is made 0666 and the umask takes its bits away, as for any new file.
  const mode_t mode = old ? 0600 : 0666;
  temp.reset(open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
  if (temp.get() >= 0) {
    flock(temp.get(), LOCK_SH | LOCK_NB);
    if (DWORD e = fill(temp.get(), bytes, old, dir)) return e;
    if (nameUnnamed(temp.get(), dir, fileName, name)) return 0;
    if (errno != ENOENT) return lastError();  // ENOENT: no /proc; a named file still works
  }
  temp.reset(openNamedTemp(dir, fileName, mode, name));
  if (temp.get() < 0) return lastError();
  DWORD e = fill(temp.get(), bytes, old, dir);
  if (e) unlink(name.c_str());
  return e;
}

// Removes what writers that are gone left in dir (killed between naming their file
// and the rename): names of the temporaries' form only, regular files with one
// link, that nobody holds.
void removeLeftovers(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (isTemporaryName(e->d_name)) names.push_back(e->d_name);
    closedir(d);
  }
  for (const std::string& n : names) {
    const std::string path = dir + "/" + n;
    Fd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1)
      continue;
    if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
  }
}

// Takes the room the longer text bytes needs before the old text (old bytes) is
// touched, so that a full disk refuses the write and leaves the file as it was.
// Where the file system reserves no room, the part past the old end is written
// first (tailWritten) and taken back when it does not fit.
DWORD reserve(int fd, size_t old, const std::string& bytes, bool& tailWritten) {
  tailWritten = false;
  if (passesSizeLimit(bytes.size())) return errnoToWin(EFBIG);
  if (fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) == 0) return 0;
  if (errno != EOPNOTSUPP && errno != ENOSYS) return lastError();
  if (writeAllAt(fd, bytes.data() + old, bytes.size() - old, static_cast<off_t>(old))) {
    tailWritten = true;
    return 0;
  }
  const DWORD e = lastError();
  (void)!ftruncate(fd, static_cast<off_t>(old));
  return e;
}

}  // namespace

bool passesSizeLimit(uint64_t end) {
  rlimit limit{};
  return getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
         end > limit.rlim_cur;
}

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
    // Another user's link could point at any file of the system; root would write
    // what that user never could.
    if (geteuid() == 0 && st.st_uid != 0) return ERROR_ACCESS_DENIED;
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
  // A second name can be a hard link to any file; its folder's owner must own it.
  if (geteuid() == 0 && st.st_nlink > 1 && st.st_uid != ownerOf(folderOf(path)))
    return ERROR_ACCESS_DENIED;
  return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : lastError();
}

bool adoptOwnerAndMode(int fd, const struct stat& st) {
  struct stat now {};
  const bool owned =
      fstat(fd, &now) == 0 && ((now.st_uid == st.st_uid && now.st_gid == st.st_gid) ||
                               fchown(fd, st.st_uid, st.st_gid) == 0);
  return fchmod(fd, st.st_mode & 07777) == 0 && owned;
}

bool heldOpen(const std::string& path) {
  Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
  return fd.get() >= 0 && flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

void makeFolders(const std::string& dir) {
  for (size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
    const std::string part = dir.substr(0, at);
    if (mkdir(part.c_str(), 0700) == 0 && geteuid() == 0) {
      struct stat parent {};
      if (stat(folderOf(part).c_str(), &parent) == 0)
        (void)!lchown(part.c_str(), parent.st_uid, parent.st_gid);
    }
    if (at == std::string::npos) return;
  }
}

DWORD writeInPlace(const std::string& path, const std::string& bytes) {
  Fd fd(open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return lastError();
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) return lastError();
  if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
  const size_t old = static_cast<size_t>(st.st_size);
  bool tailWritten = false;
  if (bytes.size() > old) {
    if (DWORD e = reserve(fd.get(), old, bytes, tailWritten)) return e;
  }
  const size_t head = tailWritten ? old : bytes.size();
  const bool ok = writeAllAt(fd.get(), bytes.data(), head, 0) &&
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
    // A rename would leave the other names with the old text.
    if (st.st_nlink > 1) return writeInPlace(target, bytes);
  }
  const std::string dir = folderOf(target);
  Fd temp;
  std::string name;
  DWORD e = writeReplacement(dir, nameOf(target), bytes, exists ? &st : nullptr, temp, name);
  // A folder that takes no new files, or an owner this process cannot give.
  if (exists && (e == kOwnerLost || e == ERROR_ACCESS_DENIED)) return writeInPlace(target, bytes);
  if (e) return e;
  if (rename(name.c_str(), target.c_str()) != 0) {
    e = lastError();
    unlink(name.c_str());
    return e;
  }
  temp.reset(-1);
  removeLeftovers(dir);
  return 0;
}

}  // namespace posix
