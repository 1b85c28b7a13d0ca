// The private-profile service: Get/WritePrivateProfileStringA and
// GetPrivateProfileIntA over ProfileText. A name without '/' lives in the Windows
// directory and is matched there without regard to case; a new one is made in lower
// case. Writes replace the file through SafeFile: atomically, keeping its mode, owner
// and link, so a refused write leaves the old file as it was and a killed process
// leaves the old or the new file. A file that cannot be read (not a regular file,
// above the size bound) reads as empty with the reason in GetLastError, and is
// never written.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/Internal.h"
#include "platform/posix/ProfileText.h"
#include "platform/posix/SafeFile.h"

namespace posix {
namespace {

// The file a name stands for; "" when a directory-less name has no settings folder
// (no home at all): nothing is ever made relative to the working folder.
std::string resolve(const std::string& name, bool forWrite) {
  if (name.find('/') != std::string::npos) return name;
  std::string dir = windowsDirectory();
  if (dir.empty()) return "";
  if (DIR* d = opendir(dir.c_str())) {
    std::string found;
    while (dirent* e = readdir(d))
      if (strcasecmp(e->d_name, name.c_str()) == 0) {
        found = e->d_name;
        if (found == name) break;  // an exact match wins over a case variant
      }
    closedir(d);
    if (!found.empty()) return dir + "/" + found;
    // Case does not tell names apart here: "tavix.INI" and "tavix.ini" are one file,
    // and on disk it has the lower-case name a user looks for.
  } else if (forWrite) {
    makeFolders(dir);
  }
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return dir + "/" + lower;
}

// Reads the file for a lookup or an edit; a missing file reads as empty.
DWORD readProfile(const std::string& path, std::string& bytes) {
  DWORD e = readRegularFile(path, bytes);
  return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? 0 : e;
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
  DWORD refused = file ? readProfile(resolve(file, false), bytes) : 0;
  ProfileText text(bytes);
  if (!section) return copyList(text.sections(), buf, size);
  if (!key) return copyList(text.keys(section), buf, size);
  std::optional<std::string> v = text.value(section, key);
  if (!v) {
    std::string d = def ? def : "";
    while (!d.empty() && d.back() == ' ') d.pop_back();  // Windows trims the default
    SetLastError(refused ? refused : ERROR_FILE_NOT_FOUND);
    return copyValue(d, buf, size);
  }
  SetLastError(ERROR_SUCCESS);
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
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string bytes;
  // There but unreadable, odd or too large: never overwrite what we could not read.
  if (DWORD e = readProfile(path, bytes)) {
    SetLastError(e);
    return FALSE;
  }
  ProfileText text(bytes);
  if (!key) {
    if (!text.removeSection(section)) return TRUE;
  } else if (!value) {
    if (!text.removeKey(section, key)) return TRUE;
  } else {
    text.set(section, key, value);
  }
  if (DWORD e = replaceFile(path, text.bytes())) {
    SetLastError(e);
    return FALSE;
  }
  return TRUE;
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int def, LPCSTR file) {
  char buf[64];
  if (!section || !key) return static_cast<UINT>(def);
  std::string bytes;
  if (file) readProfile(resolve(file, false), bytes);
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
