// A DLL that planted_dlls_test.py puts beside the program and in its current
// folder under the names of system DLLs. Loaded as itself (not as Wine's
// built-in DLL of that name), it appends the path it was loaded from to the
// file that TAVORA_PLANTED_LOG names, one line each, so that the test sees
// planted code run even where the loader trace would not say so.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t log[MAX_PATH];
  const DWORD logLength = GetEnvironmentVariableW(L"TAVORA_PLANTED_LOG", log, MAX_PATH);
  if (logLength == 0 || logLength >= MAX_PATH) return TRUE;
  wchar_t path[MAX_PATH];
  const DWORD pathLength = GetModuleFileNameW(instance, path, MAX_PATH - 2);
  if (pathLength == 0 || pathLength >= MAX_PATH - 2) return TRUE;
  path[pathLength] = L'\r';
  path[pathLength + 1] = L'\n';
  char bytes[4 * MAX_PATH];
  const int count =
      WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(pathLength + 2), bytes, sizeof(bytes), nullptr, nullptr);
  const HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return TRUE;
  DWORD written = 0;
  if (count > 0) WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr);
  CloseHandle(file);
  return TRUE;
}
