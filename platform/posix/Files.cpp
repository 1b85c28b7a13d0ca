// File handles over descriptors (CreateFileA, ReadFile, WriteFile...), attributes,
// deletion, renaming and replacing, with Windows error numbers in GetLastError.
// As on Windows: a file without write permission is read-only for every user (root
// too), an open never blocks (a FIFO without a peer fails instead), and a file held
// open without FILE_SHARE_DELETE cannot be deleted (an advisory lock that our own
// DeleteFileA respects).
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/Internal.h"
#include "platform/posix/SafeFile.h"

namespace posix {
namespace {

// File handles: slot index + 1 in the low 16 bits, generation above, and a tag
// bit so they never look like NULL or INVALID_HANDLE_VALUE.
struct FileSlot {
  uint32_t gen = 1;
  int fd = -1;
};
std::mutex gFilesMutex;
std::vector<FileSlot> gFiles;
constexpr uintptr_t kFileTag = uintptr_t{1} << 40;

HANDLE addFile(int fd) {
  std::lock_guard<std::mutex> lock(gFilesMutex);
  size_t i = 0;
  while (i < gFiles.size() && gFiles[i].fd >= 0) ++i;
  if (i == gFiles.size()) gFiles.emplace_back();
  gFiles[i].fd = fd;
  return reinterpret_cast<HANDLE>(kFileTag | (uintptr_t{gFiles[i].gen} << 16) | (i + 1));
}

FileSlot* slotOf(HANDLE h) {
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  if (!(v & kFileTag)) return nullptr;
  size_t i = (v & 0xffff);
  if (i == 0 || i > gFiles.size()) return nullptr;
  FileSlot& s = gFiles[i - 1];
  if (s.fd < 0 || ((v & ~kFileTag) >> 16) != s.gen) return nullptr;
  return &s;
}

int fdOf(HANDLE h) {
  std::lock_guard<std::mutex> lock(gFilesMutex);
  FileSlot* s = slotOf(h);
  if (!s) SetLastError(ERROR_INVALID_HANDLE);
  return s ? s->fd : -1;
}

BOOL fail() {
  setLastErrorFromErrno(errno);
  return FALSE;
}

BOOL failWith(DWORD err) {
  SetLastError(err);
  return FALSE;
}

bool readOnly(const struct stat& st) { return !S_ISDIR(st.st_mode) && (st.st_mode & 0222) == 0; }

// Opens without blocking, then makes the descriptor blocking again for its reads
// and writes.
int openNow(const char* path, int flags) {
  int fd = open(path, flags | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool folderExists(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;
  struct stat st;
  return stat(slash == 0 ? "/" : path.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

HANDLE addFileHandle(int fd) { return addFile(fd); }
int fileDescriptor(HANDLE h) { return fdOf(h); }

}  // namespace posix

namespace winapi {
using namespace posix;

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, SECURITY_ATTRIBUTES*, DWORD creation,
                   DWORD, HANDLE) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  int flags = O_CLOEXEC;
  bool rd = access & GENERIC_READ, wr = access & GENERIC_WRITE;
  flags |= (rd && wr) ? O_RDWR : wr ? O_WRONLY : O_RDONLY;
  struct stat st;
  bool existed = stat(path, &st) == 0;
  switch (creation) {
    case CREATE_NEW:
      flags |= O_CREAT | O_EXCL | O_NOFOLLOW;
      break;
    case CREATE_ALWAYS:
      flags |= O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      break;
    case OPEN_ALWAYS:
      flags |= O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      flags |= O_TRUNC;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  if (existed && (S_ISDIR(st.st_mode) || (wr && readOnly(st)))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int fd = openNow(path, flags);
  if (fd < 0) {
    const int err = errno;
    // Windows tells a missing folder from a missing file; ENXIO: a FIFO nobody reads.
    if (err == ENOENT && !folderExists(path))
      SetLastError(ERROR_PATH_NOT_FOUND);
    else
      setLastErrorFromErrno(err == ENXIO ? EACCES : err);
    return INVALID_HANDLE_VALUE;
  }
  if (!(share & FILE_SHARE_DELETE)) flock(fd, LOCK_SH | LOCK_NB);
  HANDLE h = addFile(fd);
  bool reports = creation == CREATE_ALWAYS || creation == OPEN_ALWAYS;
  SetLastError(existed && reports ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

BOOL ReadFile(HANDLE file, LPVOID buf, DWORD toRead, DWORD* read, void*) {
  if (read) *read = 0;
  int fd = fdOf(file);
  if (fd < 0) return FALSE;
  size_t done = 0;
  while (done < toRead) {
    ssize_t n = ::read(fd, static_cast<char*>(buf) + done, toRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail();
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  if (read) *read = static_cast<DWORD>(done);
  return TRUE;
}

BOOL WriteFile(HANDLE file, const void* buf, DWORD toWrite, DWORD* written, void*) {
  if (written) *written = 0;
  int fd = fdOf(file);
  if (fd < 0) return FALSE;
  const off_t at = lseek(fd, 0, SEEK_CUR);
  if (at >= 0 && passesSizeLimit(static_cast<uint64_t>(at) + toWrite))
    return failWith(errnoToWin(EFBIG));
  size_t done = 0;
  while (done < toWrite) {
    ssize_t n = ::write(fd, static_cast<const char*>(buf) + done, toWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (written) *written = static_cast<DWORD>(done);
      return fail();
    }
    done += static_cast<size_t>(n);
  }
  if (written) *written = static_cast<DWORD>(done);
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG dist, LONG* distHigh, DWORD method) {
  int fd = fdOf(file);
  if (fd < 0) return INVALID_SET_FILE_POINTER;
  int64_t off = distHigh ? (static_cast<int64_t>(*distHigh) << 32) | static_cast<uint32_t>(dist)
                         : static_cast<int64_t>(dist);
  int whence = method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : SEEK_SET;
  off_t r = lseek(fd, off, whence);
  if (r < 0) {
    SetLastError(errno == EINVAL ? 131 : errnoToWin(errno));  // ERROR_NEGATIVE_SEEK
    return INVALID_SET_FILE_POINTER;
  }
  if (distHigh) *distHigh = static_cast<LONG>(r >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(r);
}

DWORD GetFileSize(HANDLE file, DWORD* high) {
  int fd = fdOf(file);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) return INVALID_FILE_SIZE;
  if (high) *high = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  return static_cast<DWORD>(st.st_size);
}

BOOL SetEndOfFile(HANDLE file) {
  int fd = fdOf(file);
  if (fd < 0) return FALSE;
  off_t pos = lseek(fd, 0, SEEK_CUR);
  return pos >= 0 && ftruncate(fd, pos) == 0 ? TRUE : fail();
}

BOOL FlushFileBuffers(HANDLE file) {
  int fd = fdOf(file);
  if (fd < 0) return FALSE;
  return fsync(fd) == 0 ? TRUE : fail();
}

BOOL CloseHandle(HANDLE h) {
  if (closeProcessHandle(h)) return TRUE;
  int fd;
  {
    std::lock_guard<std::mutex> lock(gFilesMutex);
    FileSlot* s = slotOf(h);
    if (!s) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    fd = s->fd;
    s->fd = -1;
    s->gen = (s->gen + 1) & 0xffffff;
  }
  return close(fd) == 0 ? TRUE : fail();
}

DWORD GetFileAttributesA(LPCSTR path) {
  struct stat st;
  if (!path || stat(path, &st) != 0) {
    setLastErrorFromErrno(path ? errno : ENOENT);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  return !readOnly(st) && access(path, W_OK) == 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

BOOL DeleteFileA(LPCSTR path) {
  struct stat st;
  if (!path || lstat(path, &st) != 0) return fail();
  if (S_ISDIR(st.st_mode)) return failWith(ERROR_ACCESS_DENIED);
  if (S_ISREG(st.st_mode) && heldOpen(path)) return failWith(ERROR_SHARING_VIOLATION);
  return unlink(path) == 0 ? TRUE : fail();
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  struct stat st;
  if (!from || !to || lstat(from, &st) != 0) return fail();
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && lstat(to, &st) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  return rename(from, to) == 0 ? TRUE : fail();
}

// The replaced file keeps its permission bits and owner, and a symbolic link keeps
// pointing at it: the replacement takes the place of the link's target. A file with
// several names is not replaced (ERROR_UNABLE_TO_MOVE_REPLACEMENT, as when its owner
// cannot be kept): the caller writes it in place, so that every name shows the text.
BOOL ReplaceFileA(LPCSTR replaced, LPCSTR replacement, LPCSTR backup, DWORD, LPVOID, LPVOID) {
  if (!replaced || !replacement || backup) return failWith(ERROR_INVALID_PARAMETER);
  std::string target;
  struct stat st;
  if (DWORD e = linkTarget(replaced, target)) return failWith(e);
  if (lstat(target.c_str(), &st) != 0) return fail();
  if (DWORD e = refusal(target, st)) return failWith(e);
  if (st.st_nlink > 1) return failWith(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
  int fd = open(replacement, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail();
  const bool kept = adoptOwnerAndMode(fd, st);
  close(fd);
  if (!kept) return failWith(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
  return rename(replacement, target.c_str()) == 0 ? TRUE : fail();
}

}  // namespace winapi
