// The shown trains handed to other programs: the clipboard, and a file
// written whole or not at all (their texts are app/core/ticket_csv.h's).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Puts `text` on the clipboard as CF_UNICODETEXT; false when it could not.
bool CopyTextToClipboard(HWND owner, const std::wstring& text);

// Asks for a CSV file with the save dialog, offering `name` + ".csv" in
// `folder` (the one used last; the folder chosen is kept there, whether or
// not the file is written later). False when the user cancelled.
bool AskCsvPath(HWND owner, const std::wstring& name, std::wstring& folder, std::wstring& path);

// Writes `bytes` to `path` through a temporary file beside it that replaces
// the file only once it is whole: a failed write leaves no file of that name
// that was not there before, and an existing one as it was.
bool WriteFileWhole(const std::wstring& path, const std::string& bytes);

// The selected rows of list `list` below `rowCount`, in list order (the
// list may hold more rows than there are trains: blank filler rows).
std::vector<size_t> SelectedListRows(HWND list, size_t rowCount);

// The rows a copy takes: the selected ones in list order, or all of them
// when `all` is set or none is selected.
template <typename Row>
std::vector<Row> RowsToCopy(HWND list, const std::vector<Row>& rows, bool all) {
  std::vector<Row> copied;
  if (!all) {
    for (const size_t index : SelectedListRows(list, rows.size())) copied.push_back(rows[index]);
  }
  if (copied.empty()) copied = rows;
  return copied;
}
