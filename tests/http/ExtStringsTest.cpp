// TExStringList: finding header lines by name and replacing or appending them.
#include <gtest/gtest.h>

#include "http/ExtStrings.h"

namespace {

TEST(ExtStringsIndexOfHeader, FindsTheNameWithoutRegardToCase) {
  TExStringList l;
  l.Add("Accept: x");
  l.Add("Host: x");
  EXPECT_EQ(l.IndexOfHeader("host"), 1);
  EXPECT_EQ(l.IndexOfHeader("HOST"), 1);
}

TEST(ExtStringsIndexOfHeader, EmptyListAndMissingNameGiveMinusOne) {
  TExStringList l;
  EXPECT_EQ(l.IndexOfHeader("Host"), -1);
  l.Add("Accept: x");
  EXPECT_EQ(l.IndexOfHeader("Host"), -1);
}

TEST(ExtStringsIndexOfHeader, NameIsTakenExactlyWithoutTrimming) {
  TExStringList l;
  l.Add("Host : x");
  l.Add("Host:y");
  EXPECT_EQ(l.IndexOfHeader("Host"), 1);
  EXPECT_EQ(l.IndexOfHeader("Host "), 0);
}

TEST(ExtStringsIndexOfHeader, UnsortedListSkipsItemsWithoutColon) {
  TExStringList l;
  l.Add("HEAD / HTTP/1.0");
  l.Add("");
  l.Add("Host: a");
  EXPECT_EQ(l.IndexOfHeader(""), -1);
  EXPECT_EQ(l.IndexOfHeader("Host"), 2);
}

TEST(ExtStringsIndexOfHeader, FirstOfSeveralWins) {
  TExStringList l;
  l.Add("Accept: a");
  l.Add("accept: b");
  EXPECT_EQ(l.IndexOfHeader("ACCEPT"), 0);
}

TEST(ExtStringsIndexOfHeader, SortedListIsSearchedByName) {
  TExStringList l;
  l.SetSorted(true);
  for (const char* s : {"Referer: r", "Accept: a", "Host: h", "Cookie: c", "From: f"}) l.Add(s);
  for (const char* name : {"accept", "cookie", "from", "host", "referer"}) {
    int i = l.IndexOfHeader(name);
    ASSERT_GE(i, 0) << name;
    EXPECT_EQ(AnsiCompareText(l.Strings(i).substr(0, l.Strings(i).find(':')), name), 0);
  }
  EXPECT_EQ(l.IndexOfHeader("Zzz"), -1);
  EXPECT_EQ(l.IndexOfHeader("Aaa"), -1);
}

TEST(ExtStringsIndexOfHeader, SortedItemWithoutColonHasTheEmptyName) {
  TExStringList l;
  l.SetSorted(true);
  l.Add("bare");
  EXPECT_EQ(l.IndexOfHeader(""), 0);
  EXPECT_EQ(l.IndexOfHeader("bare"), -1);
}

TEST(ExtStringsSetHeader, ReplacesInPlaceWithNameColonBlankValue) {
  TExStringList l;
  l.Add("HEAD / HTTP/1.0");
  l.Add("host:old");
  l.Add("Accept: a");
  l.SetHeader("Host", "new");
  ASSERT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Strings(1), "Host: new");
}

TEST(ExtStringsSetHeader, AppendsWhenMissing) {
  TExStringList l;
  l.Add("Accept: a");
  l.SetHeader("Host", "h");
  ASSERT_EQ(l.Count(), 2);
  EXPECT_EQ(l.Strings(1), "Host: h");
}

TEST(ExtStringsSetHeader, EmptyValueRemovesAndAddsNothing) {
  TExStringList l;
  l.Add("Host: x");
  l.Add("Accept: a");
  l.SetHeader("Host", "");
  ASSERT_EQ(l.Count(), 1);
  EXPECT_EQ(l.Strings(0), "Accept: a");
  l.SetHeader("Host", "");
  EXPECT_EQ(l.Count(), 1);
}

TEST(ExtStringsSetHeader, SortedListKeepsItsOrder) {
  TExStringList l;
  l.SetSorted(true);
  l.Add("Accept: a");
  l.Add("Host: h");
  l.SetHeader("Accept", "zz");
  l.SetHeader("Cookie", "c");
  ASSERT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Strings(0), "Accept: zz");
  EXPECT_EQ(l.Strings(1), "Cookie: c");
  EXPECT_EQ(l.Strings(2), "Host: h");
}

}  // namespace
