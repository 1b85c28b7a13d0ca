// Streams: the abstract TStream, the in-memory TMemoryStream and TFileStream on
// the platform's file service.
#include <algorithm>
#include <cstring>

#include "framework/Classes.h"

// ---- TStream ----

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t end = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return end;
}

void TStream::WriteBuffer(const void* buf, int64_t count) {
  if (count != 0 && Write(buf, count) != count) throw EWriteError("Stream write error");
}

// ---- TMemoryStream ----

int64_t TMemoryStream::Read(void* buf, int64_t count) {
  if (count <= 0 || FPos >= Size()) return 0;
  int64_t n = std::min<int64_t>(count, Size() - FPos);
  std::memcpy(buf, FData.data() + FPos, size_t(n));
  FPos += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buf, int64_t count) {
  if (count <= 0) return 0;
  if (FPos + count > Size()) FData.resize(size_t(FPos + count));
  std::memcpy(FData.data() + FPos, buf, size_t(count));
  FPos += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : (origin == soCurrent ? FPos : Size());
  FPos = std::max<int64_t>(0, base + offset);
  return FPos;
}

void TMemoryStream::Clear() {
  FData.clear();
  FPos = 0;
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& fileName, unsigned mode)
    : FFileName(ExpandFileName(fileName)) {
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if (mode == fmCreate) {
    FHandle = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (FHandle == INVALID_HANDLE_VALUE) throw EFCreateError("Cannot create file " + FFileName);
    return;
  }
  if (mode & fmShareDenyWrite) share = FILE_SHARE_READ;
  DWORD access = (mode & 3) == fmOpenWrite       ? GENERIC_WRITE
                 : (mode & 3) == fmOpenReadWrite ? GENERIC_READ | GENERIC_WRITE
                                                 : GENERIC_READ;
  FHandle = CreateFileA(fileName.c_str(), access, share, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (FHandle == INVALID_HANDLE_VALUE) throw EFOpenError("Cannot open file " + FFileName);
}

TFileStream::~TFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
}

int64_t TFileStream::Read(void* buf, int64_t count) {
  int64_t total = 0;
  char* p = static_cast<char*>(buf);
  while (count > 0) {
    DWORD chunk = DWORD(std::min<int64_t>(count, 1 << 30)), got = 0;
    if (!ReadFile(FHandle, p + total, chunk, &got, nullptr) || got == 0) break;
    total += got;
    count -= got;
  }
  return total;
}

int64_t TFileStream::Write(const void* buf, int64_t count) {
  int64_t total = 0;
  const char* p = static_cast<const char*>(buf);
  while (count > 0) {
    DWORD chunk = DWORD(std::min<int64_t>(count, 1 << 30)), put = 0;
    if (!WriteFile(FHandle, p + total, chunk, &put, nullptr) || put == 0) break;
    total += put;
    count -= put;
  }
  return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  LONG high = LONG(offset >> 32);
  DWORD method = origin == soBeginning ? FILE_BEGIN : origin == soCurrent ? FILE_CURRENT : FILE_END;
  SetLastError(0);
  DWORD low = SetFilePointer(FHandle, LONG(uint32_t(offset)), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != 0) return -1;
  return (int64_t(high) << 32) | low;
}
