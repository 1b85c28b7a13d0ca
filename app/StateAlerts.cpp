// The server's state on the notification icon, and what a change of it sets off.
#include "app/StateAlerts.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "app/fMain.h"

namespace {

constexpr size_t kTipChars = 63;  // what the icon's record holds
const char* const kBalloonTitle = "Orvane Pollarion";
const char* const kIconNames[] = {"STATEUNKNOWN", "STATEUP", "STATEDOWN"};

std::string Fit(const std::string& s, size_t n) {
  if (s.size() <= n) return s;
  return n <= 3 ? s.substr(0, n) : s.substr(0, n - 3) + "...";
}

std::string IsoTime(TDateTime t) {
  WORD y, mo, d, h, mi, s, ms;
  DecodeDate(t, y, mo, d);
  DecodeTime(t, h, mi, s, ms);
  return Format("%.4d-%.2d-%.2dT%.2d:%.2d:%.2d", {y, mo, d, h, mi, s});
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// The program's own event lines begin with words in capitals ("MANUAL POLL",
// "FREQUENCY CHANGED to"); an error's message does not ("Empty URL", "HTTP Secure
// Socket is not supported").
bool CapitalWords(const std::string& text) {
  size_t words = 0, i = 0;
  while (words < 2 && i < text.size()) {
    const size_t end = std::min(text.find(' ', i), text.size());
    for (size_t k = i; k < end; ++k)
      if (std::islower(static_cast<unsigned char>(text[k]))) return false;
    ++words;
    i = end + 1;
  }
  return words > 0;
}

}  // namespace

std::string DurationText(double Seconds) {
  const long long s = std::llround(std::max(0.0, Seconds));
  return Format("%.2d:%.2d:%.2d", {int(s / 3600), int(s / 60 % 60), int(s % 60)});
}

LRESULT LogLineColour(const std::string& Line) {
  // A log line is "<stamp> - <text>."; header lines and wrapped rows have no stamp.
  const size_t dash = Line.find(" - ");
  if (dash == std::string::npos || dash == 0 ||
      !std::isdigit(static_cast<unsigned char>(Line[0])) || Line.find(':') > dash)
    return TEXTCOLOUR_NONE;
  const std::string text = Line.substr(dash + 3);
  if (StartsWith(text, "SUCCESS") || StartsWith(text, "SERVER UP")) return TEXTCOLOUR_GOOD;
  for (const char* bad : {"FAILURE", "CONNECTION FAILED", "INVALID HOST", "SERVER DOWN"})
    if (StartsWith(text, bad)) return TEXTCOLOUR_BAD;
  return CapitalWords(text) ? TEXTCOLOUR_NONE : TEXTCOLOUR_BAD;
}

TStateAlerts::TStateAlerts(TForm1& Form)
    : FForm(Form),
      FCommand(TComponent::Create<TAlertCommand>(
          &Form, [&Form](const std::string& text) { Form.LogMsg(text); })) {
  // Windows has the marked pictures as resources; elsewhere each is the program's icon.
  HINSTANCE inst = GetModuleHandleA(nullptr);
  for (int i = 0; i < 3; ++i)
    if (LoadIconA(inst, kIconNames[i]))
      FIcons[i].LoadFromResourceName(inst, kIconNames[i]);
    else
      FIcons[i].Assign(Application->Icon());
  FForm.Memo1->OnLineColour = LogLineColour;
}

void TStateAlerts::LoadSettings(const TIniFile& Ini, const std::string& Section) {
  FSettings.FailuresToDown = std::clamp(Ini.ReadInteger(Section, "failurestodown", 1), 1, 10000);
  FSettings.Bell = Ini.ReadBool(Section, "alertbell", true);
  FSettings.Command = Ini.ReadString(Section, "alertcommand", "");
  FSettings.CommandTimeout =
      std::clamp(Ini.ReadInteger(Section, "alertcommandtimeout", 30), 1, 86400);
  FState.FailuresToDown = FSettings.FailuresToDown;
  FCommand->TimeoutSeconds = FSettings.CommandTimeout;
}

void TStateAlerts::PollEnded(bool Success, const std::string& Outcome) {
  FOutcome = Outcome;
  FOutcomeTime = Now();
  TStateChange change;
  const bool announce = FState.Outcome(Success, FOutcomeTime, change);
  ShowState();
  if (announce) Announce(change);
}

void TStateAlerts::PollingStopped() {
  FState.Stop();
  ShowState();
}

// "DOWN: localhost:8080, CONNECTION FAILED at 12:03:04", within the tip's 63 characters:
// the address gives way first.
std::string TStateAlerts::TipText() const {
  const TServerStatus s = FState.Status();
  const std::string head = s == stUp ? "Up: " : s == stDown ? "DOWN: " : "Not polling: ";
  const std::string tail =
      FOutcome.empty() ? std::string() : ", " + FOutcome + " at " + TimeToStr(FOutcomeTime);
  const size_t room = kTipChars - std::min(kTipChars - 16, head.size() + tail.size());
  return Fit(head + Fit(FForm.edURL->Text(), room) + tail, kTipChars);
}

void TStateAlerts::ShowState() {
  TTrayIcon& tray = *FForm.TrayIcon1;
  const TServerStatus s = FState.Status();
  tray.FaceColour = s == stUp ? TEXTCOLOUR_GOOD : s == stDown ? TEXTCOLOUR_BAD : TEXTCOLOUR_NONE;
  tray.SetIcon(&FIcons[s]);
  tray.SetHint(TipText());
}

void TStateAlerts::Announce(const TStateChange& Change) {
  const std::string url = FForm.edURL->Text();
  const bool down = Change.Status == stDown;
  const std::string since = DateTimeToStr(Change.Since);
  const std::string line =
      down ? FForm.LogMsg(Format("SERVER DOWN %s since %s", {url, since}))
           : FForm.LogMsg(Format("SERVER UP %s since %s, down for %s",
                                 {url, since, DurationText(Change.DownSeconds)}));
  const std::string balloon =
      down ? "Server down: " + url
           : "Server up again: " + url + ", down for " + DurationText(Change.DownSeconds);
  FForm.TrayIcon1->ShowBalloon(
      kBalloonTitle, balloon,
      (down ? NIIF_ERROR : NIIF_INFO) | (FSettings.Bell ? 0 : NIIF_NOSOUND));
  if (!FSettings.Command.empty())
    FCommand->Run(FSettings.Command, CommandEnvironment(Change, line));
}

TEnvironment TStateAlerts::CommandEnvironment(const TStateChange& Change,
                                              const std::string& Line) const {
  return {{"TAVIX_STATE", Change.Status == stDown ? "DOWN" : "UP"},
          {"TAVIX_URL", FForm.edURL->Text()},
          {"TAVIX_LINE", Line},
          {"TAVIX_SINCE", IsoTime(Change.Since)},
          {"TAVIX_DOWN_SECONDS", Format("%d", {int(std::llround(Change.DownSeconds))})}};
}
