// The terminal display without a terminal: windows laid out and drawn into a canvas
// (rows of windows and the picture they make), and terminal input routed to them
// (rows of input bytes and the messages they post).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/display/terminal/Desktop.h"
#include "platform/display/terminal/Router.h"
#include "platform/posix/Input.h"
#include "platform/posix/Seams.h"

namespace {

constexpr UINT kIconMessage = WM_USER + 7;

// A desk of cols x rows cells with one notification icon, on a clock that stands still.
class TerminalDesk : public ::testing::Test {
 protected:
  void SetUp() override {
    posix::setClock(&clock_);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "DeskForm";
    RegisterClassA(&wc);
    icon_ = CreateWindowExA(0, "DeskForm", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                            nullptr);
    names_[icon_] = "icon";
    notifyIcon(NIM_ADD);
  }
  void TearDown() override {
    notifyIcon(NIM_DELETE);
    closeForm();
    DestroyWindow(icon_);
    queued();
    posix::setNullScreenSize(1024, 768);
    posix::setClock(nullptr);
  }
  void notifyIcon(DWORD op) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = icon_;
    nid.uFlags = NIF_MESSAGE | NIF_TIP;
    nid.uCallbackMessage = kIconMessage;
    std::strcpy(nid.szTip, "Demo (click to show)");
    Shell_NotifyIconA(op, &nid);
  }
  // The screen the windows see: a maximised one gets all but the bottom two lines.
  void desk(int cols, int rows) {
    posix::setNullScreenSize(cols * term::kCellW, (rows - 2) * term::kCellH);
    canvas_.resize(rows, cols);
  }
  // Makes the windows "kind x y w h text[|hint]; ...": the first a top-level one (form,
  // maximised, hidden), made active, the others its children.
  void makeForm(const std::string& layout) {
    static const std::map<std::string, std::pair<const char*, DWORD>> kKinds = {
        {"form", {"DeskForm", WS_OVERLAPPEDWINDOW | WS_VISIBLE}},
        {"maximised", {"DeskForm", WS_OVERLAPPEDWINDOW | WS_VISIBLE}},
        {"hidden", {"DeskForm", WS_OVERLAPPEDWINDOW}},
        {"static", {"STATIC", 0}},
        {"edit", {"EDIT", 0}},
        {"log", {"EDIT", ES_MULTILINE | WS_VSCROLL}},
        {"spin", {UPDOWN_CLASSA, UDS_ARROWKEYS | UDS_SETBUDDYINT}},
        {"button", {"BUTTON", 0}},
        {"check", {"BUTTON", BS_AUTOCHECKBOX}}};
    for (size_t at = 0, end; at < layout.size(); at = end + 2) {
      end = std::min(layout.find("; ", at), layout.size());
      char kind[16] = "";
      int x = 0, y = 0, w = 0, h = 0, used = 0;
      std::sscanf(layout.c_str() + at, "%15s %d %d %d %d %n", kind, &x, &y, &w, &h, &used);
      std::string text = layout.substr(at + used, end - at - used);
      size_t bar = std::min(text.find('|'), text.size());
      auto [cls, style] = kKinds.at(kind);
      HWND parent = form_.empty() ? nullptr : form_[0];
      form_.push_back(CreateWindowExA(0, cls, text.substr(0, bar).c_str(),
                                      style | (parent ? WS_CHILD | WS_VISIBLE : 0), x, y, w, h,
                                      parent, nullptr, nullptr, nullptr));
      if (bar < text.size()) posix::setWindowHint(form_.back(), text.substr(bar + 1));
    }
    SetActiveWindow(form_[0]);
    if (layout.rfind("maximised", 0) == 0) ShowWindow(form_[0], SW_MAXIMIZE);
  }
  void closeForm() {
    if (!form_.empty()) DestroyWindow(form_[0]);
    form_.clear();
  }
  // Draws the desk; returns its rows, without blanks at their ends.
  std::vector<std::string> draw(HWND hover = nullptr) {
    term::drawDesktop(canvas_, hits_, layout_, hover, false);
    std::vector<std::string> rows;
    for (int r = 0; r < canvas_.rows(); ++r) {
      std::string s = canvas_.rowText(r);
      rows.push_back(s.erase(s.find_last_not_of(' ') + 1));
    }
    return rows;
  }
  // The messages waiting in the queue, taken out undelivered.
  std::vector<MSG> queued() {
    std::vector<MSG> out;
    for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) out.push_back(m);
    return out;
  }

  posix::ManualClock clock_{0};
  HWND icon_ = nullptr;
  std::vector<HWND> form_;  // the top-level window, then its children
  std::map<HWND, std::string> names_;
  term::Canvas canvas_;
  term::HitMap hits_;
  term::Layout layout_;
};

