// The integer spin edit: an EDIT window with an up-down control beside it in
// the same parent; the value lives in the text.
#include "framework/Spin.h"

#include <climits>

namespace {

constexpr int kUpDownWidth = 15;

// Decimal with an optional sign; false for anything else. A number of too many digits
// is still a number: it saturates, so that the limits make it the maximum (or the
// minimum), never the opposite end.
bool ParseDecimal(const std::string& s, int& out) {
  size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  if (i >= s.size()) return false;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    if (v <= 2147483648LL) v = v * 10 + (s[i] - '0');
  }
  if (neg) v = -v;
  out = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
  return true;
}

}  // namespace

TSpinEdit::TSpinEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
  FText = "0";
  FWidth = 121;
  FHeight = 22;
}

TSpinEdit::~TSpinEdit() { TSpinEdit::DestroyHandle(); }

int TSpinEdit::CheckValue(int v) const {
  if (MaxValue == MinValue) return v;
  if (v < MinValue) return MinValue;
  if (v > MaxValue) return MaxValue;
  return v;
}

int TSpinEdit::Value() const {
  int v;
  return ParseDecimal(Text(), v) ? v : MinValue;
}

void TSpinEdit::SetValue(int v) { SetText(std::to_string(CheckValue(v))); }

void TSpinEdit::Step(int delta) {
  if (ReadOnly()) {
    MessageBeep(0);
    return;
  }
  long long next = (long long)Value() + (long long)delta * Increment;
  if (next > INT_MAX) next = INT_MAX;
  if (next < INT_MIN) next = INT_MIN;
  SetValue(int(next));
}

void TSpinEdit::CreateParams(TCreateParams& p) {
  TCustomEdit::CreateParams(p);
  p.Width = FWidth > kUpDownWidth ? FWidth - kUpDownWidth : 0;
}

void TSpinEdit::CreateHandleDone() {
  TCustomEdit::CreateHandleDone();
  DWORD style = WS_CHILD | (FVisible ? WS_VISIBLE : 0);
  FUpDown = CreateWindowExA(0, UPDOWN_CLASSA, "", style, 0, 0, 0, 0, GetParent(FHandle), nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (!FUpDown) return;
  // Any rising range: the control then reports +1 for "up"; it never moves
  // itself because the notification is answered as handled.
  SendMessageA(FUpDown, UDM_SETRANGE32, 0, 100);
  RegisterHelperWindow(FUpDown);
  PlaceUpDown();
  FitWidestValue();
}

// Where the font draws digits wider than the box was designed for, the box grows
// (the arrows move with it) until the widest value of its limits shows whole.
void TSpinEdit::FitWidestValue() {
  if (MinValue == MaxValue) return;
  const std::string low = std::to_string(MinValue), high = std::to_string(MaxValue);
  SIZE size{};
  if (!MeasureText(low.size() > high.size() ? low : high, size)) return;
  RECT text{};
  SendMessageA(FHandle, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  const int room = text.right - text.left;
  const int need = size.cx + 1;  // and the caret after the last digit
  if (room > 0 && need > room) SetBounds(Left(), Top(), Width() + need - room, Height());
}

void TSpinEdit::PlaceUpDown() {
  if (!FUpDown) return;
  int w = FWidth > kUpDownWidth ? kUpDownWidth : FWidth;
  MoveWindow(FUpDown, FLeft + FWidth - w, FTop, w, FHeight, TRUE);
}

void TSpinEdit::BoundsChanged() {
  if (!FHandle) return;
  int w = FWidth > kUpDownWidth ? FWidth - kUpDownWidth : 0;
  MoveWindow(FHandle, FLeft, FTop, w, FHeight, TRUE);
  PlaceUpDown();
}

void TSpinEdit::VisibleChanged() {
  TCustomEdit::VisibleChanged();
  if (FUpDown) ShowWindow(FUpDown, FVisible ? SW_SHOW : SW_HIDE);
}

void TSpinEdit::DestroyHandle() {
  if (FUpDown) {
    UnregisterHelperWindow(FUpDown);
    if (IsWindow(FUpDown)) DestroyWindow(FUpDown);
    FUpDown = nullptr;
  }
  TCustomEdit::DestroyHandle();
}

void TSpinEdit::UpDownNotify(TMessage& msg) {
  auto* nm = reinterpret_cast<NMUPDOWN*>(msg.LParam);
  if (nm && nm->hdr.code == UDN_DELTAPOS) {
    Step(nm->iDelta);
    msg.Result = 1;  // handled: the up-down keeps its own position
    return;
  }
  msg.Result = 0;
}

void TSpinEdit::CNCommand(TMessage& msg) {
  if (HIWORD(msg.WParam) == EN_KILLFOCUS) {
    // A number outside the limits is replaced by the nearer one.
    int v = Value();
    if (CheckValue(v) != v) SetValue(v);
  }
  TCustomEdit::CNCommand(msg);
}

void TSpinEdit::WndProc(TMessage& msg) {
  if (msg.Msg == WM_KEYDOWN && (msg.WParam == VK_UP || msg.WParam == VK_DOWN)) {
    Step(msg.WParam == VK_UP ? 1 : -1);
    msg.Result = 0;
    return;
  }
  TCustomEdit::WndProc(msg);
}
