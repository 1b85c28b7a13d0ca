// The private-profile service: Get/WritePrivateProfileStringA and
// GetPrivateProfileIntA over ProfileText. A name without '/' lives in the Windows
// directory and is matched there without regard to case. Writes replace the file
// atomically (temporary file in the same directory, fsync, rename), so a refused
// write leaves the old file as it was, and a killed process leaves the old or the
// new file (the temporary one is unnamed where the file system allows).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/Internal.h"
#include "platform/posix/ProfileText.h"

namespace posix {
namespace {

std::string resolve(const std::string& name, bool forWrite) {
  if (name.find('/') != std::string::npos) return name;
  std::string dir = windowsDirectory();
  if (DIR* d = opendir(dir.c_str())) {
    std::string found;
    while (dirent* e = readdir(d))
      if (strcasecmp(e->d_name, name.c_str()) == 0) {
        found = e->d_name;
        if (found == name) break;  // an exact match wins over a case variant
      }
    closedir(d);
    if (!found.empty()) return dir + "/" + found;
  } else if (forWrite) {
    // Create the directory chain (like mkdir -p).
    for (size_t at = 1; at != std::string::npos; at = dir.find('/', at + 1))
      mkdir(dir.substr(0, at).c_str(), 0755);
    mkdir(dir.c_str(), 0755);
  }
  return dir + "/" + name;
}

bool readAll(const std::string& path, std::string& out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[8192];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  close(fd);
  return n == 0;
}

bool writeAll(int fd, const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    ssize_t n = write(fd, s.data() + done, s.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Fills a temporary file and makes it durable; false with err set on failure.
bool fillTemp(int fd, mode_t mode, const std::string& bytes, int& err) {
  bool ok = fchmod(fd, mode) == 0 && writeAll(fd, bytes) && fsync(fd) == 0;
  if (!ok) err = errno;
  return ok;
}

// The new contents in an unnamed file of dir (O_TMPFILE), given a name only for the
// moment between link and rename: a process killed while it writes leaves nothing
// behind in the user's folder. tried is false where the file system (or a missing
// /proc) cannot do that.
bool writeUnnamed(const std::string& dir, mode_t mode, const std::string& bytes, std::string& name,
                  int& err, bool& tried) {
  int fd = open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  tried = fd >= 0;
  if (fd < 0) return false;
  bool ok = fillTemp(fd, mode, bytes, err);
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; ok && attempt < 100; ++attempt) {
    name = dir + "/.profile-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) break;
    if (errno != EEXIST || attempt == 99) {
      tried = ok = false;  // no /proc, say: the named way below still works
    }
  }
  close(fd);
  return ok;
}

// A named temporary file, for file systems without unnamed ones.
bool writeNamed(const std::string& dir, mode_t mode, const std::string& bytes, std::string& name,
                int& err) {
  std::string tmpl = dir + "/.profile-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back(0);
  int fd = mkstemp(buf.data());
  if (fd < 0) {
    err = errno;
    return false;
  }
  name = buf.data();
  bool ok = fillTemp(fd, mode, bytes, err);
  if (close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) unlink(name.c_str());
  return ok;
}

// Removes the names that writeUnnamed gave to files of processes that are gone
// (killed between link and rename); another live writer's file is left alone.
void removeOrphans(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  const std::string prefix = ".profile-";
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.compare(0, prefix.size(), prefix) != 0) continue;
    size_t dash = n.find('-', prefix.size());
    if (dash == std::string::npos || dash == prefix.size()) continue;
    std::string digits = n.substr(prefix.size(), dash - prefix.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) continue;
    pid_t pid = static_cast<pid_t>(std::stol(digits));
    if (pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH) unlink((dir + "/" + n).c_str());
  }
  closedir(d);
}

bool replaceAtomically(const std::string& path, const std::string& bytes) {
  size_t slash = path.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
  struct stat st;
  mode_t mode = stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  std::string name;
  int err = 0;
  bool tried = false;
  bool ok = writeUnnamed(dir, mode, bytes, name, err, tried);
  if (!ok && !tried) ok = writeNamed(dir, mode, bytes, name, err);
  if (ok && rename(name.c_str(), path.c_str()) != 0) {
    ok = false;
    err = errno;
    unlink(name.c_str());
  }
  if (!ok) setLastErrorFromErrno(err);
  if (ok && tried) removeOrphans(dir);
  return ok;
}

// Copies a list of names, each NUL-terminated, plus a final NUL; Windows rules for
// a short buffer (cut, double NUL, returns size - 2).
DWORD copyList(const std::vector<std::string>& names, LPSTR buf, DWORD size) {
  if (!buf || size == 0) return 0;
  if (size == 1) {
    buf[0] = 0;
    return 0;
  }
  std::string all;
  for (auto& n : names) all += n + '\0';
  if (all.size() + 1 <= size) {
    std::memcpy(buf, all.data(), all.size());
    buf[all.size()] = 0;
    if (all.empty()) buf[1] = 0;
    return static_cast<DWORD>(all.size());
  }
  std::memcpy(buf, all.data(), size - 2);
  buf[size - 2] = 0;
  buf[size - 1] = 0;
  return size - 2;
}

DWORD copyValue(const std::string& v, LPSTR buf, DWORD size) {
  if (!buf || size == 0) return 0;
  size_t n = std::min<size_t>(v.size(), size - 1);
  std::memcpy(buf, v.data(), n);
  buf[n] = 0;
  return static_cast<DWORD>(n);
}

bool hasLineBreak(LPCSTR s) { return s && std::strpbrk(s, "\r\n") != nullptr; }

}  // namespace
}  // namespace posix

