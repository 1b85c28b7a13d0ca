// The INI accessor's errors for files the Linux platform refuses, with directory-less
// names in the settings directory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "framework/IniFiles.h"
#include "tests/support/TempConfigDir.h"

namespace {

class IniFileLinuxTest : public ::testing::Test {
 protected:
  testsupport::TempConfigDir dir;
};

TEST_F(IniFileLinuxTest, AFileThePlatformWillNotReadRaisesWithTheFileAndTheReason) {
  mkfifo(dir.file("fifo.ini").c_str(), 0644);
  try {
    TIniFile("fifo.ini").ReadString("settings", "url", "x");
    FAIL() << "the read should be refused";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "Unable to read fifo.ini. The file type being saved or retrieved has been blocked");
  }
}

TEST_F(IniFileLinuxTest, RefusedWriteRaisesWithTheFileName) {
  TIniFile ini("no-such-dir/t.ini");
  try {
    ini.WriteString("settings", "url", "x");
    FAIL() << "the write should be refused";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to write to no-such-dir/t.ini");
  }
}

}  // namespace
