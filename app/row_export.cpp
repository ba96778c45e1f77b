#include "app/row_export.h"

#include <algorithm>

#include "app/query_page.h"
#include "skin/resources/text_encoding.h"
#include "skin/resources/unique_handle.h"

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

bool CopyTextToClipboard(HWND owner, const std::wstring& text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  UniqueGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!block) return false;
  void* memory = GlobalLock(block.get());
  if (!memory) return false;
  std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(memory));
  GlobalUnlock(block.get());
  if (!OpenClipboard(owner)) return false;
  bool placed = false;
  if (EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, block.get())) {
    // The clipboard owns the block now.
    (void)block.release();
    placed = true;
  }
  CloseClipboard();
  return placed;
}

bool WriteFileWhole(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L".tavora-part";
  bool written = false;
  {
    UniqueKernelHandle file(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD done = 0;
    written = bytes.size() <= MAXDWORD &&
              WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
              done == bytes.size() && FlushFileBuffers(file.get());
  }
  if (written && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temporary.c_str());
  return false;
}
