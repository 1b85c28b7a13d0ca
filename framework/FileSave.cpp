// Saving a whole file so that it stays the user's file. The new text goes to a
// fresh temporary beside the file, ".<name>.<16 hex digits>.tavix-unfinished" (made
// exclusively, so never an existing file and never through a link), which then
// replaces the file keeping its permission bits, owner and link (ReplaceFileA). A
// folder that takes no new files, or a replace that cannot keep the owner or the
// file's other names (hard links), gets the file written in place, flushed, with the
// room for a longer text taken before the old text is touched.
// Temporaries of saves that were killed go with the next save into the same folder:
// only names of exactly that form, compared character by character (never as a
// pattern); one that another save still holds open refuses to go.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <random>

#include "framework/Classes.h"

namespace {

constexpr char kTempMark[] = ".tavix-unfinished";
constexpr size_t kHexDigits = 16;
constexpr DWORD kChunk = DWORD(1) << 30;
constexpr DWORD kReplacedGone = 1177;  // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2

[[noreturn]] void Fail(const std::string& fileName, DWORD err) {
  throw EFCreateError(Format("Cannot create file %s. %s", {fileName, SysErrorMessage(err)}));
}

std::string RandomPart() {
  static std::random_device device;
  static std::mt19937_64 mix(device() ^ (uint64_t(device()) << 32) ^ GetTickCount());
  return IntToHex(int64_t(mix() >> 1), int(kHexDigits));
}

// The name cut, so that the temporary's name stays within the system's limit.
std::string TempName(const std::string& fileName) {
  return ExtractFilePath(fileName) + "." + ExtractFileName(fileName).substr(0, 96) + "." +
         RandomPart() + kTempMark;
}

bool IsTemporaryName(const std::string& n) {
  const size_t mark = std::strlen(kTempMark);
  if (n.size() < 2 + 1 + kHexDigits + mark || n[0] != '.') return false;
  if (n.compare(n.size() - mark, mark, kTempMark) != 0) return false;
  const size_t hex = n.size() - mark - kHexDigits;
  return n[hex - 1] == '.' &&
         std::all_of(n.begin() + hex, n.begin() + hex + kHexDigits,
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

void RemoveLeftovers(const std::string& fileName) {
  const std::string folder = ExtractFilePath(fileName);
  WIN32_FIND_DATAA found;
  // The pattern is ours alone; each name found is then checked as it is.
  HANDLE find = FindFirstFileA((folder + "*" + kTempMark).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsTemporaryName(found.cFileName))
      DeleteFileA((folder + found.cFileName).c_str());
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

HANDLE CreateTemporary(const std::string& fileName, std::string& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = TempName(fileName);
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD err = GetLastError();
    if (h != INVALID_HANDLE_VALUE || (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS))
      return h;
  }
  return INVALID_HANDLE_VALUE;
}

DWORD WriteBytes(HANDLE h, const char* data, uint64_t size) {
  for (uint64_t at = 0; at < size;) {
    const DWORD chunk = DWORD(std::min<uint64_t>(size - at, kChunk));
    DWORD put = 0;
    if (!WriteFile(h, data + at, chunk, &put, nullptr)) return GetLastError();
    if (put == 0) return ERROR_DISK_FULL;
    at += put;
  }
  return 0;
}

bool MoveTo(HANDLE h, uint64_t at) {
  LONG high = LONG(at >> 32);
  SetLastError(ERROR_SUCCESS);
  return SetFilePointer(h, LONG(DWORD(at)), &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER ||
         GetLastError() == ERROR_SUCCESS;
}

DWORD WriteAt(HANDLE h, const char* data, uint64_t size, uint64_t at) {
  return MoveTo(h, at) ? WriteBytes(h, data, size) : GetLastError();
}

// The part beyond the old end goes first: the room is taken before the old text is
// touched, and a full disk gives the file back as it was.
DWORD Overwrite(HANDLE h, const std::string& bytes) {
  DWORD high = 0;
  SetLastError(ERROR_SUCCESS);
  const DWORD low = GetFileSize(h, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return GetLastError();
  const uint64_t old = (uint64_t(high) << 32) | low, size = bytes.size();
  if (size > old) {
    if (DWORD err = WriteAt(h, bytes.data() + old, size - old, old)) {
      if (MoveTo(h, old)) SetEndOfFile(h);
      return err;
    }
  }
  if (DWORD err = WriteAt(h, bytes.data(), std::min(old, size), 0)) return err;
  return MoveTo(h, size) && SetEndOfFile(h) && FlushFileBuffers(h) ? 0 : GetLastError();
}

DWORD WriteInPlace(const std::string& fileName, const std::string& bytes) {
  HANDLE h = CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  const DWORD err = Overwrite(h, bytes);
  CloseHandle(h);
  return err;
}

DWORD WriteTemporary(HANDLE h, const std::string& bytes) {
  DWORD err = WriteBytes(h, bytes.data(), bytes.size());
  if (!err && !FlushFileBuffers(h)) err = GetLastError();
  CloseHandle(h);
  return err;
}

DWORD Publish(const std::string& temp, const std::string& fileName, bool exists) {
  if (!exists)
    return MoveFileExA(temp.c_str(), fileName.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : GetLastError();
  if (ReplaceFileA(fileName.c_str(), temp.c_str(), nullptr, 0, nullptr, nullptr)) return 0;
  const DWORD err = GetLastError();
  if (err != kReplacedGone) return err;
  return MoveFileExA(temp.c_str(), fileName.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : GetLastError();
}

DWORD Replace(const std::string& fileName, const std::string& bytes, bool exists) {
  std::string temp;
  HANDLE h = CreateTemporary(fileName, temp);
  DWORD err = h == INVALID_HANDLE_VALUE ? GetLastError() : WriteTemporary(h, bytes);
  const bool made = h != INVALID_HANDLE_VALUE;
  if (!err) err = Publish(temp, fileName, exists);
  if (made && err) DeleteFileA(temp.c_str());
  const bool inPlace =
      exists && ((!made && err == ERROR_ACCESS_DENIED) || err == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
                 err == ERROR_NOT_SAME_DEVICE);
  return inPlace ? WriteInPlace(fileName, bytes) : err;
}

}  // namespace

void ReplaceFileContents(const std::string& fileName, const std::string& bytes) {
  RemoveLeftovers(fileName);
  const bool exists = FileExists(fileName);
  if (const DWORD err = Replace(fileName, bytes, exists)) Fail(fileName, err);
}
