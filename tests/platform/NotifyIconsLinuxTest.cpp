// Notification-area icons: add, modify, delete and the callback on a click.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/posix/Display.h"
#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

using testsupport::drainMessages;
using testsupport::MessageRecorder;

namespace {

NOTIFYICONDATAA record(HWND h, UINT id, const char* tip) {
  NOTIFYICONDATAA d{};
  d.cbSize = NOTIFYICONDATAA_V1_SIZE;
  d.hWnd = h;
  d.uID = id;
  d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  d.uCallbackMessage = WM_USER + 77;
  d.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  std::strncpy(d.szTip, tip, sizeof d.szTip - 1);
  return d;
}

TEST(NotifyIcons, AddModifyDeleteFollowTheShellRules) {
  MessageRecorder rec;
  HWND h = rec.create("tray");
  NOTIFYICONDATAA d = record(h, 1, "Orvane Pollarion (click to show)");
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &d));
  ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
  EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &d));
  ASSERT_EQ(posix::notifyIcons().size(), 1u);
  EXPECT_EQ(posix::notifyIcons()[0].tip, "Orvane Pollarion (click to show)");
  std::memset(d.szTip, 'x', sizeof d.szTip);  // unterminated: cut at 63
  d.uFlags = NIF_TIP;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
  EXPECT_EQ(posix::notifyIcons()[0].tip, std::string(63, 'x'));
  EXPECT_EQ(posix::notifyIcons()[0].callbackMessage, static_cast<UINT>(WM_USER + 77));
  // A balloon needs the record's second form; each one counts once.
  std::strcpy(d.szInfo, "Server down: localhost");
  std::strcpy(d.szInfoTitle, "Orvane Pollarion");
  d.uFlags = NIF_INFO;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
  EXPECT_EQ(posix::notifyIcons()[0].balloonSerial, 0u);
  d.cbSize = NOTIFYICONDATAA_V2_SIZE;
  d.dwInfoFlags = NIIF_ERROR | NIIF_NOSOUND;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
  EXPECT_EQ(posix::notifyIcons()[0].balloonSerial, 1u);
  EXPECT_EQ(posix::notifyIcons()[0].balloonText, "Server down: localhost");
  EXPECT_EQ(posix::notifyIcons()[0].balloonTitle, "Orvane Pollarion");
  EXPECT_EQ(posix::notifyIcons()[0].balloonFlags, DWORD(NIIF_ERROR | NIIF_NOSOUND));
  EXPECT_EQ(posix::notifyIcons()[0].tip, std::string(63, 'x'));
  EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &d));
  EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &d));
  EXPECT_TRUE(posix::notifyIcons().empty());
}

TEST(NotifyIcons, MouseOverAnIconPostsTheCallbackMessage) {
  MessageRecorder rec;
  HWND h = rec.create("tray");
  NOTIFYICONDATAA d = record(h, 4, "tip");
  ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
  rec.clear();
  posix::notifyIconMouse(posix::notifyIcons()[0], WM_LBUTTONUP);
  drainMessages();
  ASSERT_EQ(rec.log.size(), 1u);
  EXPECT_EQ(rec.log[0].msg, static_cast<UINT>(WM_USER + 77));
  EXPECT_EQ(rec.log[0].wp, 4u);
  EXPECT_EQ(rec.log[0].lp, WM_LBUTTONUP);
  Shell_NotifyIconA(NIM_DELETE, &d);
}

}  // namespace
