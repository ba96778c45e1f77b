#include "app/platform/dll_search.h"

// delayimp.h needs the types of windows.h before it.
// clang-format off
#include <windows.h>
#include <delayimp.h>
// clang-format on

// MinGW-w64's C runtime start for programs with a wide main (crt2u.o): it
// initialises the runtime, runs the static constructors, calls wWinMain or
// wmain and ends the process with its result.
extern "C" int WinMainCRTStartup();
extern "C" int mainCRTStartup();

namespace {

// Everything here may run before the C runtime has started or while a
// thread is stuck on a missing function: kernel32 only, fixed buffers, no
// static object that needs constructing.

enum class FailureReport { kMessageBox, kStandardError };

// Set by the start, before any DLL could fail.
FailureReport failureReport = FailureReport::kMessageBox;
// The first failing thread reports; the others wait for the end it brings.
LONG failureClaimed = 0;
DWORD reportingThread = 0;

constexpr DWORD kStatusDllNotFound = 0xC0000135;
constexpr DWORD kStatusEntryPointNotFound = 0xC0000139;
constexpr UINT kConsoleFailureCode = 1;

// A bounded wide text: what does not fit is left out.
class Message {
 public:
  Message& Add(const wchar_t* text) {
    while (text && *text && length_ + 1 < kCapacity) text_[length_++] = *text++;
    text_[length_] = 0;
    return *this;
  }
  // DLL and function names of an import table are ASCII; anything else is
  // shown as '?'.
  Message& AddAscii(const char* text) {
    while (text && *text && length_ + 1 < kCapacity) {
      const unsigned char c = static_cast<unsigned char>(*text++);
      text_[length_++] = c >= 0x20 && c < 0x7F ? c : L'?';
    }
    text_[length_] = 0;
    return *this;
  }
  const wchar_t* Text() const { return text_; }
  int Length() const { return static_cast<int>(length_); }

 private:
  static constexpr size_t kCapacity = 512;
  wchar_t text_[kCapacity] = {};
  size_t length_ = 0;
};

void ShowMessageBox(const Message& message) {
  // Looked up rather than imported, so that a failure of user32 itself
  // cannot come back here; the window program loads user32 at its start.
  using MessageBoxFn = int(WINAPI*)(HWND, const wchar_t*, const wchar_t*, UINT);
  const HMODULE user = GetModuleHandleW(L"user32.dll");
  const auto show =
      user ? reinterpret_cast<MessageBoxFn>(reinterpret_cast<void*>(GetProcAddress(user, "MessageBoxW"))) : nullptr;
  if (show) show(nullptr, message.Text(), L"Tavora", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void WriteStandardError(const Message& message) {
  char bytes[1024];
  const int count =
      WideCharToMultiByte(CP_UTF8, 0, message.Text(), message.Length(), bytes, sizeof(bytes), nullptr, nullptr);
  DWORD written = 0;
  if (count > 0) WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes, static_cast<DWORD>(count), &written, nullptr);
}

// Called by the delay-load helper (libmingwex's __delayLoadHelper2) when a
// DLL or one of its functions cannot be had. Without it the helper raises an
// exception that nothing of ours handles, at whatever call happened to be
// the first: the process would die mid-way (and under Wine hang in the
// debugger's start).
FARPROC WINAPI OnDelayLoadFailure(unsigned notification, PDelayLoadInfo info) {
  if (!info) return nullptr;
  if (notification == dliFailLoadLib) EndForMissingSystemLibrary(info->szDll, nullptr);
  if (notification == dliFailGetProc) {
    if (info->dlp.fImportByName) EndForMissingSystemLibrary(info->szDll, info->dlp.szProcName);
    // An import by ordinal: "#" and the number.
    char ordinal[16] = "#";
    char digits[12];
    int count = 0;
    DWORD value = info->dlp.dwOrdinal;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value && count < 11);
    for (int i = 0; i < count; ++i) ordinal[1 + i] = digits[count - 1 - i];
    ordinal[1 + count] = 0;
    EndForMissingSystemLibrary(info->szDll, ordinal);
  }
  return nullptr;
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Wine's loader (8.0) resolves the delay imports of its own DLLs through the
// search path the process started with (LdrResolveDelayLoadedAPI loads
// without a path, which means that start-up path), and SetDefaultDllDirectories
// does not change it: the program's folder and the current folder come
// before the system folder there. Windows resolves them through the
// restricted search. On the window's way Wine's gdiplus delay-loads
// windowscodecs (which imports propsys) and its uxtheme msimg32, so under
// Wine the window program loads those itself, from the system folder, before
// anything could look for them elsewhere: a DLL already loaded is found by
// its name.
void LoadWineDelayImportsFromSystemFolder() {
  if (!RunningUnderWine()) return;
  static const wchar_t* const kDelayLoadedByWine[] = {L"windowscodecs.dll", L"msimg32.dll"};
  for (const wchar_t* dll : kDelayLoadedByWine) LoadLibraryW(dll);
}

}  // namespace

// The delay-load helper reads this hook; being constant-initialised, it is
// set before any code runs.
PfnDliHook __pfnDliFailureHook2 = OnDelayLoadFailure;

void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                       reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                 : nullptr;
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryW(L"");
}

void EndForMissingSystemLibrary(const char* dll, const char* function) {
  const DWORD code = failureReport == FailureReport::kStandardError ? kConsoleFailureCode
                     : function                                     ? kStatusEntryPointNotFound
                                                                    : kStatusDllNotFound;
  if (InterlockedExchange(&failureClaimed, 1) != 0) {
    // The reporting thread itself, from a message its box dispatched: it
    // cannot wait for its own box.
    if (reportingThread == GetCurrentThreadId()) TerminateProcess(GetCurrentProcess(), code);
    // Another thread is reporting and will end the process.
    for (;;) Sleep(INFINITE);
  }
  reportingThread = GetCurrentThreadId();
  Message message;
  if (failureReport == FailureReport::kStandardError) {
    message.Add(L"tavora-query: ").AddAscii(dll);
    if (function) {
      message.Add(L" in the system folder has no ").AddAscii(function);
    } else {
      message.Add(L" could not be loaded from the system folder");
    }
    message.Add(L"\n");
    WriteStandardError(message);
  } else {
    if (function) {
      message.Add(L"系统文件夹中的 ").AddAscii(dll).Add(L" 缺少 ").AddAscii(function).Add(L"，本软件无法运行。");
    } else {
      message.Add(L"无法从系统文件夹加载 ").AddAscii(dll).Add(L"，本软件无法运行。");
    }
    ShowMessageBox(message);
  }
  TerminateProcess(GetCurrentProcess(), code);
  for (;;) Sleep(INFINITE);
}

extern "C" int TavoraWindowsStart() {
  failureReport = FailureReport::kMessageBox;
  RestrictDllSearch();
  if (!LoadLibraryW(L"user32.dll")) EndForMissingSystemLibrary("user32.dll", nullptr);
  LoadWineDelayImportsFromSystemFolder();
  return WinMainCRTStartup();
}

extern "C" int TavoraConsoleStart() {
  failureReport = FailureReport::kStandardError;
  RestrictDllSearch();
  return mainCRTStartup();
}
