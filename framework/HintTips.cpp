// Hover hints on the system's tooltip control.
#include "framework/HintTips.h"

THintTips::THintTips(HWND owner) : FOwner(owner) {
  FTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                         WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

THintTips::~THintTips() {
  if (FTip && IsWindow(FTip)) DestroyWindow(FTip);
}

namespace {

TOOLINFOA ToolFor(HWND owner, HWND control) {
  TOOLINFOA ti{};
  // The size the older common controls know too (without the newest field).
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.uFlags = TTF_IDISHWND;
  ti.hwnd = owner;
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = LPSTR_TEXTCALLBACKA;
  return ti;
}

}  // namespace

void THintTips::Add(HWND control) {
  if (!FTip) return;
  TOOLINFOA ti = ToolFor(FOwner, control);
  SendMessageA(FTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void THintTips::Remove(HWND control) {
  if (!FTip) return;
  TOOLINFOA ti = ToolFor(FOwner, control);
  SendMessageA(FTip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void THintTips::Relay(HWND control, UINT msg, WPARAM wp, LPARAM lp) {
  if (!FTip) return;
  MSG m{};
  m.hwnd = control;
  m.message = msg;
  m.wParam = wp;
  m.lParam = lp;
  SendMessageA(FTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

bool THintTips::Notify(LPARAM lp) {
  auto* info = reinterpret_cast<NMTTDISPINFOA*>(lp);
  if (!FTip || !info || info->hdr.hwndFrom != FTip || info->hdr.code != TTN_GETDISPINFOA)
    return false;
  HWND control = reinterpret_cast<HWND>(info->hdr.idFrom);
  const LRESULT n = SendMessageA(control, WM_GETHINT, 0, 0);
  FText.assign(size_t(n > 0 ? n : 0) + 1, '\0');
  const LRESULT got = n > 0 ? SendMessageA(control, WM_GETHINT, WPARAM(FText.size()),
                                           reinterpret_cast<LPARAM>(FText.data()))
                            : 0;
  FText.resize(size_t(got > 0 ? got : 0));
  info->lpszText = FText.data();  // empty: no tip
  return true;
}
