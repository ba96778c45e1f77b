// Small helpers shared by the tests.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// Windows path of a file or folder of the source tree ("tools/demo_site.py").
std::wstring SourcePath(const std::string& relative);
// A new, empty scratch folder below the build folder; Windows path, no slash at the end.
std::wstring MakeScratchFolder(const std::string& name);
// Folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();
// "Z:\a\b" → "/a/b", for Unix programs (the demo site, Python scripts).
std::string UnixPath(const std::wstring& windowsPath);

// Reads a whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Pumps this thread's messages until `done` holds or the time runs out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// What a message box of this process showed to the user on another thread
// (AnswerMessageBox), once `done`.
struct SeenBox {
  std::atomic<bool> done{false};
  std::wstring text;
  HWND owner = nullptr;
  DWORD thread = 0;
  bool yes = false;
  bool cancel = false;
};
// A user on another thread: waits (up to a minute) for a shown message box
// of this process with `caption` (any caption when null) and its text and
// `button`, notes what it shows and clicks `button`. The box's own thread
// must serve its messages meanwhile (PumpUntil on `seen.done`).
std::thread AnswerMessageBox(const wchar_t* caption, int button, SeenBox& seen);

// Runs a program, waits for it (up to timeoutMs) and captures its standard
// output and error. exitCode is -1 when it did not end in time.
struct ProcessResult {
  DWORD exitCode = static_cast<DWORD>(-1);
  std::string out;
  std::string err;
  DWORD elapsedMs = 0;
};
// `application` names the program file when its name has no ".exe" (a Unix
// program, which Wine starts directly); null takes it from the command line.
ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs, const wchar_t* application = nullptr);

// `longCount` when the long runs are asked for (TAVORA_LONG_TESTS=1, the
// ctest label "long"), `shortCount` otherwise: soaks and load runs keep a
// short version in every run.
int LongOrShortRun(int longCount, int shortCount);

// Sets an environment variable of this process (inherited by children) and
// restores the old value when it goes out of scope.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const std::wstring& value);
  ~ScopedEnvironment();

 private:
  std::wstring name_;
  std::wstring old_;
  bool hadOld_ = false;
};

// A real top-level window that counts the messages it receives; hidden
// unless asked to show (without activation).
class MessageCounterWindow {
 public:
  explicit MessageCounterWindow(bool visible = false);
  ~MessageCounterWindow();
  HWND hwnd() const { return hwnd_; }
  int Count(UINT message) const;
  // The wParam of the last `message` received (0 before the first).
  WPARAM LastWParam(UINT message) const;
  void Reset();

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  int counts_[0x2000] = {};
  WPARAM lastWParams_[0x2000] = {};
};
