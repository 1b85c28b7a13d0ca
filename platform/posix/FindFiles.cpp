// FindFirstFileA / FindNextFileA / FindClose: the names of one folder that match a
// pattern of "*" and "?", with their attributes and last-write time.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/Internal.h"

namespace posix {
namespace {

struct Search {
  std::vector<WIN32_FIND_DATAA> found;
  size_t next = 0;
};

std::mutex gSearchMutex;
std::map<uintptr_t, std::unique_ptr<Search>> gSearches;
uintptr_t gLastSearch = 0;
constexpr uintptr_t kSearchTag = uintptr_t{1} << 41;

// Windows counts 100 ns steps from 1601.
FILETIME fileTime(const timespec& t) {
  const uint64_t v = (static_cast<uint64_t>(t.tv_sec) + 11644473600ULL) * 10000000ULL +
                     static_cast<uint64_t>(t.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

// fnmatch reads "[" as a set; in a Windows pattern it is a plain character.
std::string literalBrackets(const std::string& pattern) {
  std::string out;
  for (char c : pattern) out += c == '[' ? std::string("[[]") : std::string(1, c);
  return out;
}

bool describe(int dir, const char* name, WIN32_FIND_DATAA& d) {
  struct stat st {};
  if (fstatat(dir, name, &st, 0) != 0 && fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  d = WIN32_FIND_DATAA{};
  d.dwFileAttributes = S_ISDIR(st.st_mode)        ? FILE_ATTRIBUTE_DIRECTORY
                       : (st.st_mode & 0222) == 0 ? FILE_ATTRIBUTE_READONLY
                                                  : FILE_ATTRIBUTE_NORMAL;
  d.ftLastWriteTime = d.ftLastAccessTime = d.ftCreationTime = fileTime(st.st_mtim);
  d.nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  d.nFileSizeLow = static_cast<DWORD>(st.st_size);
  std::strncpy(d.cFileName, name, sizeof d.cFileName - 1);
  return true;
}

}  // namespace
}  // namespace posix

namespace winapi {
using namespace posix;

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) {
  if (!pattern || !found) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::string p = pattern;
  const size_t slash = p.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : p.substr(0, slash ? slash : 1);
  const std::string glob = literalBrackets(p.substr(slash == std::string::npos ? 0 : slash + 1));
  DIR* d = opendir(dir.c_str());
  if (!d) {
    setLastErrorFromErrno(errno);
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_unique<Search>();
  while (dirent* e = readdir(d)) {
    WIN32_FIND_DATAA data;
    if (std::strlen(e->d_name) < sizeof data.cFileName &&
        fnmatch(glob.c_str(), e->d_name, FNM_NOESCAPE) == 0 && describe(dirfd(d), e->d_name, data))
      search->found.push_back(data);
  }
  closedir(d);
  if (search->found.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *found = search->found[0];
  search->next = 1;
  std::lock_guard<std::mutex> lock(gSearchMutex);
  const uintptr_t key = kSearchTag | (++gLastSearch & 0xffffffffff);
  gSearches[key] = std::move(search);
  return reinterpret_cast<HANDLE>(key);
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* found) {
  std::lock_guard<std::mutex> lock(gSearchMutex);
  auto it = gSearches.find(reinterpret_cast<uintptr_t>(find));
  if (it == gSearches.end() || !found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Search& s = *it->second;
  if (s.next >= s.found.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *found = s.found[s.next++];
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  std::lock_guard<std::mutex> lock(gSearchMutex);
  if (gSearches.erase(reinterpret_cast<uintptr_t>(find)) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // namespace winapi
