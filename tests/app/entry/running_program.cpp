#include "tests/app/entry/running_program.h"

#include <commctrl.h>

#include "tests/support/test_support.h"

namespace {

struct ChildSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

struct FrameSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchFrame(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<FrameSearch*>(data);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  wchar_t className[64] = L"";
  GetClassNameW(window, className, 64);
  if (processId != search->processId || !IsWindowVisible(window) || std::wstring(className) != L"TavoraSkinFrame")
    return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

std::wstring ProgramPath() { return ProgramFolder() + L"..\\..\\app\\tavora.exe"; }

std::wstring TestKeyProgramPath() { return ProgramFolder() + L"tavora_test_key.exe"; }

RunningProgram::RunningProgram(const std::wstring& program, const std::wstring& arguments) {
  std::wstring line = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
  }
}

RunningProgram::~RunningProgram() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
  WaitForSingleObject(process_, 5000);
  CloseHandle(process_);
}

HWND RunningProgram::WaitForWindow(DWORD ms) {
  PumpUntil(
      [&] {
        FrameSearch search = {processId_, nullptr};
        EnumWindows(MatchFrame, reinterpret_cast<LPARAM>(&search));
        window_ = search.found;
        return window_ && Child(kListId) && Child(kFromEditId) && Child(kToEditId);
      },
      ms);
  return window_;
}

HWND RunningProgram::Child(int id) const {
  ChildSearch search = {id, nullptr};
  if (window_) EnumChildWindows(window_, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

long RunningProgram::WaitForExit(DWORD ms) {
  if (!process_) return -1;
  PumpUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, ms);
  DWORD code = 0;
  if (!GetExitCodeProcess(process_, &code) || code == STILL_ACTIVE) return -1;
  return static_cast<long>(code);
}

void MouseClick(POINT at) {
  INPUT input[3] = {};
  for (INPUT& i : input) i.type = INPUT_MOUSE;
  input[0].mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input[0].mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &input[0], sizeof(INPUT));
  PumpUntil([] { return false; }, 100);
  SendInput(2, &input[1], sizeof(INPUT));
  PumpUntil([] { return false; }, 100);
}

void ClickSearch(const RunningProgram& program) {
  RECT list = {};
  GetWindowRect(program.Child(kListId), &list);
  SetForegroundWindow(GetAncestor(program.Child(kListId), GA_ROOT));
  MouseClick(POINT{list.right - 30, list.top - 30});
}

int ItemCount(HWND list) {
  DWORD_PTR count = 0;
  SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
  return static_cast<int>(count);
}
