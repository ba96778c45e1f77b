#include "skin/resources/text_encoding.h"

#include <gtest/gtest.h>
#include <windows.h>

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

// The system converter, called directly, as the reference.
std::wstring SystemDecode(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
  return out;
}

std::string SystemEncode(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

// Random texts biased toward the edges: ASCII, two-, three- and four-byte
// characters, lone and paired surrogates, and for bytes every kind of
// malformed sequence. The converters must agree with the system's exactly.
TEST(TextEncoding, AgreesWithTheSystemConverterOnRandomText) {
  unsigned state = 2026;
  auto next = [&state](unsigned bound) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % bound;
  };
  const wchar_t units[] = {L'a', L'<', 0x7F, 0x80, 0x7FF, 0x800, 0x4E2D, 0xFFFD, 0xFFFF,
                           0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xD83D, 0xDE00, 0xE000};
  for (int round = 0; round < 4000; ++round) {
    std::wstring text;
    const unsigned length = next(12);
    for (unsigned i = 0; i < length; ++i) text += units[next(sizeof(units) / sizeof(units[0]))];
    SCOPED_TRACE(round);
    const std::string encoded = WideToUtf8(text);
    ASSERT_EQ(SystemEncode(text), encoded);
    ASSERT_EQ(encoded.size(), FirstMalformedUtf8(encoded));
    ASSERT_EQ(SystemDecode(encoded), Utf8ToWide(encoded));
  }
  const unsigned char bytes[] = {'a', 0x00, 0x7F, 0x80, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE5, 0xED,
                                 0xEF, 0xF0, 0xF4, 0xF5, 0xFF, 0xA0, 0x9F, 0x90, 0x8F, 0xAE, 0x8B};
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    const unsigned length = next(10);
    for (unsigned i = 0; i < length; ++i) text += static_cast<char>(bytes[next(sizeof(bytes))]);
    SCOPED_TRACE(round);
    ASSERT_EQ(SystemDecode(text), Utf8ToWide(text));
  }
}

TEST(FirstMalformedUtf8, FindsTheFirstFaultAfterLongAsciiRuns) {
  const std::string ascii(37, 'x');
  EXPECT_EQ(37u, FirstMalformedUtf8(ascii));
  EXPECT_EQ(37u, FirstMalformedUtf8(ascii + "\x80"));
  EXPECT_EQ(40u, FirstMalformedUtf8(ascii + "\xE5\xAE\x8B\xE5" + ascii));
  EXPECT_EQ(0u, FirstMalformedUtf8("\xC0\x80"));
  EXPECT_EQ(0u, FirstMalformedUtf8(""));
}

}  // namespace
