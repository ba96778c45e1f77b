/* A harmless DLL for the loader test: planted under the names of system DLLs,
   it appends its own path, one UTF-16 line, to C:\planted-loaded.txt when a
   process loads it. The file exists only if planted code ran. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t line[MAX_PATH + 2];
  const DWORD length = GetModuleFileNameW(self, line, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  line[length] = L'\r';
  line[length + 1] = L'\n';
  const HANDLE file = CreateFileW(L"C:\\planted-loaded.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return TRUE;
  DWORD written = 0;
  WriteFile(file, line, (length + 2) * sizeof(wchar_t), &written, NULL);
  CloseHandle(file);
  return TRUE;
}
