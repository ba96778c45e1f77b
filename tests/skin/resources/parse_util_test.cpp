#include "skin/resources/parse_util.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <string>

namespace {

TEST(ParseHex, ReadsDigitsOfBothCases) {
  EXPECT_EQ(0x8024u, ParseHex("8024"));
  EXPECT_EQ(0x25u, ParseHex("0025"));
  EXPECT_EQ(0xABCDEFu, ParseHex("abcdef"));
  EXPECT_EQ(0xABCDEFu, ParseHex("ABCDEF"));
  EXPECT_EQ(0xFF00u, ParseHex(std::string("FF00")));
}

TEST(ParseHex, AnyOtherCharacterMakesTheWholeResultZero) {
  EXPECT_EQ(0u, ParseHex("80G4"));
  EXPECT_EQ(0u, ParseHex("8024 "));
  EXPECT_EQ(0u, ParseHex("-1"));
  EXPECT_EQ(0u, ParseHex("0x10"));
}

TEST(ParseHex, StopsAtTheMaximumCountBeforeLookingFurther) {
  EXPECT_EQ(0x80u, ParseHex("8024", 2));
  EXPECT_EQ(0x80u, ParseHex("80zz", 2));
  EXPECT_EQ(0u, ParseHex("8024", 0));
  EXPECT_EQ(0x8u, ParseHex("8", 2));
}

TEST(ParseHex, EmptyAndNullGiveZero) {
  EXPECT_EQ(0u, ParseHex(""));
  EXPECT_EQ(0u, ParseHex(static_cast<const char*>(nullptr)));
}

TEST(ParseHex, LongTextsKeepTheirLow32Bits) {
  EXPECT_EQ(0x23456789u, ParseHex("123456789"));
  EXPECT_EQ(0xFFFFFFFFu, ParseHex(std::string(100000, 'F')));
}

TEST(ParseColor, RedIsTheLowByte) {
  EXPECT_EQ(0x00FDFCFBu, ParseColor("FBFCFD"));
  EXPECT_EQ(0x00E5B145u, ParseColor("45B1E5"));
  EXPECT_EQ(0x00FFFFFFu, ParseColor("FFFFFF"));
  EXPECT_EQ(0x00000000u, ParseColor("000000"));
  EXPECT_EQ(0x00999999u, ParseColor(std::string("999999")));
  EXPECT_EQ(RGB(0x12, 0x34, 0x56), ParseColor("123456"));
}

TEST(ParseColor, ABadCharacterSpoilsOnlyItsOwnPair) {
  EXPECT_EQ(0x00FDFC00u, ParseColor("ZBFCFD"));
  EXPECT_EQ(0x00FD00FBu, ParseColor("FBF-FD"));
  EXPECT_EQ(0x0000FCFBu, ParseColor("FBFCFx"));
}

TEST(ParseColor, ShortTextsGiveZeroForMissingComponents) {
  EXPECT_EQ(0x000000FBu, ParseColor("FB"));
  EXPECT_EQ(0x000FFCFBu, ParseColor("FBFCF"));
  EXPECT_EQ(0u, ParseColor(""));
  EXPECT_EQ(0u, ParseColor(static_cast<const char*>(nullptr)));
  // The text ends inside the buffer: nothing past the zero is read.
  const char buffer[] = {'F', 'B', '\0', 'F', 'C', 'F', 'D'};
  EXPECT_EQ(0x000000FBu, ParseColor(buffer));
}

TEST(ParseColor, CharactersAfterTheSixthAreIgnored) {
  EXPECT_EQ(0x00FDFCFBu, ParseColor("FBFCFD99"));
  EXPECT_EQ(0x00FDFCFBu, ParseColor("FBFCFD" + std::string(100000, 'z')));
}

TEST(ParseDecimal, ReadsOptionalSignAndLeadingDigits) {
  EXPECT_EQ(12, ParseDecimal("12"));
  EXPECT_EQ(-5, ParseDecimal("-5"));
  EXPECT_EQ(7, ParseDecimal("+7"));
  EXPECT_EQ(12, ParseDecimal("12abc"));
  EXPECT_EQ(3, ParseDecimal("3.9"));
  EXPECT_EQ(7, ParseDecimal("007x"));
}

TEST(ParseDecimal, AnythingElseIsZero) {
  EXPECT_EQ(0, ParseDecimal("abc"));
  EXPECT_EQ(0, ParseDecimal(""));
  EXPECT_EQ(0, ParseDecimal("-"));
  EXPECT_EQ(0, ParseDecimal("--5"));
  EXPECT_EQ(0, ParseDecimal(" 5"));
  EXPECT_EQ(0, ParseDecimal(static_cast<const char*>(nullptr)));
  EXPECT_EQ(0, ParseDecimal(static_cast<const wchar_t*>(nullptr)));
}

TEST(ParseDecimal, SaturatesOutsideThe32BitRange) {
  EXPECT_EQ(INT_MAX, ParseDecimal("2147483647"));
  EXPECT_EQ(INT_MIN, ParseDecimal("-2147483648"));
  EXPECT_EQ(INT_MAX, ParseDecimal("2147483648"));
  EXPECT_EQ(INT_MIN, ParseDecimal("-2147483649"));
  EXPECT_EQ(INT_MAX, ParseDecimal(std::string(100000, '9')));
  EXPECT_EQ(INT_MIN, ParseDecimal("-" + std::string(100000, '9')));
}

TEST(ParseDecimal, WideTextReadsTheSameWay) {
  EXPECT_EQ(42, ParseDecimal(L"42%"));
  EXPECT_EQ(-8, ParseDecimal(std::wstring(L"-8")));
  EXPECT_EQ(0, ParseDecimal(L"x1"));
  EXPECT_EQ(INT_MAX, ParseDecimal(L"99999999999"));
}

}  // namespace
