#include "app/core/result_page.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "skin/resources/skin_xml.h"

namespace {

// A page shaped like the query site's answer: html > body > div (the search
// form, with both broken forms) + a sibling holding the result table.
std::wstring Page(const std::wstring& rows, const std::wstring& form = std::wstring()) {
  return L"<html><head><title>余票查询</title></head><body>"
         L"<div id=\"form\">" + form + L"</div>"
         L"<div id=\"result\"><table><tr><th>序号</th><th>车次</th></tr>" + rows +
         L"</table></div></body></html>";
}

std::wstring Row(int cells, const std::wstring& code = L"G101") {
  std::wstring row = L"<tr>";
  for (int i = 1; i <= cells; ++i) {
    const bool link = i == 3 || i == 4 || i == 5 || i == 15 || i == 16;
    std::wstring text = i == 3 ? code : L"c" + std::to_wstring(i);
    row += link ? L"<td><a href=\"#\">" + text + L"</a></td>" : L"<td>" + text + L"</td>";
  }
  return row + L"</tr>";
}

std::vector<TicketRow> Existing() {
  TicketRow row;
  row.trainCode = L"K1";
  return {row};
}

}  // namespace

TEST(RepairMarkup, GivesEverySelectedOptionAValue) {
  const std::wstring bare = L"<option selected value=\"1\" >";
  const std::wstring fixed = L"<option selected=\"1\" value=\"1\" >";
  ASSERT_EQ(28u, bare.size());
  ASSERT_EQ(32u, fixed.size());
  EXPECT_EQ(L"a" + fixed + L"b" + fixed + fixed + L"c", RepairMarkup(L"a" + bare + L"b" + bare + bare + L"c"));
  // Nearly matching text is left alone.
  EXPECT_EQ(L"<option selected value=\"1\">", RepairMarkup(L"<option selected value=\"1\">"));
  EXPECT_EQ(L"", RepairMarkup(L""));
}

TEST(RepairMarkup, RemovesOnlyTheFirstStraySlash) {
  const std::wstring broken = L"value=\"0\"/ onkeypress=\"updateDaysRange()\"";
  const std::wstring mended = L"value=\"0\" onkeypress=\"updateDaysRange()\"";
  ASSERT_EQ(41u, broken.size());
  EXPECT_EQ(L"<i " + mended + L"/><i " + broken + L"/>", RepairMarkup(L"<i " + broken + L"/><i " + broken + L"/>"));
}

// The repair done the plain way: replace every option left to right into a
// new text, then delete the first stray slash of the result.
std::wstring ReferenceRepair(const std::wstring& page) {
  const std::wstring bare = L"<option selected value=\"1\" >";
  const std::wstring fixed = L"<option selected=\"1\" value=\"1\" >";
  const std::wstring broken = L"value=\"0\"/ onkeypress=\"updateDaysRange()\"";
  std::wstring out;
  size_t from = 0;
  for (size_t hit = page.find(bare); hit != std::wstring::npos; hit = page.find(bare, from)) {
    out += page.substr(from, hit - from) + fixed;
    from = hit + bare.size();
  }
  out += page.substr(from);
  const size_t slash = out.find(broken);
  if (slash != std::wstring::npos) out.erase(slash + 9, 1);
  return out;
}

// Pages stitched from the two broken forms, their repaired forms, near misses
// and ordinary text, in every order: the in-place repair must give what the
// plain one gives.
TEST(RepairMarkup, MatchesThePlainRepairOnStitchedPages) {
  const std::wstring pieces[] = {
      L"<option selected value=\"1\" >",
      L"value=\"0\"/ onkeypress=\"updateDaysRange()\"",
      L"<option selected=\"1\" value=\"1\" >",
      L"<option selected value=\"1\">",
      L"value=\"0\" onkeypress=\"updateDaysRange()\"",
      L"今天",
      L"<",
      L"/",
      L"x",
  };
  const size_t kinds = sizeof(pieces) / sizeof(pieces[0]);
  unsigned state = 12345;
  for (int page = 0; page < 3000; ++page) {
    std::wstring text;
    const int length = page % 12;
    for (int i = 0; i < length; ++i) {
      state = state * 1103515245u + 12345u;
      text += pieces[(state >> 16) % kinds];
    }
    SCOPED_TRACE(page);
    std::wstring moved = text;
    ASSERT_EQ(ReferenceRepair(text), RepairMarkup(std::move(moved)));
  }
}

