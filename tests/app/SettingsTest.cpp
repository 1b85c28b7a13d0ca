// The "settings" section of tavix.ini: defaults, value rules, auto-polling at start.
#include <filesystem>
#include <thread>

#include "tests/app/AppCore.h"
#include "tests/support/LoopbackScripts.h"

namespace {

std::string Key(const std::string& ini, const std::string& key) {
  char buf[256];
  GetPrivateProfileStringA("settings", key.c_str(), "<missing>", buf, sizeof buf, ini.c_str());
  return buf;
}

}  // namespace

class SettingsTest : public AppCore {};

TEST_F(SettingsTest, FirstStartUsesTheDefaultsAndExitWritesExactlyFourKeys) {
  StartApp();
  EXPECT_EQ(Form1->edURL->Text(), "localhost");
  EXPECT_EQ(Form1->edFreq->Value(), 15);
  EXPECT_EQ(Form1->btnStart->Caption(), "Start");
  EXPECT_FALSE(Form1->cbxHeader->Checked());
  EXPECT_TRUE(LogLines().empty());
  StopApp();
  EXPECT_EQ(ReadFile(IniPath()),
            "[settings]\r\nurl=localhost\r\nfreq=15\r\nautopoll=0\r\ndispheaders=0\r\n");
}

TEST_F(SettingsTest, StoredIntervalsAreClampedOrFallBack) {
  const std::pair<const char*, int> cases[] = {
      {"0", 1}, {"20000", 10000}, {"abc", 15}, {"0x1E", 30}, {"20", 20}};
  for (const auto& [text, value] : cases) {
    WriteIni(std::string("[settings]\r\nfreq=") + text + "\r\n");
    StartApp();
    EXPECT_EQ(Form1->edFreq->Value(), value) << text;
    EXPECT_EQ(Form1->Timer1->Interval(), UINT(value) * 60000u) << text;
    EXPECT_TRUE(LogLines().empty()) << "no FREQUENCY CHANGED line at load: " << text;
    StopApp();
  }
}

TEST_F(SettingsTest, AutopollOnStartsPollingInsideStartUpAndIsStoredAgain) {
  LoopbackGate gate;
  WriteIni("[settings]\r\nurl=" + gate.address() + "\r\nautopoll=1\r\ndispheaders=1\r\n");
  StartApp();
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(lines[0], IsLine("AUTO-POLLING STARTED"));
  // The first poll runs before the header box is read, so it shows no header.
  EXPECT_THAT(lines[1], IsLine("SUCCESS " + gate.address() + " " + kElapsed));
  EXPECT_TRUE(Form1->cbxHeader->Checked());
  EXPECT_EQ(Form1->btnStart->Caption(), "Stop");
  StopApp();
  EXPECT_EQ(Key(IniPath(), "autopoll"), "1");
  EXPECT_EQ(Key(IniPath(), "dispheaders"), "1");
  EXPECT_EQ(Key(IniPath(), "url"), gate.address());
}

// Two instances of one user: at its end an instance leaves a value it did not change
// as the file has it (the other instance ended first), and writes what it changed.
TEST_F(SettingsTest, AtExitAValueLeftAloneKeepsWhatAnotherInstanceWrote) {
  WriteIni("[settings]\r\nurl=old-host\r\nfreq=20\r\n");
  StartApp();
  Form1->edFreq->SetValue(30);
  for (const char* key : {"url", "freq", "dispheaders"})
    ASSERT_TRUE(WritePrivateProfileStringA("settings", key, "4", IniPath().c_str()));
  StopApp();
  EXPECT_EQ(Key(IniPath(), "url"), "4");
  EXPECT_EQ(Key(IniPath(), "freq"), "30");
  EXPECT_EQ(Key(IniPath(), "autopoll"), "0");
  EXPECT_EQ(Key(IniPath(), "dispheaders"), "4");
}

// Typed past the int range, the interval is the maximum, not the minimum.
TEST_F(SettingsTest, ATypedIntervalAboveTheMaximumIsTheMaximum) {
  StartApp();
  Form1->edFreq->SetText("99999999999");
  EXPECT_EQ(Form1->Timer1->Interval(), 10000u * 60000u);
  StopApp();
  EXPECT_EQ(Key(IniPath(), "freq"), "10000");
}