// ---- layout: windows in pixels and the cells they are drawn on ----

struct LayoutRow {
  const char* name;
  int cols, rows;
  int focus, hover;     // the window with the focus, the one under the mouse (0: none)
  const char* windows;  // as makeForm() reads them
  const char* picture;  // the desk's rows, the notification area's left out
};

const LayoutRow kLayoutRows[] = {
    {"HiddenWindowLeavesTheIconAndWhatToDo", 40, 3, 0, 0, "hidden 0 0 200 60 Form",
     "\n F2 or a click on the icon: show the win\n"},
    {"NarrowCaptionsGrowAndPushTheirRowRight", 40, 8, 2, 0,
     "form 0 0 256 96 Form; static 8 10 24 13 &Name:; edit 40 8 80 16 world; "
     "spin 120 8 16 16; button 8 40 40 16 &Save; button 56 40 40 16 Log Stats; "
     "check 104 40 40 16 Upper",
     " Form                      [_][^][X]\n"
     "|                                  |\n"
     "| Name: world     ^v               |\n"
     "|                                  |\n"
     "| [ Save ] [ Log Stats ] [ ] Upper |\n"
     "+----------------------------------+\n"
     " Tab: next control   F1: keys\n"},
    {"ParentGrowsAndASpanningChildKeepsSpanning", 40, 9, 0, 0,
     "form 0 0 128 96 Form; button 0 0 56 16 Poll Now; button 64 0 56 16 Start; "
     "log 0 24 128 48 log",
     " Form          [_][^][X]\n"
     "|[ Poll Now ] [ Start ]|\n"
     "|                      |\n"
     "|log                  ^|\n"
     "|                     #|\n"
     "|                     v|\n"
     "+----------------------+\n"
     " Tab: next control   F1: keys\n"},
    {"WiderThanTheScreenIsLaidOutNarrower", 40, 6, 0, 0,
     "form 0 0 400 60 Form; button 8 8 120 16 One; button 136 8 120 16 Two; "
     "button 264 8 120 16 Three",
     " Form                       [_][^][X]\n"
     "|                                   |\n"
     "|  [ One ]     [ Two ]   [ Three ]  |\n"
     "+-----------------------------------+\n"
     " Tab: next control   F1: keys\n"},
    {"TallerThanTheScreenTheLogGivesRows", 40, 9, 0, 0,
     "form 0 0 200 142 Form; button 8 0 40 16 Go; log 8 24 120 88 1\r\n2\r\n3\r\n4",
     " Form            [_][^][X]\n"
     "| [ Go ]                 |\n"
     "|                        |\n"
     "| 2             ^        |\n"
     "| 3             #        |\n"
     "| 4             v        |\n"
     "+------------------------+\n"
     " Tab: next control   F1: keys\n"},
    {"TooSmallSaysTheSizeItNeeds", 80, 6, 0, 0,
     "form 0 0 200 142 Form; button 8 0 40 16 Go; log 8 24 120 88 1\r\n2\r\n3\r\n4",
     "The terminal is too small: the window needs 26 x 9 (now 80 x 6)\n"
     "\n\n\n"
     " Tab: next control   F1: keys\n"},
    {"MaximisedTakesTheDeskWithoutAFrame", 40, 8, 0, 0,
     "maximised 80 32 200 60 Form; button 0 0 40 16 Go",
     " Form                          [_][=][X]\n"
     "[ Go ]\n"
     "\n\n\n\n"
     " Tab: next control   F1: keys\n"},
    {"OffTheScreenIsBroughtOnIt", 40, 8, 0, 0, "form -200 900 120 60 Form; button 0 0 40 16 Go",
     "\n\n"
     " Form  [_][^][X]\n"
     "|[ Go ]        |\n"
     "|              |\n"
     "+--------------+\n"
     " Tab: next control   F1: keys\n"},
    {"FocusShowsOnTheFaceAndTheHoveredHintOnTheStatusLine", 40, 6, 1, 2,
     "form 0 0 200 60 Form; button 8 0 64 16 &Save|Saves the log; "
     "button 80 0 64 16 Hide|Hides the window",
     " Form            [_][^][X]\n"
     "| [>Save<] [ Hide ]      |\n"
     "|                        |\n"
     "+------------------------+\n"
     " Hides the window\n"},
};