TEST(RepairMarkup, MakesTheSitesFormAcceptableXml) {
  const std::wstring form =
      L"<select><option selected value=\"1\" >今天</option><option value=\"2\">明天</option></select>"
      L"<input type=\"text\" value=\"0\"/ onkeypress=\"updateDaysRange()\" />";
  std::vector<TicketRow> rows = Existing();
  EXPECT_EQ(ResultPage::NoTable, ParseResultPage(Page(Row(17), form), rows));
  EXPECT_EQ(ResultPage::Rows, ParseResultPage(RepairMarkup(Page(Row(17), form)), rows));
  EXPECT_EQ(1u, rows.size());
}

TEST(ParseResultPage, ReadsSeventeenCellsWithLinksWhereTheSitePutsThem) {
  std::wstring row = L"<tr><td>1</td><td>24000000G10I</td><td><a href=\"x\">G1</a></td><td><a>北京南</a></td>"
                     L"<td><a>上海虹桥</a></td><td>09:00</td><td>13:48</td><td>04:48</td><td>有</td><td>12</td>"
                     L"<td>--</td><td>--</td><td>--</td><td>无</td><td><a>北京南</a></td><td><a>上海虹桥</a></td>"
                     L"<td>高速动车</td></tr>";
  std::vector<TicketRow> rows;
  ASSERT_EQ(ResultPage::Rows, ParseResultPage(Page(row), rows));
  ASSERT_EQ(1u, rows.size());
  const TicketRow& r = rows[0];
  EXPECT_EQ(L"1", r.cell1);
  EXPECT_EQ(L"24000000G10I", r.cell2);
  EXPECT_EQ(L"G1", r.trainCode);
  EXPECT_EQ(L"北京南", r.fromStation);
  EXPECT_EQ(L"上海虹桥", r.toStation);
  EXPECT_EQ(L"09:00", r.departTime);
  EXPECT_EQ(L"13:48", r.arriveTime);
  EXPECT_EQ(L"04:48", r.travelTime);
  EXPECT_EQ(L"有", r.seatHardOrSecond);
  EXPECT_EQ(L"12", r.seatSoftOrFirst);
  EXPECT_EQ(L"--", r.sleeperHard);
  EXPECT_EQ(L"无", r.standing);
  EXPECT_EQ(L"北京南", r.originStation);
  EXPECT_EQ(L"上海虹桥", r.terminalStation);
  EXPECT_EQ(L"高速动车", r.trainType);
}

TEST(ParseResultPage, TakesTheFirstChildNodeAsTheCellText) {
  // An element as first child gives its tag name; a link cell without a link
  // and an empty cell give nothing; cells past the row's end are empty.
  std::wstring row = L"<tr><td><font color=\"red\">5</font></td><td></td><td><a>G7</a></td><td>甲</td></tr>";
  std::vector<TicketRow> rows;
  ASSERT_EQ(ResultPage::Rows, ParseResultPage(Page(row), rows));
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(L"font", rows[0].cell1);
  EXPECT_EQ(L"", rows[0].cell2);
  EXPECT_EQ(L"G7", rows[0].trainCode);
  for (int i = 3; i < TicketRow::kFieldCount; ++i) EXPECT_EQ(L"", rows[0].Field(i)) << i;
}

TEST(ParseResultPage, CountsEverySiblingOfTheHeaderAsADataRow) {
  std::wstring rowsText;
  for (int i = 0; i < 25; ++i) rowsText += Row(17, L"T" + std::to_wstring(i));
  // Any element name counts as a row; its cells start at the first "td" and
  // go on through every following sibling, whatever its name.
  rowsText += L"<tbody><th>x</th><td>y</td><th>z</th><b><a>Z9</a></b></tbody>";
  std::vector<TicketRow> rows;
  ASSERT_EQ(ResultPage::Rows, ParseResultPage(Page(rowsText), rows));
  ASSERT_EQ(26u, rows.size());
  EXPECT_EQ(L"T0", rows[0].trainCode);
  EXPECT_EQ(L"T24", rows[24].trainCode);
  EXPECT_EQ(L"y", rows[25].cell1);
  EXPECT_EQ(L"z", rows[25].cell2);
  EXPECT_EQ(L"Z9", rows[25].trainCode);
}

TEST(ParseResultPage, HeaderOnlyTableEmptiesTheRows) {
  std::vector<TicketRow> rows = Existing();
  EXPECT_EQ(ResultPage::Rows, ParseResultPage(Page(L""), rows));
  EXPECT_TRUE(rows.empty());
}

