#include "app/core/ticket_csv.h"

#include <gtest/gtest.h>

#include <string>

#include "skin/resources/text_encoding.h"

// A cell a spreadsheet would run gets its apostrophe whatever stands before
// its first sign (blanks, a tab, a line break, other spaces) and in the
// full-width forms; dashes and spaces alone, and signs further in, stay.
TEST(SpreadsheetSafeCell, NeutralisesFormulasBehindSpacesAndInFullWidth) {
  for (const wchar_t* cell :
       {L"=1+1", L"+1", L"-1", L"@A1", L" =1", L"\t=1", L"\r+1", L"\n-1", L"  @x", L"\u00A0=1", L"\u3000=1", L"\uFF1D1",
        L"\uFF0B1", L"\uFF0D1", L"\uFF20A1", L" \uFF1D1", L"--x", L"=--"})
    EXPECT_EQ(L"'" + std::wstring(cell), SpreadsheetSafeCell(cell)) << WideToUtf8(cell);
  for (const wchar_t* cell : {L"", L"--", L" - ", L"-", L"  ", L"G1", L"1=1", L"\u6709", L"a-b"})
    EXPECT_EQ(cell, SpreadsheetSafeCell(cell)) << WideToUtf8(cell);
}

// Some spreadsheets split fields at semicolons and tabs as at commas.
TEST(RowsAsCsv, QuotesSemicolonsAndTabs) {
  TicketRow row;
  row.trainCode = L"a;b";
  row.fromStation = L"c\td";
  row.toStation = L"e f";
  EXPECT_NE(std::string::npos, RowsAsCsv({L"x"}, {row}).find("\r\n\"a;b\",\"c\td\",e f,")) << RowsAsCsv({}, {row});
}
