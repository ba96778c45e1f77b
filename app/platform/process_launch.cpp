#include "app/platform/process_launch.h"

#include <shellapi.h>

#include "skin/resources/unique_handle.h"

bool LaunchProcess(const std::wstring& path, const std::wstring& parameters, bool elevate, bool wait) {
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
  if (path.empty() || path.size() >= MAX_PATH || !ShellExecuteExW(&info)) return false;
  const UniqueKernelHandle process(info.hProcess);
  if (wait && process) WaitForSingleObject(process.get(), INFINITE);
  return true;
}
