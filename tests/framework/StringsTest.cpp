// String lists and streams.
#include <gtest/gtest.h>

#include <string>

#include "framework/Classes.h"
#include "tests/support/TempDir.h"

namespace {

TEST(StringList, TextJoinsWithCrLfAndSetTextSplitsAnyLineEnd) {
  TStringList l;
  l.SetText("a\r\nb\nc\rd");
  ASSERT_EQ(l.Count(), 4);
  EXPECT_EQ(l[3], "d");
  EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n");
  l.SetText("x\r\n\r\n");
  EXPECT_EQ(l.Count(), 2);  // one empty line, the last line end ends it
}

TEST(StringList, SortedListsFindAndInsertInOrder) {
  TStringList l;
  l.SetSorted(true);
  for (const char* s : {"pear", "Apple", "fig"}) l.Add(s);
  EXPECT_EQ(l[0], "Apple");
  EXPECT_EQ(l[2], "pear");
  int index = -1;
  EXPECT_TRUE(l.Find("FIG", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(l.Find("grape", index));
  EXPECT_EQ(index, 2);
  EXPECT_THROW(l.Insert(0, "x"), EListError);
}

TEST(StringList, IndexOfCaseRulesAndBounds) {
  TStringList l;
  l.Add("Host: a");
  EXPECT_EQ(l.IndexOf("host: A"), 0);
  l.CaseSensitive = true;
  EXPECT_EQ(l.IndexOf("host: A"), -1);
  EXPECT_THROW(l.Get(1), EListError);
  EXPECT_THROW(l.Delete(-1), EListError);
}

TEST(StringList, OnChangeOncePerUpdateBlock) {
  TStringList l;
  int changes = 0;
  l.OnChange = [&](TObject*) { ++changes; };
  l.Add("a");
  l.BeginUpdate();
  l.Add("b");
  l.Add("c");
  EXPECT_EQ(changes, 1);
  l.EndUpdate();
  EXPECT_EQ(changes, 2);
}

TEST(Streams, FileRoundTripAndCreateTruncates) {
  testsupport::TempDir dir;
  std::string name = dir.file("stream.txt");
  {
    TFileStream fs(name, fmCreate);
    fs.WriteBuffer("one\r\ntwo\r\n", 10);
  }
  {
    TFileStream fs(name, fmOpenRead);
    EXPECT_EQ(fs.Size(), 10);
    char buf[4] = {0};
    EXPECT_EQ(fs.Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf), "one");
    EXPECT_EQ(fs.Position(), 3);
  }
  { TFileStream fs(name, fmCreate); }
  EXPECT_EQ(TFileStream(name, fmOpenRead).Size(), 0);
}

TEST(Streams, OpenAndCreateErrorsNameTheFile) {
  testsupport::TempDir dir;
  std::string missing = dir.file("no-such-dir/x.txt");
  try {
    TFileStream fs(missing, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file " + missing);
  }
  try {
    TFileStream fs(missing, fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file " + missing);
  }
}

TEST(Streams, MemoryStreamReadsWhatWasWritten) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  EXPECT_EQ(m.Size(), 5);
  m.SetPosition(1);
  char buf[8] = {0};
  EXPECT_EQ(m.Read(buf, 8), 4);
  EXPECT_EQ(std::string(buf), "ello");
  EXPECT_EQ(m.Read(buf, 1), 0);
}

}  // namespace
