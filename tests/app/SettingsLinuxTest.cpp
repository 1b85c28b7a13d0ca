// The settings file where the test moves the settings folder itself.
#include <cstdlib>

#include "tests/app/AppFixture.h"

TEST_F(AppTest, ARefusedSettingsWriteIsReportedAndNothingCrashes) {
  StartApp();
  WriteIni("");  // a plain file where the settings folder's parent should be
  setenv("XDG_CONFIG_HOME", (IniPath() + "/sub").c_str(), 1);
  StopApp();
  ASSERT_FALSE(dialogs_.empty());
  EXPECT_EQ(dialogs_.back().text, "Unable to write to tavix.ini");
}
