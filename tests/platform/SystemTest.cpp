// Files, icon handles and the multimedia timer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/winapi.h"
#include "tests/support/TempDir.h"

using testsupport::readFile;
using testsupport::TempDir;

namespace {

TEST(Files, WriteReadSeekAndTruncate) {
  TempDir dir;
  std::string path = dir.file("f.txt");
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "hello\r\n", 7, &n, nullptr));
  EXPECT_EQ(n, 7u);
  EXPECT_EQ(GetFileSize(h, nullptr), 7u);
  EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
  ASSERT_TRUE(SetEndOfFile(h));
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  char buf[8] = {};
  ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "he");
  EXPECT_TRUE(FlushFileBuffers(h));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Files, ErrorsUseWindowsNumbers) {
  TempDir dir;
  EXPECT_EQ(
      CreateFileA(dir.file("missing").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA(dir.file("missing").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(dir.path().c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(DeleteFileA(dir.file("missing").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Files, MoveNeedsReplaceExistingToOverwrite) {
  TempDir dir;
  testsupport::writeFile(dir.file("a"), "A");
  testsupport::writeFile(dir.file("b"), "B");
  EXPECT_FALSE(MoveFileExA(dir.file("a").c_str(), dir.file("b").c_str(), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(MoveFileExA(dir.file("a").c_str(), dir.file("b").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(readFile(dir.file("b")), "A");
  EXPECT_TRUE(DeleteFileA(dir.file("b").c_str()));
}

TEST(Icons, HandlesAreCheckedOnRelease) {
  ICONINFO ii{};
  ii.fIcon = TRUE;
  ii.hbmColor = CreateBitmap(16, 16, 1, 32, nullptr);
  ii.hbmMask = CreateBitmap(16, 16, 1, 1, nullptr);
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
  EXPECT_TRUE(DeleteObject(ii.hbmColor));
  EXPECT_TRUE(DeleteObject(ii.hbmMask));
  EXPECT_FALSE(DeleteObject(ii.hbmMask));
  EXPECT_EQ(LOBYTE(LOWORD(GetVersion())), 6);
}

std::atomic<int> gMmTicks{0};
std::mutex gMmMutex;
std::condition_variable gMmCv;
void CALLBACK mmTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  ++gMmTicks;
  std::lock_guard<std::mutex> lock(gMmMutex);
  gMmCv.notify_all();
}

TEST(MmTimer, PeriodicTicksStopWhenKilled) {
  TIMECAPS caps{};
  ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), static_cast<UINT>(TIMERR_NOERROR));
  EXPECT_EQ(caps.wPeriodMin, 1u);
  EXPECT_EQ(timeBeginPeriod(1), static_cast<UINT>(TIMERR_NOERROR));
  gMmTicks = 0;
  UINT id = timeSetEvent(1, 1, mmTick, 0, TIME_PERIODIC | TIME_CALLBACK_FUNCTION);
  ASSERT_NE(id, 0u);
  {
    std::unique_lock<std::mutex> lock(gMmMutex);
    ASSERT_TRUE(gMmCv.wait_for(lock, std::chrono::seconds(30), [] { return gMmTicks >= 3; }));
  }
  EXPECT_EQ(timeKillEvent(id), static_cast<UINT>(TIMERR_NOERROR));
  int after = gMmTicks;
  // No callback may run once timeKillEvent has returned.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(gMmTicks, after);
  EXPECT_EQ(timeKillEvent(id), static_cast<UINT>(TIMERR_NOCANDO));
  timeEndPeriod(1);
}

}  // namespace
