// Saving a whole file so that it stays the user's file. The new text goes to a
// fresh temporary beside the file (a random name, made exclusively, so never an
// existing file and never through a link), which then replaces the file keeping its
// permission bits, owner and link (ReplaceFileA). A folder that takes no new files,
// or a replace that cannot keep the owner, gets the file written in place, flushed.
// Temporaries of saves that were killed go with the next save of the same file;
// one that another save still holds open refuses to go.
#include <random>

#include "framework/Classes.h"

namespace {

constexpr char kTempTail[] = ".saving";
constexpr DWORD kChunk = DWORD(1) << 30;
constexpr DWORD kReplacedGone = 1177;  // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2

[[noreturn]] void Fail(const std::string& fileName, DWORD err) {
  throw EFCreateError(Format("Cannot create file %s. %s", {fileName, SysErrorMessage(err)}));
}

// The start of every temporary name of fileName's saves (the name cut, so that the
// temporary's name stays within the system's limit).
std::string TempStem(const std::string& fileName) {
  return ExtractFilePath(fileName) + "." + ExtractFileName(fileName).substr(0, 96) + ".";
}

std::string RandomPart() {
  static std::random_device device;
  static std::mt19937_64 mix(device() ^ (uint64_t(device()) << 32) ^ GetTickCount());
  return IntToHex(int64_t(mix() >> 1), 16);
}

void RemoveLeftovers(const std::string& fileName) {
  const std::string folder = ExtractFilePath(fileName);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((TempStem(fileName) + "*" + kTempTail).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      DeleteFileA((folder + found.cFileName).c_str());
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

HANDLE CreateTemporary(const std::string& fileName, std::string& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = TempStem(fileName) + RandomPart() + kTempTail;
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD err = GetLastError();
    if (h != INVALID_HANDLE_VALUE || (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS))
      return h;
  }
  return INVALID_HANDLE_VALUE;
}

DWORD WriteBytes(HANDLE h, const std::string& bytes) {
  for (size_t at = 0; at < bytes.size();) {
    const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - at, kChunk));
    DWORD put = 0;
    if (!WriteFile(h, bytes.data() + at, chunk, &put, nullptr)) return GetLastError();
    if (put == 0) return ERROR_DISK_FULL;
    at += put;
  }
  return 0;
}

DWORD WriteInPlace(const std::string& fileName, const std::string& bytes) {
  HANDLE h = CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD err = WriteBytes(h, bytes);
  if (!err && !(SetEndOfFile(h) && FlushFileBuffers(h))) err = GetLastError();
  CloseHandle(h);
  return err;
}

DWORD WriteTemporary(HANDLE h, const std::string& bytes) {
  DWORD err = WriteBytes(h, bytes);
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

}  // namespace

void ReplaceFileContents(const std::string& fileName, const std::string& bytes) {
  RemoveLeftovers(fileName);
  const bool exists = FileExists(fileName);
  std::string temp;
  HANDLE h = CreateTemporary(fileName, temp);
  DWORD err = h == INVALID_HANDLE_VALUE ? GetLastError() : WriteTemporary(h, bytes);
  const bool made = h != INVALID_HANDLE_VALUE;
  if (!err) err = Publish(temp, fileName, exists);
  if (made && err) DeleteFileA(temp.c_str());
  const bool inPlace =
      exists && ((!made && err == ERROR_ACCESS_DENIED) || err == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
                 err == ERROR_NOT_SAME_DEVICE);
  if (inPlace) err = WriteInPlace(fileName, bytes);
  if (err) Fail(fileName, err);
}
