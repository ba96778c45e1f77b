#include "skin/resources/parse_util.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <string>
#include <string_view>

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

TEST(ParseLeadingDecimal, ReadsLeadingDigitsAndSaturates) {
  EXPECT_EQ(200u, ParseLeadingDecimal("200 OK"));
  EXPECT_EQ(0u, ParseLeadingDecimal("abc"));
  EXPECT_EQ(0u, ParseLeadingDecimal(""));
  EXPECT_EQ(0u, ParseLeadingDecimal(nullptr));
  EXPECT_EQ(4000000000u, ParseLeadingDecimal("4000000000"));
  EXPECT_EQ(~0ull, ParseLeadingDecimal("999999999999999999999999999"));
}

TEST(ScanDecimal, ReportsSignDigitsAndWhetherTheTextEnded) {
  const struct {
    const char* text;
    bool allowSign;
    bool negative;
    unsigned long long magnitude;
    size_t digits;
    bool wholeText;
  } cases[] = {
      {"123", false, false, 123, 3, true},
      {"123abc", false, false, 123, 3, false},
      {"-7", false, false, 0, 0, false},
      {"-7", true, true, 7, 1, true},
      {"+007", true, false, 7, 3, true},
      {"", true, false, 0, 0, true},
      {"18446744073709551615", false, false, ~0ull, 20, true},
      {"18446744073709551616", false, false, ~0ull, 20, true},
  };
  for (const auto& c : cases) {
    const DecimalScan narrow = ScanDecimal(std::string_view(c.text), c.allowSign);
    const std::wstring wide(c.text, c.text + std::strlen(c.text));
    const DecimalScan widened = ScanDecimal(std::wstring_view(wide), c.allowSign);
    for (const DecimalScan& scan : {narrow, widened}) {
      EXPECT_EQ(c.negative, scan.negative) << c.text;
      EXPECT_EQ(c.magnitude, scan.magnitude) << c.text;
      EXPECT_EQ(c.digits, scan.digits) << c.text;
      EXPECT_EQ(c.wholeText, scan.wholeText) << c.text;
    }
  }
}

TEST(ParseWholeDecimal, AcceptsOnlyDigitsUpToTheLimit) {
  const struct {
    const wchar_t* text;
    unsigned long long maxValue;
    bool accepted;
    unsigned long long value;
  } cases[] = {
      {L"8080", 65535, true, 8080},   {L"65535", 65535, true, 65535}, {L"65536", 65535, false, 0},
      {L"0", 65535, true, 0},         {L"", 65535, false, 0},         {L"+80", 65535, false, 0},
      {L"-1", 65535, false, 0},       {L" 80", 65535, false, 0},      {L"80 ", 65535, false, 0},
      {L"8o", 65535, false, 0},       {L"99999999999999999999999", ~0ull, true, ~0ull},
  };
  for (const auto& c : cases) {
    unsigned long long value = 4242;
    EXPECT_EQ(c.accepted, ParseWholeDecimal(c.text, c.maxValue, value)) << c.text;
    EXPECT_EQ(c.accepted ? c.value : 4242u, value) << c.text;
  }
  // The text ends where the view ends, also before a terminating zero.
  unsigned long long value = 0;
  EXPECT_TRUE(ParseWholeDecimal(std::wstring_view(L"12x", 2), 100, value));
  EXPECT_EQ(12u, value);
}

TEST(TrimWhiteSpace, RemovesWhiteSpaceAtBothEndsOnly) {
  const struct {
    const wchar_t* text;
    const wchar_t* trimmed;
  } cases[] = {
      {L" \t北京\r\n ", L"北京"}, {L"北京 南", L"北京 南"}, {L" \t \t", L""},
      {L"", L""},                 {L"\va b\f", L"a b"},    {L"x", L"x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::wstring_view(c.trimmed), TrimWhiteSpace(c.text));
  }
  const std::wstring text = L"  inside  ";
  const std::wstring_view view = TrimWhiteSpace(text);
  EXPECT_EQ(text.data() + 2, view.data());  // a view into the text, not a copy
}

}  // namespace
