// Private-profile files: lookup in the Windows directory, case rules, quotes,
// buffer cuts, lists, and writes that keep every other line and replace the file
// atomically.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "platform/winapi.h"
#include "tests/support/FileFaults.h"
#include "tests/support/TempConfigDir.h"

using testsupport::FileSizeLimit;
using testsupport::readFile;
using testsupport::TempConfigDir;
using testsupport::withReadOnlyFolder;
using testsupport::writeFile;

namespace {

std::string get(const char* sec, const char* key, const char* file, const char* def = "?") {
  char buf[256];
  GetPrivateProfileStringA(sec, key, def, buf, sizeof buf, file);
  return buf;
}

TEST(Profile, DirectoryLessNamesLiveInTheConfigDirectory) {
  TempConfigDir dir;
  char wd[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(wd, sizeof wd), 0u);
  EXPECT_EQ(std::string(wd), dir.path());
  ASSERT_TRUE(WritePrivateProfileStringA("settings", "url", "http://h/", "tavix.ini"));
  EXPECT_EQ(readFile(dir.file("tavix.ini")), "[settings]\r\nurl=http://h/\r\n");
}

TEST(Profile, CreatesTheConfigDirectoryOnWrite) {
  TempConfigDir dir;
  std::string nested = dir.path() + "/a/b";
  setenv("XDG_CONFIG_HOME", nested.c_str(), 1);
  EXPECT_TRUE(WritePrivateProfileStringA("s", "k", "v", "x.ini"));
  EXPECT_EQ(readFile(nested + "/x.ini"), "[s]\r\nk=v\r\n");
}

TEST(Profile, FileSectionAndKeyNamesIgnoreCase) {
  TempConfigDir dir;
  writeFile(dir.file("Tavix.INI"), "[Settings]\nURL = some value \n");
  EXPECT_EQ(get("settings", "url", "tavix.ini"), "some value");
  ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Url", "new", "TAVIX.ini"));
  EXPECT_EQ(readFile(dir.file("Tavix.INI")), "[Settings]\nURL=new\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("TAVIX.ini")));
}

TEST(Profile, ReadStripsOnePairOfMatchingQuotes) {
  TempConfigDir dir;
  writeFile(dir.file("q.ini"),
            "[s]\r\na=\"x y\"\r\nb='z'\r\nc=\"mixed'\r\nd=\"\"two\"\"\r\ne=\"\r\n");
  EXPECT_EQ(get("s", "a", "q.ini"), "x y");
  EXPECT_EQ(get("s", "b", "q.ini"), "z");
  EXPECT_EQ(get("s", "c", "q.ini"), "\"mixed'");
  EXPECT_EQ(get("s", "d", "q.ini"), "\"two\"");
  EXPECT_EQ(get("s", "e", "q.ini"), "\"");
}

TEST(Profile, MissingValuesGiveTheDefault) {
  TempConfigDir dir;
  EXPECT_EQ(get("s", "k", "none.ini", "dflt"), "dflt");
  EXPECT_EQ(GetPrivateProfileIntA("s", "k", 15, "none.ini"), 15u);
  writeFile(dir.file("i.ini"), "[s]\nhex=0x1E\nneg=-4\nbad=abc\nlead=12x\n");
  EXPECT_EQ(GetPrivateProfileIntA("s", "hex", 0, "i.ini"), 30u);
  EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("s", "neg", 0, "i.ini")), -4);
  EXPECT_EQ(GetPrivateProfileIntA("s", "bad", 7, "i.ini"), 0u);
  EXPECT_EQ(GetPrivateProfileIntA("s", "lead", 7, "i.ini"), 12u);
}

TEST(Profile, LongValuesAreCutToTheBuffer) {
  TempConfigDir dir;
  std::string v(3000, 'a');
  ASSERT_TRUE(WritePrivateProfileStringA("s", "url", v.c_str(), "long.ini"));
  std::vector<char> buf(2048);
  DWORD n = GetPrivateProfileStringA("s", "url", "", buf.data(), 2048, "long.ini");
  EXPECT_EQ(n, 2047u);
  EXPECT_EQ(std::string(buf.data()), std::string(2047, 'a'));
}

TEST(Profile, ListsSectionsAndKeys) {
  TempConfigDir dir;
  writeFile(dir.file("l.ini"), "[one]\na=1\nb=2\n[two]\n");
  char buf[64];
  DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buf, sizeof buf, "l.ini");
  EXPECT_EQ(std::string(buf, n), std::string("one\0two\0", 8));
  EXPECT_EQ(buf[n], 0);
  n = GetPrivateProfileStringA("one", nullptr, "", buf, sizeof buf, "l.ini");
  EXPECT_EQ(std::string(buf, n + 1), std::string("a\0b\0\0", 5));
}