// The main form is not yet the application's while its start-up poll runs; a close
// accepted then still ends the program, and the window is never shown.
TEST_F(SettingsTest, ACloseDuringTheStartUpPollEndsTheProgram) {
  LoopbackGate gate;
  gate.openAlways(false);
  WriteIni("[settings]\r\nurl=" + gate.address() + "\r\nautopoll=1\r\n");
  std::thread helper([&] {
    gate.waitAccepted(1);
    OnGui([] { Application->Forms().front()->Close(); });
  });
  StartApp();
  helper.join();
  EXPECT_TRUE(Application->Terminated());
  Application->Run();  // returns at once: nothing shown, the forms are freed
  EXPECT_EQ(Key(IniPath(), "autopoll"), "1");
  Form1 = nullptr;
  gate.open();
}

TEST_F(SettingsTest, AutopollTwoIsOnAndYesIsOff) {
  WriteIni("[settings]\r\nurl=\r\nautopoll=2\r\n");
  StartApp();
  EXPECT_EQ(Form1->btnStart->Caption(), "Stop");
  StopApp();
  WriteIni("[settings]\r\nautopoll=yes\r\n");
  StartApp();
  EXPECT_EQ(Form1->btnStart->Caption(), "Start");
}

TEST_F(SettingsTest, AnEmptyUrlKeyLoadsAnEmptyAddressAndIsStoredEmpty) {
  WriteIni("[settings]\r\nurl=\r\n");
  StartApp();
  EXPECT_EQ(Form1->edURL->Text(), "");
  Form1->btnPoll->Click();
  EXPECT_THAT(LogLines().at(1), IsLine("Empty URL"));
  StopApp();
  EXPECT_EQ(Key(IniPath(), "url"), "");
}

TEST_F(SettingsTest, AChangedIntervalIsStoredAndOtherLinesOfTheFileSurvive) {
  WriteIni("; my notes\r\n[settings]\r\nfreq=15\r\n[other]\r\nx=1\r\n");
  StartApp();
  Form1->edFreq->SetValue(42);
  StopApp();
  EXPECT_EQ(Key(IniPath(), "freq"), "42");
  const std::string text = ReadFile(IniPath());
  EXPECT_NE(text.find("; my notes"), std::string::npos);
  EXPECT_NE(text.find("[other]\r\nx=1"), std::string::npos);
}

// The system ends the process as soon as WM_ENDSESSION returns: the settings and the
// placement are in the file by then, and nothing waits for an answer (a save dialog
// would hold the log-off until the system ends the program unsaved). Every top-level
// window is asked and told, as the system does. The placement store writes first, and
// the file it makes is still "tavix.ini".
TEST_F(SettingsTest, ALogOffWritesTheSettingsAndThePlacementBeforeItEnds) {
  for (const bool withLog : {false, true}) {
    StartApp();
    // The name the store takes for tavix.exe (this test program has its own name).
    Form1->FormStorage1->IniFileName = "tavix.INI";
    Form1->SetVisible(true);
    Form1->edURL->SetText("192.0.2.7");
    Form1->cbxHeader->SetChecked(true);
    if (withLog) Form1->btnLogStats->Click();
    const HWND windows[] = {Application->Handle(), Form1->Handle()};
    for (HWND w : windows) EXPECT_EQ(SendMessageA(w, WM_QUERYENDSESSION, 0, 0), TRUE) << withLog;
    for (HWND w : windows) SendMessageA(w, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(Application->Terminated()) << withLog;
    EXPECT_TRUE(Boxes().empty()) << withLog;
    EXPECT_EQ(Key(IniPath(), "url"), "192.0.2.7") << withLog;
    EXPECT_EQ(Key(IniPath(), "dispheaders"), "1") << withLog;
    char pos[64];
    GetPrivateProfileStringA("window", "NormPos", "", pos, sizeof pos, IniPath().c_str());
    EXPECT_STRNE(pos, "") << withLog;
    std::vector<std::string> names;
    for (const auto& e :
         std::filesystem::directory_iterator(std::filesystem::path(IniPath()).parent_path()))
      if (LowerCase(e.path().filename().string()) == "tavix.ini")
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"tavix.ini"}) << withLog;
    StopApp();
    std::filesystem::remove(IniPath());
  }
}
