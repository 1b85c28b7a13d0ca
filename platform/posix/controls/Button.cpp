// "BUTTON": push buttons and check boxes. A click (mouse down and up inside, Space,
// Enter on a push button, BM_CLICK) toggles an auto check box and then sends
// BN_CLICKED to the parent.
#include "platform/posix/Internal.h"
#include "platform/posix/controls/Controls.h"

namespace posix {
namespace {

struct ButtonData : ControlData {
  int check = BST_UNCHECKED;
  bool pressed = false;
};

ButtonData* data(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w) return nullptr;
  if (!w->control) w->control = std::make_unique<ButtonData>();
  return dynamic_cast<ButtonData*>(w->control.get());
}

DWORD type(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & 0xF; }
bool isCheckBox(HWND hwnd) { return type(hwnd) == BS_CHECKBOX || type(hwnd) == BS_AUTOCHECKBOX; }

void click(HWND hwnd) {
  ButtonData* d = data(hwnd);
  if (!d || !IsWindowEnabled(hwnd)) return;
  if (type(hwnd) == BS_AUTOCHECKBOX) {
    d->check = d->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    notifyChanged(hwnd);
  }
  notifyParent(hwnd, BN_CLICKED);
}

bool inside(HWND hwnd, LPARAM lp) {
  RECT r;
  GetClientRect(hwnd, &r);
  int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
  return x >= 0 && y >= 0 && x < r.right && y < r.bottom;
}

}  // namespace

LRESULT CALLBACK buttonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  ButtonData* d = data(hwnd);
  if (!d) return 0;
  switch (msg) {
    case WM_LBUTTONDOWN:
      d->pressed = true;
      SetFocus(hwnd);
      SetCapture(hwnd);
      return 0;
    case WM_LBUTTONUP: {
      bool wasPressed = d->pressed;
      d->pressed = false;
      ReleaseCapture();
      if (wasPressed && inside(hwnd, lp)) click(hwnd);
      return 0;
    }
    case WM_KEYDOWN:
      if (wp == VK_SPACE || (wp == VK_RETURN && !isCheckBox(hwnd))) click(hwnd);
      return 0;
    case BM_CLICK:
      click(hwnd);
      return 0;
    case BM_GETCHECK:
      return isCheckBox(hwnd) ? d->check : BST_UNCHECKED;
    case BM_SETCHECK:
      if (isCheckBox(hwnd)) {
        d->check = wp == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
        notifyChanged(hwnd);
      }
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      notifyChanged(hwnd);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace posix
