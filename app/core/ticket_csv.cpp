#include "app/core/ticket_csv.h"

#include <algorithm>

#include "app/core/page_text.h"
#include "app/core/result_columns.h"
#include "skin/resources/text_encoding.h"

namespace {

CellRows TicketCells(const std::vector<TicketRow>& rows) {
  CellRows cells;
  cells.reserve(rows.size());
  for (const TicketRow& row : rows) cells.push_back(RowTexts(row));
  return cells;
}

std::wstring TabField(std::wstring text) {
  std::replace_if(
      text.begin(), text.end(), [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }, L' ');
  return text;
}

std::wstring CsvField(const std::wstring& text) {
  // Spreadsheets split on semicolons and tabs as readily as on commas.
  if (text.find_first_of(L",;\t\"\r\n") == std::wstring::npos) return text;
  std::wstring quoted = L"\"";
  for (const wchar_t c : text) {
    if (c == L'"') quoted += L'"';
    quoted += c;
  }
  return quoted + L"\"";
}

template <typename Field>
std::wstring Lines(const std::vector<std::wstring>& titles, const CellRows& rows, wchar_t separator, Field field) {
  std::wstring text;
  const auto line = [&](const std::vector<std::wstring>& cells, bool safe) {
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) text += separator;
      text += field(safe ? SpreadsheetSafeCell(cells[i]) : cells[i]);
    }
    text += L"\r\n";
  };
  line(titles, false);
  for (const std::vector<std::wstring>& row : rows) line(row, true);
  return text;
}

bool StartsFormula(wchar_t c) {
  switch (c) {
    case L'=':
    case L'+':
    case L'-':
    case L'@':
    case L'\uFF1D':  // the full-width forms, which spreadsheets take as the plain ones
    case L'\uFF0B':
    case L'\uFF0D':
    case L'\uFF20':
      return true;
    default:
      return false;
  }
}

// What a spreadsheet passes over before a formula's first character:
// blanks, the other spaces and controls.
bool IsLeadingSpace(wchar_t c) {
  return c == L' ' || c == L'\u00A0' || c == L'\u3000' || c == L'\uFEFF' || (c >= L'\u2000' && c <= L'\u200B') ||
         IsControlCharacter(c);
}

}  // namespace

std::wstring SpreadsheetSafeCell(const std::wstring& cell) {
  size_t first = 0;
  while (first < cell.size() && IsLeadingSpace(cell[first])) ++first;
  if (first == cell.size() || !StartsFormula(cell[first])) return cell;
  // "--" says "none" in a seat column, " - " joins two empty stations:
  // dashes and spaces alone run nothing.
  for (size_t i = first; i < cell.size(); ++i) {
    if (cell[i] != L'-' && !IsLeadingSpace(cell[i])) return L"'" + cell;
  }
  return cell;
}

std::wstring CellsAsTabText(const std::vector<std::wstring>& titles, const CellRows& rows) {
  return Lines(titles, rows, L'\t', TabField);
}

std::string CellsAsCsv(const std::vector<std::wstring>& titles, const CellRows& rows) {
  return "\xEF\xBB\xBF" + WideToUtf8(Lines(titles, rows, L',', CsvField));
}

std::wstring RowsAsTabText(const std::vector<std::wstring>& titles, const std::vector<TicketRow>& rows) {
  return CellsAsTabText(titles, TicketCells(rows));
}

std::string RowsAsCsv(const std::vector<std::wstring>& titles, const std::vector<TicketRow>& rows) {
  return CellsAsCsv(titles, TicketCells(rows));
}
