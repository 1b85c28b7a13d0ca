// The four settings kept between runs in the "settings" section of tavix.ini.
#include "app/fMain.h"

namespace {
const char* const kSection = "settings";
}

void TForm1::LoadSettings() {
  edURL->SetText(FIniFile->ReadString(kSection, "url", kDefaultHost));
  edFreq->SetValue(FIniFile->ReadInteger(kSection, "freq", 15));
  if (FIniFile->ReadBool(kSection, "autopoll", false)) btnStartClick(nullptr);
  cbxHeader->SetChecked(FIniFile->ReadBool(kSection, "dispheaders", false));
}

void TForm1::SaveSettings() {
  FIniFile->WriteString(kSection, "url", edURL->Text());
  // Within the box's limits also when the box still has the focus (and its text).
  FIniFile->WriteInteger(kSection, "freq", IntervalMs() / 60000);
  FIniFile->WriteString(kSection, "autopoll", btnStart->Caption() == "Stop" ? "1" : "0");
  FIniFile->WriteString(kSection, "dispheaders", cbxHeader->Checked() ? "1" : "0");
}