TEST_F(TerminalDesk, LayoutRowsAreDrawnSo) {
  for (const LayoutRow& row : kLayoutRows) {
    SCOPED_TRACE(row.name);
    desk(row.cols, row.rows);
    makeForm(row.windows);
    if (row.focus > 0) SetFocus(form_[static_cast<size_t>(row.focus)]);
    std::vector<std::string> rows = draw(row.hover > 0 ? form_[size_t(row.hover)] : nullptr);
    std::string picture;
    for (size_t r = 0; r + 1 < rows.size(); ++r) picture += rows[r] + "\n";
    EXPECT_EQ(picture, row.picture);
    EXPECT_EQ(rows.back(), " [*] Demo (click to show)");
    closeForm();
  }
}

// ---- router: input bytes and the messages they post ----

struct RouterRow {
  const char* name;
  int focus;  // the control with the focus (as in names_)
  std::string input;
  const char* messages;  // as describe() writes them
  bool shown = true;     // false: the terminal is too small to show the window
};

// A form with an edit box, a spin box and its buddy, a button, a check box and a log.
class RouterTable : public TerminalDesk {
 protected:
  void SetUp() override {
    TerminalDesk::SetUp();
    desk(40, 12);
    makeForm(
        "form 0 0 320 150 Form; edit 8 8 96 16 world; edit 112 8 24 16 1; spin 136 8 16 16; "
        "button 8 32 64 16 &Add; check 80 32 80 16 Upper; log 8 56 200 64 line1");
    SendMessageA(form_[3], UDM_SETBUDDY, reinterpret_cast<WPARAM>(form_[2]), 0);
    const char* names[] = {"form", "name", "count", "spin", "add", "upper", "log"};
    for (size_t i = 0; i < form_.size(); ++i) names_[form_[i]] = names[i];
  }
  // "{text}" and "{text,dc,dr}" become "col;row" (1-based) of the cell where the text
  // shows, moved dc columns and dr rows.
  std::string place(std::string in, const std::vector<std::string>& rows) const {
    for (size_t open; (open = in.find('{')) != std::string::npos;) {
      size_t close = in.find('}', open), r = 0, c = std::string::npos;
      std::string what = in.substr(open + 1, close - open - 1);
      int dc = 0, dr = 0;
      std::sscanf(what.c_str() + std::min(what.find(','), what.size()), ",%d,%d", &dc, &dr);
      what.resize(std::min(what.find(','), what.size()));
      while (r < rows.size() && (c = rows[r].find(what)) == std::string::npos) ++r;
      EXPECT_LT(r, rows.size()) << what;
      in.replace(open, close - open + 1,
                 std::to_string(c + dc + 1) + ";" + std::to_string(r + dr + 1));
    }
    return in;
  }
  // "add LBUTTONDOWN 20,8": the window, the message and what it carries.
  std::string describe(const MSG& m) {
#define NAMED(prefix, name) \
  { prefix##name, #name }
    static const std::map<UINT, std::string> kMessages = {
        NAMED(WM_, KEYDOWN),     NAMED(WM_, KEYUP),         NAMED(WM_, CHAR),
        NAMED(WM_, SYSKEYDOWN),  NAMED(WM_, SYSKEYUP),      NAMED(WM_, SYSCHAR),
        NAMED(WM_, SYSCOMMAND),  NAMED(WM_, VSCROLL),       NAMED(WM_, MOUSEWHEEL),
        NAMED(WM_, MOUSEMOVE),   NAMED(WM_, LBUTTONDOWN),   NAMED(WM_, LBUTTONUP),
        NAMED(WM_, RBUTTONDOWN), NAMED(WM_, LBUTTONDBLCLK), NAMED(WM_, RBUTTONUP)};
    static const std::map<WPARAM, std::string> kKeys = {
        NAMED(VK_, RETURN), NAMED(VK_, TAB),  NAMED(VK_, BACK), NAMED(VK_, ESCAPE),
        NAMED(VK_, UP),     NAMED(VK_, DOWN), NAMED(VK_, LEFT), NAMED(VK_, DELETE)};
    static const std::map<WPARAM, std::string> kCodes = {
        NAMED(SC_, CLOSE),  NAMED(SC_, MINIMIZE), NAMED(SC_, MAXIMIZE),
        NAMED(SB_, LINEUP), NAMED(SB_, LINEDOWN), NAMED(SB_, ENDSCROLL)};
#undef NAMED
    const bool icon = m.message == kIconMessage;
    const UINT msg = icon ? static_cast<UINT>(m.lParam) : m.message;
    const unsigned w = static_cast<unsigned>(m.wParam);
    std::string s = names_[m.hwnd] + " " + kMessages.at(msg);
    char arg[16] = "";
    if (msg == WM_SYSCOMMAND || msg == WM_VSCROLL) return s + " " + kCodes.at(m.wParam);
    if (msg == WM_CHAR || msg == WM_SYSCHAR)
      std::snprintf(arg, sizeof arg, w > ' ' && w < 0x7f ? " %c" : " \\x%02x", w);
    else if (msg == WM_MOUSEWHEEL)
      std::snprintf(arg, sizeof arg, " %d", static_cast<short>(HIWORD(m.wParam)));
    else if (msg >= WM_MOUSEMOVE && !icon)  // the mouse, in client pixels
      std::snprintf(arg, sizeof arg, " %d,%d", static_cast<short>(LOWORD(m.lParam)),
                    static_cast<short>(HIWORD(m.lParam)));
    else if (msg < WM_MOUSEMOVE)  // a key
      return s + " " + (kKeys.count(m.wParam) ? kKeys.at(m.wParam) : std::string(1, char(w)));
    return s + arg;
  }
};

enum { kName = 1, kCount };
// A left click (press and release) on the cell "{at}" stands for.
std::string click(const std::string& at) { return "\x1b[<0;{" + at + "}M\x1b[<0;{" + at + "}m"; }

const RouterRow kRouterRows[] = {
    {"TypedCharacter", kName, "a", "name KEYDOWN A; name CHAR a; name KEYUP A"},
    {"EditingKeys", kName, "\x1b[D\x7f\x1b[3~\r\t",
     "name KEYDOWN LEFT; name KEYUP LEFT; name KEYDOWN BACK; name CHAR \\x08; name KEYUP BACK; "
     "name KEYDOWN DELETE; name KEYUP DELETE; name KEYDOWN RETURN; name CHAR \\x0d; "
     "name KEYUP RETURN; name KEYDOWN TAB; name KEYUP TAB"},
    {"EscapeAfterTheWait", kName, "\x1b",
     "name KEYDOWN ESCAPE; name CHAR \\x1b; name KEYUP ESCAPE"},
    {"AltKeyIsASystemKey", kName, "\x1bx", "name SYSKEYDOWN X; name SYSCHAR x; name SYSKEYUP X"},
    {"CtrlLetter", kName, "\x01", "name KEYDOWN A; name CHAR \\x01; name KEYUP A"},
    {"Utf8CharacterIsACharAByte", kName, "\xc3\xbc", "name CHAR \\xc3; name CHAR \\xbc"},
    {"UpAndDownOnTheBuddyGoToTheSpin", kCount, "\x1b[A\x1b[B",
     "spin KEYDOWN UP; spin KEYUP UP; spin KEYDOWN DOWN; spin KEYUP DOWN"},
    {"UpElsewhereStays", kName, "\x1b[A", "name KEYDOWN UP; name KEYUP UP"},
    {"CloseKeys", kName, "\x11\x03\x1b[1;3S",
     "form SYSCOMMAND CLOSE; form SYSCOMMAND CLOSE; form SYSCOMMAND CLOSE"},
    {"F9MinimisesF10Maximises", kName, "\x1b[20~\x1b[21~",
     "form SYSCOMMAND MINIMIZE; form SYSCOMMAND MAXIMIZE"},
    {"F2ClicksTheIcon", kName, "\x1bOQ", "icon LBUTTONDOWN; icon LBUTTONUP"},
    {"TooSmallOnlyTheDesktopKeysAct", kName, "a\t\x11", "form SYSCOMMAND CLOSE", false},
    {"ClickOnAButton", kName, click("[ Add ],2"), "add LBUTTONDOWN 20,8; add LBUTTONUP 20,8"},
    {"RightClick", kName, "\x1b[<2;{Upper}M\x1b[<2;{Upper}m",
     "upper RBUTTONDOWN 40,8; upper RBUTTONUP 40,8"},
    {"SpinArrowsLeftUpRightDown", kName, click("^v") + click("^v,1"),
     "spin LBUTTONDOWN 4,0; spin LBUTTONUP 4,0; spin LBUTTONDOWN 12,15; spin LBUTTONUP 12,15"},
    {"ClickOnTheIcon", kName, click("[*] Demo"), "icon LBUTTONDOWN; icon LBUTTONUP"},
    {"DoubleClickOnTheIcon", kName, click("[*] Demo") + click("[*] Demo"),
     "icon LBUTTONDOWN; icon LBUTTONUP; icon LBUTTONDBLCLK; icon LBUTTONUP"},
    {"TitleBarBoxes", kName, click("[_]") + click("[^]") + click("[X]"),
     "form SYSCOMMAND MINIMIZE; form SYSCOMMAND MAXIMIZE; form SYSCOMMAND CLOSE"},
    {"ReleasedOffTheCloseBoxDoesNothing", kName, "\x1b[<0;{[X]}M\x1b[<0;{Form}m", ""},
    {"CaptionAndOffTheDeskDoNothing", kName, click("Form,-1,0") + "\x1b[<0;999;999M", ""},
    {"WheelOverTheLog", kName, "\x1b[<64;{line1}M\x1b[<65;{line1}M",
     "log MOUSEWHEEL 120; log MOUSEWHEEL -120"},
    {"ScrollBarOfTheLog", kName, click("line1,22,0") + click("line1,22,2"),
     "log VSCROLL LINEUP; log VSCROLL ENDSCROLL; log VSCROLL LINEDOWN; log VSCROLL ENDSCROLL"},
    {"MotionOverAButtonHovers", kName, "\x1b[<35;{[ Add ]}M", "add MOUSEMOVE 4,8; hover add"},
};

TEST_F(RouterTable, InputPostsTheseMessages) {
  for (const RouterRow& row : kRouterRows) {
    SCOPED_TRACE(row.name);
    SetFocus(form_[static_cast<size_t>(row.focus)]);
    std::string input = place(row.input, draw());
    queued();
    term::InputParser parser;
    term::Router router;
    std::vector<term::InputEvent> events = parser.feed(input), rest = parser.flush();
    events.insert(events.end(), rest.begin(), rest.end());
    for (const term::InputEvent& ev : events)
      if (ev.type == term::InputEvent::Mouse)
        router.mouse(ev, hits_);
      else
        router.key(ev, row.shown);
    std::string got;
    for (const MSG& m : queued()) got += (got.empty() ? "" : "; ") + describe(m);
    if (router.hover()) got += "; hover " + names_[router.hover()];
    EXPECT_EQ(got, row.messages);
  }
}

}  // namespace