TEST(Profile, WriteKeepsEveryOtherLineByteForByte) {
  TempConfigDir dir;
  std::string before =
      "; settings\n[settings]\nurl=a\nfreq = 15\n\n[window]\r\n  odd line\nFlags=0\n[tail]";
  writeFile(dir.file("k.ini"), before);
  ASSERT_TRUE(WritePrivateProfileStringA("settings", "freq", "30", "k.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("settings", "autopoll", "1", "k.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("window", "ShowCmd", "1", "k.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("new", "x", "y", "k.ini"));
  EXPECT_EQ(readFile(dir.file("k.ini")),
            "; settings\n[settings]\nurl=a\nfreq=30\r\nautopoll=1\r\n\n[window]\r\n  odd "
            "line\nFlags=0\nShowCmd=1\r\n[tail]\r\n[new]\r\nx=y\r\n");
}

TEST(Profile, NullValueDeletesTheKeyAndNullKeyTheSection) {
  TempConfigDir dir;
  writeFile(dir.file("d.ini"), "[a]\nx=1\ny=2\n[b]\nz=3\n");
  ASSERT_TRUE(WritePrivateProfileStringA("a", "x", nullptr, "d.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("b", nullptr, nullptr, "d.ini"));
  EXPECT_EQ(readFile(dir.file("d.ini")), "[a]\ny=2\n");
}

TEST(Profile, WriteLeavesNoTemporaryFiles) {
  TempConfigDir dir;
  for (int i = 0; i < 3; ++i) WritePrivateProfileStringA("s", "k", "v", "t.ini");
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(Profile, RefusedWriteReturnsFalseAndKeepsTheFile) {
  TempConfigDir dir;
  writeFile(dir.file("r.ini"), "[s]\nk=old\n");
  EXPECT_TRUE(withReadOnlyFolder(dir.path(), [] {
    return !WritePrivateProfileStringA("s", "k", "new", "r.ini") &&
           GetLastError() == static_cast<DWORD>(ERROR_ACCESS_DENIED);
  }));
  EXPECT_EQ(readFile(dir.file("r.ini")), "[s]\nk=old\n");
}

TEST(Profile, AFullDiskReturnsFalseAndKeepsTheFileWithoutLeftovers) {
  TempConfigDir dir;
  writeFile(dir.file("f.ini"), "[s]\nk=old\n");
  {
    FileSizeLimit full(8);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "a longer new value", "f.ini"));
  }
  EXPECT_EQ(readFile(dir.file("f.ini")), "[s]\nk=old\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

// What a writer killed between naming its new file and the rename left behind goes
// with the next write; a live writer's file and other names stay.
TEST(Profile, AWriteRemovesTheTemporaryFileOfAWriterThatIsGone) {
  TempConfigDir dir;
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
  const std::string orphan = ".profile-" + std::to_string(gone) + "-7";
  const std::string live = ".profile-" + std::to_string(getpid()) + "-999999";
  for (const std::string& n : {orphan, live, std::string(".profile-Ab12Cd")})
    writeFile(dir.file(n), "x");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "v", "o.ini"));
  EXPECT_FALSE(std::filesystem::exists(dir.file(orphan)));
  EXPECT_TRUE(std::filesystem::exists(dir.file(live)));
  EXPECT_TRUE(std::filesystem::exists(dir.file(".profile-Ab12Cd")));
  EXPECT_EQ(readFile(dir.file("o.ini")), "[s]\r\nk=v\r\n");
}

TEST(Profile, LineBreaksInAValueAreRefused) {
  TempConfigDir dir;
  writeFile(dir.file("n.ini"), "[s]\nk=old\n");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "a\r\n[evil]", "n.ini"));
  EXPECT_EQ(readFile(dir.file("n.ini")), "[s]\nk=old\n");
}

// A lone CR ends a line: it must not end up inside a value, nor make a write break the
// lines around it.
TEST(Profile, ALoneCarriageReturnEndsALine) {
  TempConfigDir dir;
  writeFile(dir.file("cr.ini"), "[s]\rurl=\"10\rnext=2\r");
  EXPECT_EQ(get("s", "url", "cr.ini"), "\"10");
  EXPECT_EQ(get("s", "next", "cr.ini"), "2");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "v", "cr.ini"));
  EXPECT_EQ(readFile(dir.file("cr.ini")), "[s]\rurl=\"10\rnext=2\rk=v\r\n");
  EXPECT_EQ(get("s", "next", "cr.ini"), "2");
}

}  // namespace
