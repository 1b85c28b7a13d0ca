// Format directives, integer conversion and date-time text.
#include <gtest/gtest.h>

#include "framework/SysUtils.h"

namespace {

TEST(Format, ZeroPaddedIntegersHaveAtLeastThePrecisionDigits) {
  EXPECT_EQ(Format("tavix-%.4d-%.2d-%.2d", {2026, 12, 6}), "tavix-2026-12-06");
  EXPECT_EQ(Format("%.2d:%.2d:%.2d.%.3d", {0, 0, 1, 42}), "00:00:01.042");
  EXPECT_EQ(Format("%.2d", {123}), "123");
  EXPECT_EQ(Format("%.3d", {-7}), "-007");
}

TEST(Format, TextPercentWidthAndHex) {
  EXPECT_EQ(Format("%s - %s.", {"a", std::string("b")}), "a - b.");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%%%.2x", {10}), "%0a");
  EXPECT_EQ(Format("%.2X", {255}), "FF");
  EXPECT_EQ(Format("[%5d|%-4s]", {42, "ab"}), "[   42|ab  ]");
  EXPECT_EQ(Format("%d", {int64_t(1) << 40}), "1099511627776");
}

TEST(Format, FixedPointUsesTheLocaleSeparator) {
  std::string sep(1, DecimalSeparator());
  EXPECT_EQ(Format("%.1f KBytes", {1536 / 1024.0}), "1" + sep + "5 KBytes");
  EXPECT_EQ(Format("%.1f", {0.0}), "0" + sep + "0");
}

TEST(Format, MismatchedOrMissingArgumentsRaise) {
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s", {1}), EConvertError);
  EXPECT_THROW(Format("%d %d", {1}), EConvertError);
  EXPECT_THROW(Format("%", {1}), EConvertError);
}

TEST(StrToInt, DecimalWithSignAndHexPrefixes) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("-17"), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x1E"), 30);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, InvalidTextRaisesWithTheText) {
  try {
    StrToInt("12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt(""), EConvertError);
  EXPECT_THROW(StrToInt("2147483648"), EConvertError);
  EXPECT_THROW(StrToInt("1 "), EConvertError);
  EXPECT_EQ(StrToIntDef("yes", 7), 7);
  EXPECT_EQ(StrToIntDef("0x", 7), 7);
}

TEST(TextHelpers, CaseAndTrim) {
  EXPECT_EQ(Trim("  a b \t\r\n"), "a b");
  EXPECT_EQ(UpperCase("abc\xe9"), "ABC\xe9");
  EXPECT_EQ(AnsiCompareText("Content-Length", "content-length"), 0);
  EXPECT_LT(AnsiCompareText("a", "B"), 0);
}

TEST(DateTime, EncodeAndDecodeRoundTrip) {
  TDateTime d = EncodeDate(1899, 12, 30);
  EXPECT_EQ(d, 0.0);
  TDateTime t = EncodeDate(2026, 12, 6) + EncodeTime(21, 4, 35, 250);
  WORD y, m, dd, h, n, s, ms;
  DecodeDate(t, y, m, dd);
  DecodeTime(t, h, n, s, ms);
  EXPECT_EQ((std::vector<int>{y, m, dd, h, n, s, ms}),
            (std::vector<int>{2026, 12, 6, 21, 4, 35, 250}));
  EXPECT_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2.0);
  EXPECT_THROW(EncodeDate(2026, 2, 29), EConvertError);
}

TEST(DateTime, PicturesFollowTheWindowsLetters) {
  TDateTime t = EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 4, 0);
  EXPECT_EQ(FormatWindowsPicture("dd/MM/yyyy HH:mm:ss", t), "07/03/2026 09:05:04");
  EXPECT_EQ(FormatWindowsPicture("d.M.yy H:mm", t), "7.3.26 9:05");
  EXPECT_EQ(FormatWindowsPicture("hh:mm tt", t + 0.5), "09:05 PM");
  EXPECT_EQ(FormatWindowsPicture("'at' h", t), "at 9");
}

TEST(DateTime, MidnightShowsTheDateAlone) {
  TDateTime day = EncodeDate(2026, 12, 6);
  EXPECT_EQ(DateTimeToStr(day), DateToStr(day));
  // Milliseconds are not looked at.
  EXPECT_EQ(DateTimeToStr(day + EncodeTime(0, 0, 0, 999)), DateToStr(day));
  TDateTime later = day + EncodeTime(0, 0, 1, 0);
  EXPECT_EQ(DateTimeToStr(later), DateToStr(later) + " " + TimeToStr(later));
}

TEST(FileNames, PathPartsAndExtensions) {
  EXPECT_EQ(ExtractFilePath("/opt/tavix/tavix"), "/opt/tavix/");
  EXPECT_EQ(ExtractFilePath("C:\\p\\tavix.exe"), "C:\\p\\");
  EXPECT_EQ(ExtractFileName("C:\\p\\tavix.exe"), "tavix.exe");
  EXPECT_EQ(ChangeFileExt("tavix.exe", ".INI"), "tavix.INI");
  EXPECT_EQ(ChangeFileExt("/a.b/tavix", ".INI"), "/a.b/tavix.INI");
}

}  // namespace
