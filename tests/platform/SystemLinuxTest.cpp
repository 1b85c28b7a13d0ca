// The module path and the clock through the Linux platform's seams, and the locale
// pictures of the C locale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/posix/Seams.h"
#include "platform/winapi.h"

namespace {

TEST(Module, FileNameFromTheSeam) {
  posix::setModuleFileName("/opt/tavix/tavix");
  char buf[MAX_PATH];
  EXPECT_EQ(GetModuleFileNameA(nullptr, buf, sizeof buf), 16u);
  EXPECT_STREQ(buf, "/opt/tavix/tavix");
  posix::setModuleFileName("");
  EXPECT_GT(GetModuleFileNameA(nullptr, buf, sizeof buf), 0u);
  EXPECT_EQ(buf[0], '/');
}

TEST(Clock, LocalTimeComesFromTheClockWithMilliseconds) {
  // 2024-02-29 13:14:15.678 local.
  posix::ManualClock clock(((19782LL * 24 + 13) * 60 + 14) * 60000 + 15678);
  posix::setClock(&clock);
  SYSTEMTIME st;
  GetLocalTime(&st);
  EXPECT_EQ(st.wYear, 2024);
  EXPECT_EQ(st.wMonth, 2);
  EXPECT_EQ(st.wDay, 29);
  EXPECT_EQ(st.wDayOfWeek, 4);  // Thursday
  EXPECT_EQ(st.wHour, 13);
  EXPECT_EQ(st.wMinute, 14);
  EXPECT_EQ(st.wSecond, 15);
  EXPECT_EQ(st.wMilliseconds, 678);
  DWORD t0 = GetTickCount();
  clock.advance(250);
  EXPECT_EQ(GetTickCount() - t0, 250u);
  posix::setClock(nullptr);
}

TEST(Locale, PicturesFromTheCLocale) {
  const char* saved = std::getenv("LC_ALL");
  std::string keep = saved ? saved : "";
  setenv("LC_ALL", "C", 1);
  char buf[64];
  ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "MM/dd/yy");
  ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "HH:mm:ss");
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf), 2);
  EXPECT_STREQ(buf, ".");
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, nullptr, 0), 9);
  EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buf, 3), 0);
  if (saved)
    setenv("LC_ALL", keep.c_str(), 1);
  else
    unsetenv("LC_ALL");
}

}  // namespace
