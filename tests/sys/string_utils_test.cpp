#include "sys/string_utils.h"

#include <gtest/gtest.h>

TEST(SplitString, PiecesKeepEmptiesAndOrder) {
  std::vector<std::string> pieces{"stale"};
  SplitString("a/b//c", "/", pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{"a", "b", "", "c"}));
  SplitString("no delimiter", "/", pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{"no delimiter"}));
  SplitString("/UP", "/", pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{"", "UP"}));
  SplitString("a;b/c", ";/", pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{"a", "b", "c"}));
  SplitString("", "/", pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{""}));
}

TEST(TrimSpaces, OnlySpacesAreTrimmedAndBlankTextStays) {
  EXPECT_EQ(TrimSpaces("  UP  "), "UP");
  EXPECT_EQ(TrimSpaces("\tUP "), "\tUP");
  EXPECT_EQ(TrimSpaces("   "), "   ");
  EXPECT_EQ(TrimSpaces(""), "");
  EXPECT_EQ(TrimSpaces("a b"), "a b");
}

TEST(StringToInt, ReadsLeadingNumberOrZero) {
  EXPECT_EQ(StringToInt("2021x"), 2021);
  EXPECT_EQ(StringToInt("x2021"), 0);
  EXPECT_EQ(StringToInt(""), 0);
  EXPECT_EQ(StringToInt("  42"), 42);
  EXPECT_EQ(StringToInt("-7"), -7);
  EXPECT_EQ(StringToInt("00123"), 123);
  EXPECT_EQ(StringToInt("99999999999999999999"), 2147483647);  // clamped by the stream
  EXPECT_EQ(StringToInt("-99999999999999999999"), -2147483647 - 1);
  EXPECT_EQ(IntToString(-15), "-15");
  EXPECT_EQ(IntToString(0), "0");
}

TEST(CaseConversion, KeepsLengthAndLeavesAccentsAlone) {
  EXPECT_EQ(ToUpperCopy("/skipUpdate"), "/SKIPUPDATE");
  EXPECT_EQ(ToLowerCopy("LOCALES"), "locales");
  const std::string accented = "unità";  // Windows-1252 byte 0xE0
  EXPECT_EQ(ToUpperCopy(accented).size(), accented.size());
  EXPECT_EQ(static_cast<unsigned char>(ToUpperCopy(accented).back()), 0xE0);
}
