#include "app/platform/program_folder.h"

#include <algorithm>

namespace {

// The longest path the system hands out, terminating zero included.
constexpr size_t kLongestPath = 32768;

}  // namespace

std::wstring ModuleFilePath(HMODULE module, size_t firstBufferLength) {
  std::wstring path(std::clamp<size_t>(firstBufferLength, 1, kLongestPath), L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    // A path that does not fit is cut to the buffer: try a larger one.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= kLongestPath) return std::wstring();
    path.resize(std::min(path.size() * 2, kLongestPath));
  }
}

std::wstring ProgramFilePath() { return ModuleFilePath(nullptr); }

std::wstring FolderOfPath(std::wstring_view path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, slash + 1));
}

std::wstring ProgramFolderPath() { return FolderOfPath(ProgramFilePath()); }

std::wstring FinalPathOfHandle(HANDLE handle) {
  // Room for "\\?\UNC\" in front of a path that still fits MAX_PATH without it.
  constexpr DWORD kFinalPathChars = MAX_PATH + 16;
  wchar_t buffer[kFinalPathChars] = L"";
  const DWORD length = GetFinalPathNameByHandleW(handle, buffer, kFinalPathChars, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= kFinalPathChars) return std::wstring();
  std::wstring path(buffer, length);
  const std::wstring device = L"\\\\?\\";
  const std::wstring unc = device + L"UNC\\";
  if (path.compare(0, unc.size(), unc) == 0) {
    path = L"\\\\" + path.substr(unc.size());
  } else if (path.compare(0, device.size(), device) == 0) {
    path = path.substr(device.size());
  }
  return path.size() < MAX_PATH ? path : std::wstring();
}
