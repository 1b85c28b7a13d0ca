// The INI accessor's value rules on the platform's private-profile service.
#include <gtest/gtest.h>

#include <string>

#include "framework/IniFiles.h"
#include "tests/support/TempDir.h"

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  testsupport::TempDir dir;
};

TEST_F(IniFileTest, IntegersHexDecimalAndDefaults) {
  TIniFile ini(dir.file("t.ini"));
  ini.WriteString("settings", "a", "0x1E");
  ini.WriteString("settings", "b", "$1F");
  ini.WriteString("settings", "c", "abc");
  ini.WriteString("settings", "d", "-12");
  ini.WriteString("settings", "e", "0x");
  ini.WriteString("settings", "f", "-0x10");
  ini.WriteString("settings", "g", "-$10");
  EXPECT_EQ(ini.ReadInteger("settings", "a", 15), 30);
  EXPECT_EQ(ini.ReadInteger("settings", "b", 15), 31);
  EXPECT_EQ(ini.ReadInteger("settings", "c", 15), 15);
  EXPECT_EQ(ini.ReadInteger("settings", "d", 15), -12);
  EXPECT_EQ(ini.ReadInteger("settings", "e", 15), 15);
  EXPECT_EQ(ini.ReadInteger("settings", "f", 15), 15);  // hexadecimal only after a leading 0x/$
  EXPECT_EQ(ini.ReadInteger("settings", "g", 15), 15);
  EXPECT_EQ(ini.ReadInteger("settings", "missing", 15), 15);
}

TEST_F(IniFileTest, BooleansAreIntegers) {
  TIniFile ini(dir.file("t.ini"));
  ini.WriteString("settings", "two", "2");
  ini.WriteString("settings", "yes", "yes");
  EXPECT_TRUE(ini.ReadBool("settings", "two", false));
  EXPECT_FALSE(ini.ReadBool("settings", "yes", false));
  EXPECT_TRUE(ini.ReadBool("settings", "missing", true));
  ini.WriteBool("settings", "flag", true);
  EXPECT_EQ(ini.ReadString("settings", "flag", ""), "1");
  ini.WriteBool("settings", "flag", false);
  EXPECT_EQ(ini.ReadString("settings", "flag", ""), "0");
}

TEST_F(IniFileTest, LongValuesComeBackCutTo2047) {
  TIniFile ini(dir.file("t.ini"));
  ini.WriteString("settings", "url", std::string(3000, 'x'));
  EXPECT_EQ(ini.ReadString("settings", "url", "").size(), 2047u);
}

TEST_F(IniFileTest, QuotedValuesSurviveAndEmptyStaysEmpty) {
  TIniFile ini(dir.file("t.ini"));
  ini.WriteString("s", "dq", "\"quoted\"");
  ini.WriteString("s", "sq", "'single'");
  ini.WriteString("s", "empty", "");
  EXPECT_EQ(ini.ReadString("s", "dq", ""), "\"quoted\"");
  EXPECT_EQ(ini.ReadString("s", "sq", ""), "'single'");
  EXPECT_EQ(ini.ReadString("s", "empty", "default"), "");
  EXPECT_TRUE(ini.ValueExists("s", "empty"));
  EXPECT_FALSE(ini.ValueExists("s", "none"));
}

}  // namespace
