// An unelevated program of the same user racing an update, for the entry
// tests:
//   rename_racer.exe TARGET STOP-FILE RESULT-FILE
// Tries, as fast as it can, to rename TARGET aside and put a file of its own
// under TARGET's name, until STOP-FILE exists (or 60 seconds passed); then
// writes how often it tried and how many times it got its file in
// ("tries=N swaps=M") to RESULT-FILE.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const std::wstring target = argv[1];
  const std::wstring aside = target + L".aside";
  const char impostor[] = "MZ an impostor";
  int tries = 0;
  int swaps = 0;
  const ULONGLONG deadline = GetTickCount64() + 60000;
  while (GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < deadline) {
    ++tries;
    if (!MoveFileExW(target.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) continue;
    const HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD written = 0;
    WriteFile(file, impostor, sizeof(impostor) - 1, &written, nullptr);
    CloseHandle(file);
    ++swaps;
  }
  const std::string text = "tries=" + std::to_string(tries) + " swaps=" + std::to_string(swaps);
  const HANDLE result = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (result == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(result, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(result);
  return 0;
}
