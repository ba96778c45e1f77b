#include "skin/resources/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MultiByteToWide, DecodesUtf8AsTheSystemConverterDoes) {
  const struct {
    const char* name;
    std::string bytes;
    std::wstring expected;
  } cases[] = {
      {"empty", "", L""},
      {"ASCII", "G101 07:00", L"G101 07:00"},
      {"ASCII controls and DEL", std::string("a\x01\x7F", 3), L"a\x01\x7F"},
      {"Chinese", "\xE5\x8C\x97\xE4\xBA\xAC\xE5\x8D\x97", L"北京南"},
      {"mixed", "G1 \xE6\x9C\x89", L"G1 有"},
      {"four-byte character", "\xF0\x9F\x98\x80", L"\xD83D\xDE00"},
      {"stray continuation byte", "a\x80" "b", L"a\xFFFD" L"b"},
      {"cut character at the end", "ab\xE5\xAE", L"ab\xFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, Utf8ToWide(c.bytes));
  }
}

TEST(MultiByteToWide, DecodesOtherCodePages) {
  // GBK: two bytes a character; Latin-1 style: one byte a character.
  EXPECT_EQ(L"北京", MultiByteToWide("\xB1\xB1\xBE\xA9", 936));
  EXPECT_EQ(L"caf\x00E9", MultiByteToWide("caf\xE9", 1252));
}

TEST(WideToUtf8, RoundTripsLongMixedText) {
  std::wstring text;
  for (int i = 0; i < 10000; ++i) text += (i % 3 == 0) ? L"余票" : L"G" + std::to_wstring(i);
  const std::string bytes = WideToUtf8(text);
  EXPECT_EQ(text, Utf8ToWide(bytes));
  EXPECT_GT(bytes.size(), text.size());
}

}  // namespace
