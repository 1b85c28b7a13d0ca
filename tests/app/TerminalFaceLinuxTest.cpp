// The main window as the terminal display draws it, whatever the terminal's size (from
// 80 x 24 up), wherever the window was left and maximised: every caption whole, the
// spin box with both arrows, the window, the hint line and the icon line on screen,
// and the log's newest line in view (at 80 x 24 the log gives rows to the controls).
#include "platform/display/terminal/Desktop.h"
#include "platform/posix/Display.h"
#include "tests/app/AppFixture.h"

namespace {

struct Face {
  const char* name;
  int cols, rows;
  const char* normPos;  // the stored window bounds
  int showCmd = SW_SHOWNORMAL;
};

const Face kFaces[] = {
    {"80x24", 80, 24, "26,26,513,489"},
    {"80x24 at the corner", 80, 24, "0,0,487,463"},
    {"120x45 to the right", 120, 45, "400,160,887,623"},
    {"120x45", 120, 45, "30,30,517,493"},
    {"100x40 off the screen", 100, 40, "-200,900,287,1363"},
    {"100x40 maximised", 100, 40, "30,30,517,493", SW_SHOWMAXIMIZED},
};

class TerminalFace : public AppTest {
 protected:
  void TearDown() override {
    AppTest::TearDown();
    posix::setNullScreenSize(1024, 768);
  }
};

TEST_F(TerminalFace, ShowsEveryCaptionWholeAndTheNewestLogLine) {
  for (const Face& f : kFaces) {
    SCOPED_TRACE(f.name);
    posix::setNullScreenSize(f.cols * term::kCellW, f.rows * term::kCellH);
    WriteIni("[window]\nShowCmd=" + std::to_string(f.showCmd) + "\nNormPos=" + f.normPos + "\n");
    StartApp();
    posix::notifyIconMouse(posix::notifyIcons()[0], WM_LBUTTONUP);
    ASSERT_TRUE(PumpUntil([] { return Form1->Visible(); }));
    for (int i = 1; i <= 30; ++i) Form1->LogMsg("LINE " + std::to_string(i));
    term::Canvas canvas;
    canvas.resize(f.rows, f.cols);
    term::HitMap hits;
    term::Layout layout;
    ASSERT_FALSE(term::drawDesktop(canvas, hits, layout, nullptr, false));
    std::string s;
    for (int r = 0; r < f.rows; ++r) s += canvas.rowText(r) + "\n";
    for (const char* part :
         {"Orvane Pollarion", "Server HTTP Address", "localhost", "Poll server every", "15", "^v",
          "minutes", "[ Poll Now ]", "[ Start ]", "Clear ]", "[ Save ]", "[ Log Stats ]",
          "[ ] Display Header", "[ Hide ]", "LINE 30."})
      EXPECT_NE(s.find(part), std::string::npos) << part << "\n" << s;
    // Maximised: no frame, and the log reaches down to the hint line.
    const bool maximised = f.showCmd == SW_SHOWMAXIMIZED;
    EXPECT_EQ(s.find("+-----") == std::string::npos, maximised) << s;
    EXPECT_TRUE(!maximised || canvas.at(f.rows - 3, f.cols - 1).ch == U'v') << s;
    EXPECT_EQ(canvas.rowText(f.rows - 1).find("[*] Orvane Pollarion (click to show)"), 1u) << s;
    StopApp();
  }
}

}  // namespace
