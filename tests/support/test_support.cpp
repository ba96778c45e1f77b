#include "tests/support/test_support.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "skin/resources/text_encoding.h"

namespace {

// Unix path of the build tree → the same place through Wine's Z: drive.
std::wstring FromUnixPath(const std::string& unixPath) {
  std::wstring path = L"Z:" + Utf8ToWide(unixPath);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

void ReadAll(HANDLE pipe, std::string* out) {
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof(buffer), &got, nullptr) && got > 0) out->append(buffer, got);
}

}  // namespace

std::wstring SourcePath(const std::string& relative) { return FromUnixPath(TAVORA_SOURCE_DIR "/" + relative); }

std::wstring MakeScratchFolder(const std::string& name) {
  std::wstring base = FromUnixPath(TAVORA_BINARY_DIR "/test-scratch");
  CreateDirectoryW(base.c_str(), nullptr);
  std::wstring folder = base + L"\\" + Utf8ToWide(name) + L"-" + std::to_wstring(GetCurrentProcessId());
  // Start empty: remove what an earlier run with the same process id left.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::string UnixPath(const std::wstring& windowsPath) {
  std::string path = WideToUtf8(windowsPath.substr(windowsPath.size() >= 2 ? 2 : 0));
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder;
}

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  ReadAll(file, &bytes);
  CloseHandle(file);
  return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(50, timeoutMs - elapsed), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs, const wchar_t* application) {
  ProcessResult result;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  CreatePipe(&outRead, &outWrite, &inherit, 0);
  CreatePipe(&errRead, &errWrite, &inherit, 0);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process = {};
  std::wstring line = commandLine;
  const DWORD start = GetTickCount();
  const BOOL created =
      CreateProcessW(application, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (created) {
    std::thread outReader(ReadAll, outRead, &result.out);
    std::thread errReader(ReadAll, errRead, &result.err);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &result.exitCode);
    } else {
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 5000);
    }
    result.elapsedMs = GetTickCount() - start;
    outReader.join();
    errReader.join();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  return result;
}

int LongOrShortRun(int longCount, int shortCount) {
  wchar_t value[8] = L"";
  const DWORD length = GetEnvironmentVariableW(L"TAVORA_LONG_TESTS", value, 8);
  return length == 1 && value[0] == L'1' ? longCount : shortCount;
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
  wchar_t buffer[1024];
  const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
  hadOld_ = n > 0 && n < 1024;
  if (hadOld_) old_.assign(buffer, n);
  SetEnvironmentVariableW(name, value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableW(name_.c_str(), hadOld_ ? old_.c_str() : nullptr); }

MessageCounterWindow::MessageCounterWindow(bool visible) {
  static const wchar_t kClass[] = L"TavoraTestMessageCounter";
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);  // a second registration fails harmlessly
  hwnd_ = CreateWindowExW(0, kClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                          GetModuleHandleW(nullptr), this);
  if (hwnd_ && visible) {
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd_);
  }
}

MessageCounterWindow::~MessageCounterWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

int MessageCounterWindow::Count(UINT message) const { return message < 0x2000 ? counts_[message] : 0; }

void MessageCounterWindow::Reset() {
  std::memset(counts_, 0, sizeof(counts_));
  std::memset(lastWParams_, 0, sizeof(lastWParams_));
}

WPARAM MessageCounterWindow::LastWParam(UINT message) const { return message < 0x2000 ? lastWParams_[message] : 0; }

LRESULT CALLBACK MessageCounterWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<MessageCounterWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && message < 0x2000) {
    ++self->counts_[message];
    self->lastWParams_[message] = wParam;
  }
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    BeginPaint(hwnd, &paint);
    EndPaint(hwnd, &paint);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

namespace {

struct BoxSearch {
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK FindShownMessageBox(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<BoxSearch*>(data);
  wchar_t name[16] = L"";
  wchar_t caption[256] = L"";
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window) || !GetClassNameW(window, name, 16) ||
      std::wstring(name) != L"#32770")
    return TRUE;
  GetWindowTextW(window, caption, 256);
  if (search->caption && std::wstring(caption) != search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

std::thread AnswerMessageBox(const wchar_t* caption, int button, SeenBox& seen) {
  return std::thread([caption, button, &seen] {
    // The box counts once it shows its text and the button.
    BoxSearch search = {caption, nullptr};
    wchar_t text[2048] = L"";
    for (int i = 0; i < 1200 && !(search.found && text[0] && GetDlgItem(search.found, button)); ++i) {
      Sleep(50);
      search.found = nullptr;
      EnumWindows(FindShownMessageBox, reinterpret_cast<LPARAM>(&search));
      if (search.found) GetDlgItemTextW(search.found, 0xFFFF, text, 2048);
    }
    const HWND box = search.found;
    seen.text = text;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.thread = GetWindowThreadProcessId(box, nullptr);
    seen.yes = GetDlgItem(box, IDYES) != nullptr;
    seen.cancel = GetDlgItem(box, IDCANCEL) != nullptr;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(box, button), BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &ignored);
    seen.done = true;
  });
}
