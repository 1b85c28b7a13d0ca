// TUrlEncoder: which bytes stay, which become "+" or "%xx".
#include <gtest/gtest.h>

#include "http/UrlEncoder.h"

namespace {

std::string Encoded(const std::string& text) {
  TOwnedPtr<TUrlEncoder> e(TComponent::Create<TUrlEncoder>(nullptr));
  e->InputString = text;
  return e->Encode();
}

TEST(UrlEncoder, BlankBecomesPlusAndAmpersandIsEscaped) { EXPECT_EQ(Encoded("a b&c"), "a+b%26c"); }

TEST(UrlEncoder, HighByteGivesTwoLowerCaseHexDigits) { EXPECT_EQ(Encoded("\xe9"), "%e9"); }

TEST(UrlEncoder, EmptyTextGivesEmptyText) { EXPECT_EQ(Encoded(""), ""); }

TEST(UrlEncoder, OnlyLettersAndDigitsStay) {
  EXPECT_EQ(Encoded("AZaz09"), "AZaz09");
  EXPECT_EQ(Encoded("=/.-_~"), "%3d%2f%2e%2d%5f%7e");
  EXPECT_EQ(Encoded(std::string("\0\x1f\x7f\xff", 4)), "%00%1f%7f%ff");
}

TEST(UrlEncoder, EveryByteValueHasItsForm) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  std::string out = Encoded(all);
  // 62 letters and digits, the blank as "+", 193 others as three characters each.
  EXPECT_EQ(out.size(), 62u + 1u + 193u * 3u);
}

TEST(UrlEncoder, InputLongerThan65535IsEncodedWhole) {
  EXPECT_EQ(Encoded(std::string(70000, ' ')), std::string(70000, '+'));
}

TEST(UrlEncoder, EncodeIsComputedOnEachRead) {
  TOwnedPtr<TUrlEncoder> e(TComponent::Create<TUrlEncoder>(nullptr));
  e->InputString = "a b";
  EXPECT_EQ(e->Encode(), "a+b");
  e->InputString = "x&";
  EXPECT_EQ(e->Encode(), "x%26");
}

}  // namespace
