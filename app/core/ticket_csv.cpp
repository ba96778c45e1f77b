#include "app/core/ticket_csv.h"

#include <algorithm>

#include "app/core/result_columns.h"
#include "skin/resources/text_encoding.h"

namespace {

// Cells of one row in the list's column order.
std::vector<std::wstring> Cells(const TicketRow& row) {
  std::vector<std::wstring> cells = RowTexts(row);
  for (std::wstring& cell : cells) cell = SpreadsheetSafeCell(cell);
  return cells;
}

std::wstring TabField(std::wstring text) {
  std::replace_if(
      text.begin(), text.end(), [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }, L' ');
  return text;
}

std::wstring CsvField(const std::wstring& text) {
  if (text.find_first_of(L",\"\r\n") == std::wstring::npos) return text;
  std::wstring quoted = L"\"";
  for (const wchar_t c : text) {
    if (c == L'"') quoted += L'"';
    quoted += c;
  }
  return quoted + L"\"";
}

template <typename Field>
std::wstring Lines(const std::vector<std::wstring>& titles, const std::vector<TicketRow>& rows, wchar_t separator,
                   Field field) {
  std::wstring text;
  const auto line = [&](const std::vector<std::wstring>& cells) {
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) text += separator;
      text += field(cells[i]);
    }
    text += L"\r\n";
  };
  line(titles);
  for (const TicketRow& row : rows) line(Cells(row));
  return text;
}

}  // namespace

std::wstring SpreadsheetSafeCell(const std::wstring& cell) {
  if (cell.empty()) return cell;
  const wchar_t first = cell[0];
  const bool dashes = cell.find_first_not_of(L'-') == std::wstring::npos;
  if (first == L'=' || first == L'+' || first == L'@' || (first == L'-' && !dashes)) return L"'" + cell;
  return cell;
}

std::wstring RowsAsTabText(const std::vector<std::wstring>& titles, const std::vector<TicketRow>& rows) {
  return Lines(titles, rows, L'\t', TabField);
}

std::string RowsAsCsv(const std::vector<std::wstring>& titles, const std::vector<TicketRow>& rows) {
  return "\xEF\xBB\xBF" + WideToUtf8(Lines(titles, rows, L',', CsvField));
}
