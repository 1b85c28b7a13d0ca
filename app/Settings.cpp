// The four settings kept between runs in the "settings" section of tavix.ini.
// At the end a value this instance did not change is left as the file has it when
// the file changed meanwhile (by hand, or by another instance that ended first).
#include "app/CommandLine.h"
#include "app/fMain.h"

namespace {
const char* const kSection = "settings";
const char* const kKeys[] = {"url", "freq", "autopoll", "dispheaders"};
// No value read from a file has this text: it stands for a missing key.
const char* const kMissing = "\x01";
}  // namespace

// Values given on the command line win for this run; SaveSettings then writes them
// as if typed. "metrics" and "history" are only read: a user adds them by hand.
void TForm1::LoadSettings() {
  FSettingsInFile = SettingsInFile();
  FAlerts->LoadSettings(*FIniFile, kSection);  // before a poll can start
  const TRunOptions& given = RunOptions();
  edURL->SetText(given.Address ? *given.Address
                               : FIniFile->ReadString(kSection, "url", kDefaultHost));
  edFreq->SetValue(given.Every ? *given.Every : FIniFile->ReadInteger(kSection, "freq", 15));
  FExport.MetricsFile =
      given.MetricsFile.empty() ? FIniFile->ReadString(kSection, "metrics", "") : given.MetricsFile;
  FExport.HistoryFile =
      given.HistoryFile.empty() ? FIniFile->ReadString(kSection, "history", "") : given.HistoryFile;
  FExport.OnError = [](const Exception& e) { Application->HandleException(e); };
  if (given.Start || FIniFile->ReadBool(kSection, "autopoll", false)) btnStartClick(nullptr);
  cbxHeader->SetChecked(FIniFile->ReadBool(kSection, "dispheaders", false));
  FSettingsShown = SettingsShown();
  // What the command line gave counts as this instance's change, as if typed.
  if (given.Address) FSettingsShown[0] = FSettingsInFile[0];
  if (given.Every) FSettingsShown[1] = FSettingsInFile[1];
  if (given.Start) FSettingsShown[2] = FSettingsInFile[2];
  // Read only: a file without the key keeps exactly the keys it had.
  FCertWarnDays = FIniFile->ReadInteger(kSection, "certwarndays", 14);
}

void TForm1::SaveSettings() {
  const TSettingTexts shown = SettingsShown(), inFile = SettingsInFile();
  for (size_t k = 0; k < shown.size(); ++k) {
    if (shown[k] == FSettingsShown[k] && inFile[k] != FSettingsInFile[k]) continue;
    FIniFile->WriteString(kSection, kKeys[k], shown[k]);
  }
  FSettingsShown = shown;
  FSettingsInFile = SettingsInFile();
}

// The texts SaveSettings writes, in the order of kKeys.
TForm1::TSettingTexts TForm1::SettingsShown() const {
  // Within the box's limits also when the box still has the focus (and its text).
  return {edURL->Text(), IntToStr(IntervalMs() / 60000), btnStart->Caption() == "Stop" ? "1" : "0",
          cbxHeader->Checked() ? "1" : "0"};
}

// A file that cannot be read counts as unchanged: the writes then say what is wrong.
TForm1::TSettingTexts TForm1::SettingsInFile() const {
  TSettingTexts texts;
  try {
    for (size_t k = 0; k < texts.size(); ++k)
      texts[k] = FIniFile->ReadString(kSection, kKeys[k], kMissing);
  } catch (const EIniFileException&) {
    return FSettingsInFile;
  }
  return texts;
}