namespace winapi {
using namespace posix;

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buf, DWORD size,
                               LPCSTR file) {
  std::string bytes;
  if (file) readAll(resolve(file, false), bytes);
  ProfileText text(bytes);
  if (!section) return copyList(text.sections(), buf, size);
  if (!key) return copyList(text.keys(section), buf, size);
  std::optional<std::string> v = text.value(section, key);
  if (!v) {
    std::string d = def ? def : "";
    while (!d.empty() && d.back() == ' ') d.pop_back();  // Windows trims the default
    SetLastError(ERROR_FILE_NOT_FOUND);
    return copyValue(d, buf, size);
  }
  return copyValue(*v, buf, size);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
  if (!section || !file) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // A line break would split the entry and corrupt the lines after it.
  if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) ||
      std::strchr(section, ']') || (key && std::strchr(key, '='))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string path = resolve(file, true);
  std::string bytes;
  bool exists = readAll(path, bytes);
  if (!exists && access(path.c_str(), F_OK) == 0) {
    setLastErrorFromErrno(errno);
    return FALSE;  // there but unreadable: never overwrite what we could not read
  }
  ProfileText text(bytes);
  if (!key) {
    if (!text.removeSection(section)) return TRUE;
  } else if (!value) {
    if (!text.removeKey(section, key)) return TRUE;
  } else {
    text.set(section, key, value);
  }
  return replaceAtomically(path, text.bytes()) ? TRUE : FALSE;
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int def, LPCSTR file) {
  char buf[64];
  if (!section || !key) return static_cast<UINT>(def);
  std::string bytes;
  if (file) readAll(resolve(file, false), bytes);
  std::optional<std::string> v = ProfileText(bytes).value(section, key);
  if (!v) return static_cast<UINT>(def);
  copyValue(*v, buf, sizeof buf);
  // Leading digits only, as Windows: "12abc" is 12, "abc" is 0; 0x for hex.
  const char* p = buf;
  bool neg = *p == '-';
  if (neg) ++p;
  int base = (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) ? 16 : 10;
  if (base == 16) p += 2;
  long long n = 0;
  for (; *p; ++p) {
    int d = (*p >= '0' && *p <= '9')                          ? *p - '0'
            : (base == 16 && std::strchr("abcdefABCDEF", *p)) ? (*p | 0x20) - 'a' + 10
                                                              : -1;
    if (d < 0) break;
    n = n * base + d;
    if (n > 0xFFFFFFFFLL) n = 0xFFFFFFFFLL;
  }
  return static_cast<UINT>(neg ? -n : n);
}

}  // namespace winapi
