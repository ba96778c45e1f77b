#include "app/window/row_export.h"

#include <algorithm>

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