TEST(ParseResultPage, LeavesRowsAloneWhenThePathIsMissing) {
  const std::wstring pages[] = {
      L"<html><body><div>only</div></body></html>",                                // no sibling of the div
      L"<html><body><p/><div/><div><p/></div></body></html>",                      // sibling without a table
      L"<html><body><div/><div><table><th/></table></div></body></html>",          // table without tr
      L"<html><head/><div/><div><table><tr/></table></div></html>",                // no body
      L"<html><body><div/><div><table><tr/></table></div>",                        // not well-formed
      L"not xml at all",
      L"",
  };
  for (const std::wstring& page : pages) {
    std::vector<TicketRow> rows = Existing();
    EXPECT_EQ(ResultPage::NoTable, ParseResultPage(page, rows)) << std::string(page.begin(), page.end());
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(L"K1", rows[0].trainCode);
  }
}

TEST(ParseResultPage, RefusesHostileNestingWithoutTouchingRows) {
  std::wstring page = L"<html><body>";
  for (int i = 0; i < 200000; ++i) page += L"<div>";
  for (int i = 0; i < 200000; ++i) page += L"</div>";
  page += L"</body></html>";
  std::vector<TicketRow> rows = Existing();
  EXPECT_EQ(ResultPage::NoTable, ParseResultPage(page, rows));
  EXPECT_EQ(1u, rows.size());
}

