// The placement keys of one INI section: reading them into the form's window and
// writing the window's placement record out.
#include <algorithm>
#include <vector>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "placement/Placement.h"

namespace {

const char kFlags[] = "Flags";
const char kShowCmd[] = "ShowCmd";
const char kPixels[] = "PixelsPerInch";
const char kMinMaxPos[] = "MinMaxPos";
const char kNormPos[] = "NormPos";

// The words of a position text, split at blanks and commas.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text + ",") {
    if (c == ' ' || c == ',') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

// Word n (0-based here) as an integer, or def when it is missing or not a number. A
// coordinate is kept within what any screen can have, so that a hand-edited file can
// not make the width or height (a difference of two) overflow.
int WordInt(const std::vector<std::string>& words, size_t n, int def) {
  constexpr int kFar = 1 << 20;
  int v;
  if (n < words.size() && TryStrToInt(words[n], v)) return std::clamp(v, -kFar, kFar);
  return def;
}

// The resolution-specific value if there is one, else the plain key's.
std::string ReadPosText(TIniFile& store, const std::string& section, const std::string& key) {
  std::string text = store.ReadString(section, key + ScreenSuffix(), "");
  if (text.empty()) text = store.ReadString(section, key, "");
  return text;
}

std::string PosText(int a, int b, int c, int d) { return Format("%d,%d,%d,%d", {a, b, c, d}); }

bool IsMainForm(TCustomForm* form) {
  return !Application->MainForm() || Application->MainForm() == form;
}

bool Sizeable(TFormBorderStyle b) { return b == bsSizeable || b == bsSizeToolWin; }

void ReadPosition(TCustomForm* form, TIniFile& store, const std::string& section,
                  WINDOWPLACEMENT& wp) {
  wp.flags = UINT(store.ReadInteger(section, kFlags, int(wp.flags)));
  std::string minMax = ReadPosText(store, section, kMinMaxPos);
  if (!minMax.empty()) {
    auto w = Words(minMax);
    wp.ptMinPosition = POINT{WordInt(w, 0, 0), WordInt(w, 1, 0)};
    wp.ptMaxPosition = POINT{WordInt(w, 2, 0), WordInt(w, 3, 0)};
  }
  std::string norm = ReadPosText(store, section, kNormPos);
  RECT& r = wp.rcNormalPosition;
  if (!norm.empty()) {
    auto w = Words(norm);
    r.left = WordInt(w, 0, form->Left());
    r.top = WordInt(w, 1, form->Top());
    r.right = WordInt(w, 2, form->Left() + form->Width());
    r.bottom = WordInt(w, 3, form->Top() + form->Height());
  }
  int ppi = store.ReadInteger(section, kPixels, ScreenPixelsPerInch());
  // A placement saved at another screen density would come out at the wrong size.
  if ((minMax.empty() && norm.empty()) || ppi != ScreenPixelsPerInch()) return;
  if (!Sizeable(form->BorderStyle())) {
    r.right = r.left + form->Width();
    r.bottom = r.top + form->Height();
  }
  if (r.left >= r.right) return;
  if (form->Position() == poScreenCenter || form->Position() == poDesktopCenter)
    form->SetPosition(poDesigned);
  SetWindowPlacement(form->Handle(), &wp);
}

// The main form comes back restored, not minimised: its placement is read each time it
// is shown, and a minimised main form hides into the notification icon, so a stored
// minimise would send every click on the icon straight back there.
void ReadState(TCustomForm* form, TIniFile& store, const std::string& section) {
  TWindowState state = wsNormal;
  if (IsMainForm(form) && (form->FormStyle() == fsMDIForm ||
                           (form->FormStyle() == fsNormal && form->Position() == poDefault)))
    state = wsMaximized;
  switch (store.ReadInteger(section, kShowCmd, 0)) {
    case SW_SHOWNORMAL:
    case SW_SHOW:
    case SW_RESTORE:
      state = wsNormal;
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      state = wsMinimized;
      break;
    case SW_SHOWMAXIMIZED:
      state = wsMaximized;
      break;
    default:
      break;
  }
  if (state == wsMinimized && IsMainForm(form)) state = wsNormal;
  // MDI forms only record their state; this framework has none.
  if (form->FormStyle() != fsMDIChild && form->FormStyle() != fsMDIForm)
    form->SetWindowState(state);
}

}  // namespace

std::string ScreenSuffix() {
  return Format("(%dx%d)", {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

int ScreenPixelsPerInch() { return 96; }  // the display is taken as 96 pixels per inch

std::string DefaultStoreName() { return ChangeFileExt(ExtractFileName(ParamStr0()), ".INI"); }

void ReadPlacementKeys(TCustomForm* Form, TIniFile& Store, const std::string& Section,
                       bool LoadPosition, bool LoadState) {
  if (!LoadPosition && !LoadState) return;
  HWND h = Form->Handle();
  WINDOWPLACEMENT wp{};
  wp.length = sizeof(wp);
  GetWindowPlacement(h, &wp);
  if (!IsWindowVisible(h)) wp.showCmd = SW_HIDE;  // applying it must not show the window
  if (LoadPosition) ReadPosition(Form, Store, Section, wp);
  if (LoadState) ReadState(Form, Store, Section);
  InvalidateRect(h, nullptr, TRUE);
}

void WritePlacementKeys(TCustomForm* Form, TIniFile& Store, const std::string& Section) {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof(wp);
  GetWindowPlacement(Form->Handle(), &wp);
  if (Form->FormStyle() == fsMDIChild && IsIconic(Form->Handle())) wp.flags |= WPF_SETMINPOSITION;
  if (Form == Application->MainForm() && Application->IsMinimized()) wp.showCmd = SW_SHOWMINIMIZED;
  Store.WriteInteger(Section, kFlags, int(wp.flags));
  Store.WriteInteger(Section, kShowCmd, int(wp.showCmd));
  Store.WriteInteger(Section, kPixels, ScreenPixelsPerInch());
  std::string minMax =
      PosText(wp.ptMinPosition.x, wp.ptMinPosition.y, wp.ptMaxPosition.x, wp.ptMaxPosition.y);
  const RECT& r = wp.rcNormalPosition;
  std::string norm = PosText(r.left, r.top, r.right, r.bottom);
  Store.WriteString(Section, kMinMaxPos + ScreenSuffix(), minMax);
  Store.WriteString(Section, kMinMaxPos, minMax);
  Store.WriteString(Section, kNormPos + ScreenSuffix(), norm);
  Store.WriteString(Section, kNormPos, norm);
}
