// Private-profile files: quotes, defaults and numbers, buffer cuts, lists of sections
// and keys, and a write that leaves no temporary file.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/winapi.h"
#include "tests/support/TempDir.h"

using testsupport::TempDir;
using testsupport::writeFile;

namespace {

std::string get(const char* sec, const char* key, const std::string& file, const char* def = "?") {
  char buf[256];
  GetPrivateProfileStringA(sec, key, def, buf, sizeof buf, file.c_str());
  return buf;
}

TEST(Profile, ReadStripsOnePairOfMatchingQuotes) {
  TempDir dir;
  writeFile(dir.file("q.ini"),
            "[s]\r\na=\"x y\"\r\nb='z'\r\nc=\"mixed'\r\nd=\"\"two\"\"\r\ne=\"\r\n");
  EXPECT_EQ(get("s", "a", dir.file("q.ini")), "x y");
  EXPECT_EQ(get("s", "b", dir.file("q.ini")), "z");
  EXPECT_EQ(get("s", "c", dir.file("q.ini")), "\"mixed'");
  EXPECT_EQ(get("s", "d", dir.file("q.ini")), "\"two\"");
  EXPECT_EQ(get("s", "e", dir.file("q.ini")), "\"");
}

TEST(Profile, MissingValuesGiveTheDefault) {
  TempDir dir;
  EXPECT_EQ(get("s", "k", dir.file("none.ini"), "dflt"), "dflt");
  EXPECT_EQ(GetPrivateProfileIntA("s", "k", 15, dir.file("none.ini").c_str()), 15u);
  writeFile(dir.file("i.ini"), "[s]\nhex=0x1E\nneg=-4\nbad=abc\nlead=12x\n");
  EXPECT_EQ(GetPrivateProfileIntA("s", "hex", 0, dir.file("i.ini").c_str()), 30u);
  EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("s", "neg", 0, dir.file("i.ini").c_str())), -4);
  EXPECT_EQ(GetPrivateProfileIntA("s", "bad", 7, dir.file("i.ini").c_str()), 0u);
  EXPECT_EQ(GetPrivateProfileIntA("s", "lead", 7, dir.file("i.ini").c_str()), 12u);
}

TEST(Profile, LongValuesAreCutToTheBuffer) {
  TempDir dir;
  std::string v(3000, 'a');
  ASSERT_TRUE(WritePrivateProfileStringA("s", "url", v.c_str(), dir.file("long.ini").c_str()));
  std::vector<char> buf(2048);
  DWORD n =
      GetPrivateProfileStringA("s", "url", "", buf.data(), 2048, dir.file("long.ini").c_str());
  EXPECT_EQ(n, 2047u);
  EXPECT_EQ(std::string(buf.data()), std::string(2047, 'a'));
}

TEST(Profile, ListsSectionsAndKeys) {
  TempDir dir;
  writeFile(dir.file("l.ini"), "[one]\na=1\nb=2\n[two]\n");
  char buf[64];
  DWORD n =
      GetPrivateProfileStringA(nullptr, nullptr, "", buf, sizeof buf, dir.file("l.ini").c_str());
  EXPECT_EQ(std::string(buf, n), std::string("one\0two\0", 8));
  EXPECT_EQ(buf[n], 0);
  n = GetPrivateProfileStringA("one", nullptr, "", buf, sizeof buf, dir.file("l.ini").c_str());
  EXPECT_EQ(std::string(buf, n + 1), std::string("a\0b\0\0", 5));
}

TEST(Profile, WriteLeavesNoTemporaryFiles) {
  TempDir dir;
  for (int i = 0; i < 3; ++i) WritePrivateProfileStringA("s", "k", "v", dir.file("t.ini").c_str());
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

}  // namespace
