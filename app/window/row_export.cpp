#include "app/window/row_export.h"

#include <commdlg.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "app/window/query_status.h"
#include "skin/resources/unique_handle.h"

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

bool AskCsvPath(HWND owner, const std::wstring& name, std::wstring& folder, std::wstring& path) {
  path = name + L".csv";
  path.resize(MAX_PATH * 4, L'\0');
  std::wstring filter = TableString(status_text::kCsvFilter);
  filter += L'\0';
  filter += L"*.csv";
  filter += L'\0';
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = &path[0];
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrDefExt = L"csv";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return false;
  path.resize(wcsnlen(path.c_str(), path.size()));
  if (dialog.nFileOffset > 0 && dialog.nFileOffset <= path.size()) folder = path.substr(0, dialog.nFileOffset);
  return true;
}

std::vector<size_t> SelectedListRows(HWND list, size_t rowCount) {
  std::vector<size_t> rows;
  if (!list) return rows;
  // Each step finds a later row, so the walk ends within the list's rows.
  for (int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
       row >= 0 && static_cast<size_t>(row) < rowCount;
       row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) {
    if (!rows.empty() && static_cast<size_t>(row) <= rows.back()) break;
    rows.push_back(static_cast<size_t>(row));
  }
  return rows;
}