// Deep nesting behind lead-ins that a tag scanner reads differently from the
// parser, and an element with more attributes than the parser takes: each
// page fails like broken markup and the rows stay as they were.
TEST(ParseResultPage, RefusesHiddenNestingAndAttributeFloodsWithoutTouchingRows) {
  std::wstring deep;
  for (int i = 0; i < 20000; ++i) deep += L"<b>";
  std::wstring attributes;
  for (int i = 0; i < 100000; ++i) attributes += L" a" + std::to_wstring(i) + L"='1'";
  const struct {
    const char* name;
    std::wstring page;
  } cases[] = {
      {"unknown node with a quote", Page(L"<# \">" + deep)},
      {"digit after '<'", Page(L"<1 '>" + deep)},
      {"declaration with a quoted '>'", L"<?xml version=\"><x y='\" ?>" + Page(deep)},
      {"'<!' node with a quote", Page(L"<!x \">" + deep)},
      {"attribute flood in the table", L"<html><body><div/><div><table" + attributes +
                                           L"><tr/>" + Row(17) + L"</table></div></body></html>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TicketRow> rows = Existing();
    EXPECT_EQ(ResultPage::NoTable, ParseResultPage(RepairMarkup(c.page), rows));
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(L"K1", rows[0].trainCode);
  }
}

TEST(ParseResultPage, AcceptsNestingUpToTheLimit) {
  // html and body take two levels; the rest is padding inside the table's sibling.
  std::wstring open, close;
  for (int i = 0; i < kMaxXmlDepth - 8; ++i) {
    open += L"<span>";
    close += L"</span>";
  }
  std::wstring page = L"<html><body><div/><div><table><tr/>" + Row(17) + L"</table>" + open + close +
                      L"</div></body></html>";
  std::vector<TicketRow> rows;
  EXPECT_EQ(ResultPage::Rows, ParseResultPage(page, rows));
  EXPECT_EQ(1u, rows.size());
}

// Rows without a train code are no trains and do not count towards the row
// bound; a page past either bound leaves the rows as they were.
TEST(ParseResultPage, SkipsRowsWithoutATrainAndBoundsTheAnswer) {
  const std::wstring empties = L"<tr/><tr><td>1</td><td>2</td></tr><tr><td/><td/><td><a/></td></tr>";
  std::wstring trains, flood;
  for (size_t i = 0; i < kMaxResultRows; ++i) trains += Row(17, L"T" + std::to_wstring(i)) + empties;
  for (size_t i = 0; i <= kMaxResultMarkup; i += 2) flood += L"<tr a=''/>";
  const std::tuple<std::wstring, ResultPage, size_t> cases[] = {
      {empties + Row(17, L"G1") + empties, ResultPage::Rows, 1},
      {trains, ResultPage::Rows, kMaxResultRows},
      {trains + Row(17, L"G1"), ResultPage::TooLarge, 1},
      {flood + Row(17, L"G1"), ResultPage::TooLarge, 1},
  };
  for (const auto& [page, result, count] : cases) {
    std::vector<TicketRow> rows = Existing();
    EXPECT_EQ(result, ParseResultPage(Page(page), rows));
    ASSERT_EQ(count, rows.size());
    for (const TicketRow& row : rows) ASSERT_EQ(result == ResultPage::Rows ? L"c1" : L"", row.cell1);
  }
}

TEST(CellText, HandlesMissingCells) {
  EXPECT_EQ(nullptr, CellText(nullptr));
  EXPECT_EQ(nullptr, CellLinkText(nullptr));
  TiXmlDocument doc;
  doc.Parse("<td><b>x</b></td>");
  EXPECT_EQ(nullptr, CellLinkText(doc.RootElement()));
  EXPECT_STREQ("b", CellText(doc.RootElement()));
}

TEST(FindResultTable, FollowsBodyDivSiblingTable) {
  TiXmlDocument doc;
  doc.Parse("<html><body><p/><div id='1'/><span/><div id='2'><table id='t'/></div></body></html>");
  // The sibling of the first div is the span, which holds no table.
  EXPECT_EQ(nullptr, FindResultTable(doc.RootElement()));
  TiXmlDocument good;
  good.Parse("<html><body><p/><div id='1'/><center><i/><table id='t'/><table id='u'/></center></body></html>");
  const TiXmlElement* table = FindResultTable(good.RootElement());
  ASSERT_NE(nullptr, table);
  EXPECT_STREQ("t", table->Attribute("id"));
  EXPECT_EQ(nullptr, FindResultTable(nullptr));
}

// Nothing of a page that acts instead of showing gets past the parse: in
// every cell, link or not, each control and bidirectional mark is a blank,
// written raw or as a character reference; the characters beside each range
// stay.
TEST(ParseResultPage, BlanksControlsAndBidirectionalMarksInEveryCell) {
  const struct {
    const wchar_t* cell;
    const wchar_t* text;
  } cases[] = {
      {L"G1\u202ELIVE", L"G1 LIVE"},       {L"\x1B[31mA\x07", L" [31mA "},
      {L"A\u009B2J\u0085", L"A 2J "},      {L"\u200F\u061CB\u200E", L"  B "},
      {L"\u2066x\u2069\u202A", L" x  "},   {L"&#9;=1&#13;", L" =1 "},
      {L"x\u2028y\u2029\u007F", L"x y  "}, {L"\u061B\u200D\u2027\u202F\u2065\u206A\u00A0", nullptr},
  };
  for (const auto& c : cases) {
    std::wstring row = L"<tr>";
    for (int i = 1; i <= TicketRow::kFieldCount; ++i) {
      const bool link = i == 3 || i == 4 || i == 5 || i == 15 || i == 16;
      row += link ? L"<td><a>" + std::wstring(c.cell) + L"</a></td>" : L"<td>" + std::wstring(c.cell) + L"</td>";
    }
    std::vector<TicketRow> rows;
    ASSERT_EQ(ResultPage::Rows, ParseResultPage(Page(row + L"</tr>"), rows));
    ASSERT_EQ(1u, rows.size());
    for (int i = 0; i < TicketRow::kFieldCount; ++i) EXPECT_EQ(c.text ? c.text : c.cell, rows[0].Field(i)) << i;
  }
}

// The site's words: the first paragraph of a result division without a
// table, read by the parse that finds no table; the rows stay.
TEST(ResultPageMessage, ReadsTheFirstParagraphOfATablelessResult) {
  const std::wstring start = L"<html><body><div><p>查询</p></div><div id=\"result\"><h3>北京</h3>";
  const std::wstring end = L"</div></body></html>";
  const std::wstring longText(300, L'长');
  const std::pair<std::wstring, std::wstring> cases[] = {
      {start + L"<p class=\"message\"> 2026-12-01 已经过去。\r\n</p><p>x</p>" + end, L"2026-12-01 已经过去。"},
      {start + L"<p>日期<b>“\u202Ex”</b>无法&#27;识别。</p>" + end, L"日期“ x”无法 识别。"},
      {start + L"<p>" + longText + L"</p>" + end, longText.substr(0, kMaxSiteMessageChars - 1) + L"\u2026"},
      {start + L"<p>x</p><table><tr/></table>" + end, L""},
  };
  for (const auto& [page, expected] : cases) {
    EXPECT_EQ(expected, ResultPageMessage(page));
    std::vector<TicketRow> rows = Existing();
    std::wstring message = L"earlier";
    EXPECT_EQ(expected.empty() ? ResultPage::Rows : ResultPage::NoTable, ParseResultPage(page, rows, message));
    EXPECT_EQ(expected, message);
    EXPECT_EQ(expected.empty() ? 0u : 1u, rows.size());
  }
}
