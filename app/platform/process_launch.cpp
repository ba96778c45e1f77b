#include "app/platform/process_launch.h"

#include <shellapi.h>

#include <vector>

namespace {

bool PathFitsTheShell(const std::wstring& path) { return !path.empty() && path.size() < MAX_PATH; }


// Starts `path` through the shell; true when it started. `process` gets the
// new process's handle when the shell gives one.
bool ShellStart(const std::wstring& path, const std::wstring& parameters, bool elevate, UniqueKernelHandle& process) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  // SEE_MASK_FLAG_NO_UI: a missing or broken program fails quietly instead
  // of leaving a system error box that keeps this process from ending.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.hwnd = nullptr;
  info.lpVerb = elevate ? L"runas" : L"open";
  info.lpFile = path.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  // The shell's own buffers are MAX_PATH long (a much longer path crashes
  // Wine's ShellExecuteExW): such a path is refused before the call.
  if (!PathFitsTheShell(path) || !ShellExecuteExW(&info)) return false;
  process.reset(info.hProcess);
  return true;
}

}  // namespace

UniqueKernelHandle LaunchProcessHandle(const std::wstring& path, const std::wstring& parameters, bool elevate) {
  UniqueKernelHandle process;
  ShellStart(path, parameters, elevate, process);
  return process;
}

bool LaunchProcess(const std::wstring& path, const std::wstring& parameters, bool elevate, bool wait) {
  UniqueKernelHandle process;
  if (!ShellStart(path, parameters, elevate, process)) return false;
  if (wait && process) WaitForSingleObject(process.get(), INFINITE);
  return true;
}

ProcessWithOutput StartProcessWithOutput(const std::wstring& path, const std::wstring& parameters) {
  ProcessWithOutput started;
  if (!PathFitsTheShell(path)) return started;
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  SECURITY_ATTRIBUTES inherited = {sizeof(inherited), nullptr, TRUE};
  if (!CreatePipe(&read, &write, &inherited, 0)) return started;
  UniqueKernelHandle output(read);
  const UniqueKernelHandle childEnd(write);
  // Only the child's end is inherited.
  if (!SetHandleInformation(output.get(), HANDLE_FLAG_INHERIT, 0)) return started;
  std::wstring commandLine = L"\"" + path + L"\" " + parameters;
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = childEnd.get();
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(path.c_str(), buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
    return started;
  CloseHandle(process.hThread);
  started.process.reset(process.hProcess);
  started.output = std::move(output);
  return started;
}
