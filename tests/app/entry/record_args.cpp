// A tiny program for the entry tests: writes its own command line, as UTF-8,
// to the file named by the environment variable TAVORA_RECORD_ARGS_FILE, and
// exits with 0 (1 when it could not write). The file appears whole: it is
// written under another name first and then renamed. A second line gives
// the temporary folder it was started with ("TMP=..."). When
// TAVORA_RECORD_SELF_AFTER_MS holds a number, it first waits that long and
// then reads its own file again by name, as a setup program reads its own
// data, and a third line gives how many bytes it found ("self=N").
#include <windows.h>

#include <cwchar>
#include <string>

#include "skin/resources/text_encoding.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  wchar_t target[MAX_PATH] = L"";
  const DWORD length = GetEnvironmentVariableW(L"TAVORA_RECORD_ARGS_FILE", target, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  const std::wstring finalPath(target, length);
  const std::wstring partPath = finalPath + L".part";
  std::string bytes = WideToUtf8(GetCommandLineW());
  wchar_t temp[MAX_PATH] = L"";
  const DWORD tempLength = GetEnvironmentVariableW(L"TMP", temp, MAX_PATH);
  bytes += "\nTMP=" + WideToUtf8(std::wstring(temp, tempLength < MAX_PATH ? tempLength : 0));
  wchar_t after[16] = L"";
  if (GetEnvironmentVariableW(L"TAVORA_RECORD_SELF_AFTER_MS", after, 16) > 0) {
    Sleep(static_cast<DWORD>(_wtoi(after)));
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    HANDLE own = CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size = {};
    if (own == INVALID_HANDLE_VALUE || !GetFileSizeEx(own, &size)) size.QuadPart = -1;
    if (own != INVALID_HANDLE_VALUE) CloseHandle(own);
    bytes += "\nself=" + std::to_string(size.QuadPart);
  }

  HANDLE file = CreateFileW(partPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != bytes.size()) return 1;
  return MoveFileExW(partPath.c_str(), finalPath.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
