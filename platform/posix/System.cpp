// Last-error value, version, module file name and the "Windows directory".
#include <errno.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/Internal.h"
#include "platform/posix/Seams.h"

namespace posix {
namespace {

thread_local DWORD gLastError = 0;
std::mutex gModuleMutex;
std::string gModuleOverride;

DWORD copyOut(const std::string& s, LPSTR buf, DWORD size) {
  if (!buf || size == 0) return 0;
  if (s.size() >= size) {
    // Windows truncates, terminates and reports ERROR_INSUFFICIENT_BUFFER.
    std::memcpy(buf, s.data(), size - 1);
    buf[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buf, s.c_str(), s.size() + 1);
  return static_cast<DWORD>(s.size());
}

}  // namespace

DWORD errnoToWin(int err) {
  switch (err) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case EFBIG:
      return ERROR_FILE_TOO_LARGE;
    case ELOOP:
      return ERROR_CANT_RESOLVE_FILENAME;
    case ETXTBSY:
    case EWOULDBLOCK:
      return ERROR_SHARING_VIOLATION;
    case EIO:
      return 1117;  // ERROR_IO_DEVICE
  }
  return ERROR_INVALID_PARAMETER;
}

void setLastErrorFromErrno(int err) { gLastError = errnoToWin(err); }

const char* secureMessage(DWORD id);  // Sspi.cpp or SspiNone.cpp

namespace {

// Windows' own texts for the error numbers this platform sets.
const char* systemMessage(DWORD id) {
  switch (id) {
    case ERROR_FILE_NOT_FOUND:
      return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
      return "The system cannot find the path specified.";
    case ERROR_TOO_MANY_OPEN_FILES:
      return "The system cannot open the file.";
    case ERROR_ACCESS_DENIED:
      return "Access is denied.";
    case ERROR_INVALID_HANDLE:
      return "The handle is invalid.";
    case ERROR_NOT_SAME_DEVICE:
      return "The system cannot move the file to a different disk drive.";
    case ERROR_NO_MORE_FILES:
      return "There are no more files.";
    case ERROR_SHARING_VIOLATION:
      return "The process cannot access the file because it is being used by another process.";
    case ERROR_FILE_EXISTS:
      return "The file exists.";
    case ERROR_INVALID_PARAMETER:
      return "The parameter is incorrect.";
    case ERROR_DISK_FULL:
      return "There is not enough space on the disk.";
    case ERROR_ALREADY_EXISTS:
      return "Cannot create a file when that file already exists.";
    case ERROR_FILENAME_EXCED_RANGE:
      return "The filename or extension is too long.";
    case ERROR_BAD_FILE_TYPE:
      return "The file type being saved or retrieved has been blocked.";
    case ERROR_FILE_TOO_LARGE:
      return "The file size exceeds the limit allowed and cannot be saved.";
    case 1117:
      return "The request could not be performed because of an I/O device error.";
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
      return "The replacement file could not be renamed.";
    case ERROR_CANT_RESOLVE_FILENAME:
      return "The name of the file cannot be resolved by the system.";
  }
  return secureMessage(id);
}

}  // namespace

void setModuleFileName(const std::string& path) {
  std::lock_guard<std::mutex> lock(gModuleMutex);
  gModuleOverride = path;
}

// HOME when it is an absolute path, else the home the password database gives the
// user; "" when there is neither.
std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return home;
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buf(16384);
  if (getpwuid_r(geteuid(), &entry, buf.data(), buf.size(), &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] == '/')
    return found->pw_dir;
  return "";
}

// As the XDG rules say: a relative XDG_CONFIG_HOME is ignored, and a folder is never
// taken relative to the working folder.
std::string windowsDirectory() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return xdg;
  const std::string home = homeFolder();
  return home.empty() ? "" : home + "/.config";
}

}  // namespace posix

namespace winapi {

DWORD GetLastError() { return posix::gLastError; }

DWORD FormatMessageA(DWORD flags, const void*, DWORD id, DWORD, LPSTR buf, DWORD size, void*) {
  const char* text = (flags & FORMAT_MESSAGE_FROM_SYSTEM) ? posix::systemMessage(id) : nullptr;
  if (!text || !buf) {
    SetLastError(317);  // ERROR_MR_MID_NOT_FOUND
    return 0;
  }
  const std::string line = std::string(text) + "\r\n";
  if (line.size() >= size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buf, line.c_str(), line.size() + 1);
  return static_cast<DWORD>(line.size());
}
void SetLastError(DWORD err) { posix::gLastError = err; }

// 6.1 (build 7601): the new-style shell with the newer notification records.
DWORD GetVersion() { return (7601u << 16) | (1u << 8) | 6u; }

DWORD GetModuleFileNameA(HMODULE, LPSTR buf, DWORD size) {
  std::string path;
  {
    std::lock_guard<std::mutex> lock(posix::gModuleMutex);
    path = posix::gModuleOverride;
  }
  if (path.empty()) {
    char tmp[4096];
    ssize_t n = readlink("/proc/self/exe", tmp, sizeof tmp - 1);
    if (n <= 0) {
      posix::setLastErrorFromErrno(errno);
      return 0;
    }
    path.assign(tmp, static_cast<size_t>(n));
    // A binary replaced while it runs reads back as "<path> (deleted)".
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.ends_with(deleted))
      path.resize(path.size() - deleted.size());
  }
  return posix::copyOut(path, buf, size);
}

UINT GetWindowsDirectoryA(LPSTR buf, UINT size) {
  std::string dir = posix::windowsDirectory();
  if (dir.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  if (!buf || size <= dir.size()) return static_cast<UINT>(dir.size() + 1);  // size needed
  std::memcpy(buf, dir.c_str(), dir.size() + 1);
  return static_cast<UINT>(dir.size());
}

}  // namespace winapi
