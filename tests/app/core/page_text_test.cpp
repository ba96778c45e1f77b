#include "app/core/page_text.h"

#include <gtest/gtest.h>

#include <string>

#include "skin/resources/text_encoding.h"

// A shortened text fits, ellipsis included, and keeps whole characters: a
// surrogate pair at the cut goes whole or not at all.
TEST(ShortenText, FitsWithoutSplittingACharacter) {
  const std::wstring pair = L"\U00020000";
  const struct {
    std::wstring text;
    size_t limit;
    std::wstring shortened;
  } cases[] = {
      {L"G1234", 5, L"G1234"},
      {L"G1234", 4, L"G12\u2026"},
      {L"ab" + pair + L"c", 4, L"ab\u2026"},
      {L"a" + pair + L"bc", 4, L"a" + pair + L"\u2026"},
      {L"ab", 1, L"a"},
      {pair + L"x", 1, L""},
      {L"ab", 0, L""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.shortened, ShortenText(c.text, c.limit)) << WideToUtf8(c.text) << " " << c.limit;
}
