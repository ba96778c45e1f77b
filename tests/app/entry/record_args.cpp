// A tiny program for the entry tests: writes its own command line, as UTF-8,
// to the file named by the environment variable TAVORA_RECORD_ARGS_FILE, and
// exits with 0 (1 when it could not write). The file appears whole: it is
// written under another name first and then renamed.
#include <windows.h>

#include <string>

#include "skin/resources/text_encoding.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  wchar_t target[MAX_PATH] = L"";
  const DWORD length = GetEnvironmentVariableW(L"TAVORA_RECORD_ARGS_FILE", target, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  const std::wstring finalPath(target, length);
  const std::wstring partPath = finalPath + L".part";
  const std::string bytes = WideToUtf8(GetCommandLineW());

  HANDLE file = CreateFileW(partPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != bytes.size()) return 1;
  return MoveFileExW(partPath.c_str(), finalPath.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
