// Shell_NotifyIconA: the icons of the notification area, kept in the order they
// were added; the display draws them and reports mouse events through
// notifyIconMouse, which posts the callback message as the shell does.
#include <algorithm>
#include <cstring>

#include "platform/posix/Display.h"
#include "platform/posix/Internal.h"

namespace posix {
namespace {

std::vector<NotifyIcon>& icons() {
  static std::vector<NotifyIcon> v;
  return v;
}

std::vector<NotifyIcon>::iterator find(HWND hwnd, UINT uid) {
  return std::find_if(icons().begin(), icons().end(),
                      [&](const NotifyIcon& i) { return i.hwnd == hwnd && i.uid == uid; });
}

std::string fieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size - 1));
}

// The record's size says which fields exist: the first form has a 64-byte tip and no
// balloon.
void apply(NotifyIcon& icon, const NOTIFYICONDATAA& d) {
  const bool full = d.cbSize >= NOTIFYICONDATAA_V2_SIZE;
  if (d.uFlags & NIF_MESSAGE) icon.callbackMessage = d.uCallbackMessage;
  if (d.uFlags & NIF_ICON) icon.icon = d.hIcon;
  if (d.uFlags & NIF_TIP) icon.tip = fieldText(d.szTip, full ? sizeof d.szTip : 64);
  if ((d.uFlags & NIF_INFO) && full) {
    icon.balloonTitle = fieldText(d.szInfoTitle, sizeof d.szInfoTitle);
    icon.balloonText = fieldText(d.szInfo, sizeof d.szInfo);
    icon.balloonFlags = d.dwInfoFlags;
    if (!icon.balloonText.empty()) ++icon.balloonSerial;  // an empty text takes it away
  }
}

}  // namespace

const std::vector<NotifyIcon>& notifyIcons() { return icons(); }

void notifyIconMouse(const NotifyIcon& icon, UINT mouseMsg) {
  if (icon.callbackMessage == 0) return;
  PostMessageA(icon.hwnd, icon.callbackMessage, icon.uid, static_cast<LPARAM>(mouseMsg));
}

}  // namespace posix

namespace winapi {
using namespace posix;

BOOL Shell_NotifyIconA(DWORD msg, NOTIFYICONDATAA* data) {
  if (!data || data->cbSize < offsetof(NOTIFYICONDATAA, szTip)) return FALSE;
  auto it = find(data->hWnd, data->uID);
  switch (msg) {
    case NIM_ADD: {
      if (it != icons().end() || !findWindow(data->hWnd)) return FALSE;
      NotifyIcon icon;
      icon.hwnd = data->hWnd;
      icon.uid = data->uID;
      apply(icon, *data);
      icons().push_back(std::move(icon));
      break;
    }
    case NIM_MODIFY:
      if (it == icons().end()) return FALSE;
      apply(*it, *data);
      break;
    case NIM_DELETE:
      if (it == icons().end()) return FALSE;
      icons().erase(it);
      break;
    default:
      return FALSE;
  }
  display().iconsChanged();
  return TRUE;
}

}  // namespace winapi
