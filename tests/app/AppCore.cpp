// The portable main-window test fixture.
#include "tests/app/AppCore.h"

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>

#include "tests/support/SettingsDir.h"
#include "tests/support/TestClock.h"

namespace fs = std::filesystem;

const std::string AppCore::kElapsed = "\x01";

namespace {

std::string RegexEscape(const std::string& s) {
  static const std::string special = "\\^$.|?*+()[]{}";
  std::string out;
  for (char c : s) {
    if (special.find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

MATCHER_P(MatchesLine, pattern, "is a log line matching " + pattern) {
  return std::regex_match(arg, std::regex(pattern));
}

}  // namespace

void AppCore::SetUp() {
  const std::string unique =
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  dir_ = (fs::temp_directory_path() /
          ("tavix-app-" + unique + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name()))
             .string();
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  iniDir_ = testsupport::UseSettingsDir(dir_);
  iniInDir_ = iniDir_ == fs::path(dir_);
  fs::remove(IniPath());
  gui_ = std::make_unique<TUtilWindow>(MessageHandler([this](TMessage& m) {
    if (m.Msg != WM_USER + 1) {
      m.Result = DefWindowProcA(gui_->Handle(), m.Msg, m.WParam, m.LParam);
      return;
    }
    std::function<void()> f;
    {
      std::lock_guard<std::mutex> l(guiMu_);
      f = std::move(guiCalls_.front());
      guiCalls_.pop_front();
    }
    f();
  }));
  fixedClock_ = testsupport::FixTestClock(kStartMs);
  boxes_ = std::make_unique<testsupport::DialogAnswers>();
}

void AppCore::TearDown() {
  if (Form1) StopApp();
  gui_.reset();
  boxes_.reset();
  testsupport::ReleaseTestClock();
  std::error_code ec;
  fs::remove(IniPath(), ec);
  testsupport::ReleaseSettingsDir();
  fs::remove_all(dir_, ec);
}

void AppCore::StartApp() {
  Application->Initialize();
  Application->CreateForm(Form1);
}

void AppCore::StopApp() {
  Form1->Free();
  Form1 = nullptr;
}

std::vector<std::string> AppCore::AllLogLines() const {
  std::vector<std::string> out;
  TStrings* lines = Form1->Memo1->Lines();
  for (int i = 0; i < lines->Count(); ++i) out.push_back(lines->Get(i));
  return out;
}

std::vector<std::string> AppCore::LogLines() const {
  std::vector<std::string> out;
  for (std::string& line : AllLogLines())
    if (line.find(" - SERVER DOWN ") == std::string::npos &&
        line.find(" - SERVER UP ") == std::string::npos)
      out.push_back(std::move(line));
  return out;
}

::testing::Matcher<std::string> AppCore::IsLine(const std::string& message) const {
  // A real clock's stamp is in the system's date and time format (perhaps "AM"/"PM").
  const std::string stamp = fixedClock_ ? "12/06/26 21:04:35" : "\\S+( \\S+){0,2}";
  const std::string elapsed =
      fixedClock_ ? "00:00:00\\.000" : "[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}";
  std::string body;
  size_t from = 0;
  for (size_t at; (at = message.find(kElapsed, from)) != std::string::npos; from = at + 1)
    body += RegexEscape(message.substr(from, at - from)) + elapsed;
  body += RegexEscape(message.substr(from));
  return MatchesLine(stamp + " - " + body + "\\.");
}

std::string AppCore::IniPath() const {
  // Where the test may choose the place, it follows dir_ (a test may move dir_).
  return iniInDir_ ? dir_ + "/tavix.ini" : (iniDir_ / "tavix.ini").string();
}

void AppCore::WriteIni(const std::string& text) const {
  std::ofstream(IniPath(), std::ios::binary) << text;
}

std::string AppCore::ReadFile(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool AppCore::PumpUntil(const std::function<bool()>& pred) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  return true;
}

void AppCore::OnGui(std::function<void()> f) {
  {
    std::lock_guard<std::mutex> l(guiMu_);
    guiCalls_.push_back(std::move(f));
  }
  PostMessageA(gui_->Handle(), WM_USER + 1, 0, 0);
}

void AppCore::Advance(int64_t ms) { testsupport::AdvanceTestClock(ms); }
