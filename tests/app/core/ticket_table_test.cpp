#include "app/core/ticket_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "app/core/page_text.h"
#include "app/core/ticket_watch.h"

TEST(DisplayWidth, CountsWideCharactersTwice) {
  EXPECT_EQ(0, DisplayWidth(L""));
  EXPECT_EQ(4, DisplayWidth(L"G101"));
  EXPECT_EQ(4, DisplayWidth(L"北京"));
  EXPECT_EQ(7, DisplayWidth(L"北京 南"));
  EXPECT_EQ(2, DisplayWidth(L"\U00020000"));  // a surrogate pair is one character
  EXPECT_EQ(4, DisplayWidth(L"ＡＢ"));        // full-width forms
}

TEST(FormatTicketTable, AlignsColumnsByDisplayWidth) {
  TicketRow a;
  a.trainCode = L"G1";
  a.fromStation = L"北京南";
  a.toStation = L"上海虹桥";
  a.originStation = L"北京南";
  a.terminalStation = L"上海虹桥";
  a.trainType = L"高速动车";
  TicketRow b = a;
  b.trainCode = L"K1234";
  b.fromStation = L"北京";
  b.toStation = L"上海\r\n";  // control characters never reach the terminal

  const std::wstring table = FormatTicketTable({a, b});
  std::wstringstream lines(table);
  std::wstring header, first, second, extra;
  std::getline(lines, header);
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_FALSE(std::getline(lines, extra));
  EXPECT_EQ(0u, header.find(L"车次   出发站  到达站"));
  EXPECT_EQ(0u, first.find(L"G1     北京南  上海虹桥"));
  EXPECT_EQ(0u, second.find(L"K1234  北京    上海"));
  EXPECT_NE(std::wstring::npos, first.find(L"北京南 - 上海虹桥"));
  EXPECT_EQ(std::wstring::npos, table.find(L'\r'));
  // The start of the last column lines up on every line.
  const auto lastColumn = [](const std::wstring& line, const std::wstring& last) {
    return DisplayWidth(line.substr(0, line.rfind(last)));
  };
  EXPECT_EQ(lastColumn(header, L"车型"), lastColumn(first, L"高速动车"));
  EXPECT_EQ(lastColumn(first, L"高速动车"), lastColumn(second, L"高速动车"));
}

TEST(FormatTicketTable, NoRowsGivesTheHeaderOnly) {
  const std::wstring table = FormatTicketTable({});
  EXPECT_EQ(1, std::count(table.begin(), table.end(), L'\n'));
  EXPECT_EQ(0u, table.find(L"车次"));
}

// Nothing from a page that could move the cursor, start an escape sequence or
// reorder a line reaches the terminal; the characters next to each range stay.
TEST(BlankControls, BlanksEveryCharacterATerminalActsOn) {
  for (const wchar_t c :
       {0x00, 0x1B, 0x7F, 0x80, 0x9B, 0x9F, 0x061C, 0x200E, 0x200F, 0x2028, 0x202A, 0x202E, 0x2066, 0x2069}) {
    TicketRow row;
    for (int i = 0; i < TicketRow::kFieldCount; ++i) row.Field(i) = std::wstring(L"G") + c + L"1";
    EXPECT_EQ(std::wstring::npos, (FormatTicketTable({row}) + FormatChangesAsTable({{row}, {row.trainCode}})).find(c));
  }
  for (const wchar_t c : {0x7E, 0xA0, 0x061B, 0x061D, 0x200D, 0x2010, 0x2027, 0x202F, 0x2065, 0x206A})
    EXPECT_EQ(std::wstring(1, c), BlankControls(std::wstring(1, c))) << c;
}

// A shortened text fits, ellipsis included, and keeps whole characters: a
// surrogate pair at the cut goes whole or not at all.
TEST(ShortenText, FitsWithoutSplittingACharacter) {
  const std::wstring pair = L"\U00020000";
  const struct {
    std::wstring text, shortened;
    size_t limit;
  } cases[] = {{L"G1234", L"G1234", 5},
               {L"G1234", L"G12\u2026", 4},
               {L"ab" + pair + L"c", L"ab\u2026", 4},
               {L"a" + pair + L"bc", L"a" + pair + L"\u2026", 4},
               {pair + L"x", L"", 1}};
  for (const auto& c : cases) EXPECT_EQ(c.shortened, ShortenText(c.text, c.limit)) << c.limit;
}
