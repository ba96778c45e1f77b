#include "app/entry/single_instance.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "app/platform/bring_forward.h"
#include "app/update/named_guard.h"

const wchar_t kInstanceMappingName[] = L"Local\\{A22C80C5-65CE-4446-B817-1278FE4DBAFA}";

namespace {

// The full path of a process's program file; empty when it cannot be read.
std::wstring ProcessImagePath(DWORD processId) {
  const UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return std::wstring();
  wchar_t path[MAX_PATH] = L"";
  DWORD length = MAX_PATH;
  if (!QueryFullProcessImageNameW(process.get(), 0, path, &length)) return std::wstring();
  return std::wstring(path, length);
}

struct InstanceSearch {
  std::wstring image;
  HWND found = nullptr;
};

BOOL CALLBACK MatchInstanceWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<InstanceSearch*>(data);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId == GetCurrentProcessId() || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
  const std::wstring image = ProcessImagePath(processId);
  if (image.empty() || _wcsicmp(image.c_str(), search->image.c_str()) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

bool CInstanceMapping::Open(const wchar_t* name, bool& existed) {
  existed = false;
  if (IsOpen()) return true;
  Close();
  const NamedObjectState state = CreateNamedObject(
      [&](SECURITY_ATTRIBUTES* attributes) {
        return CreateFileMappingW(INVALID_HANDLE_VALUE, attributes, PAGE_READWRITE, 0, size, name);
      },
      mapping_);
  if (state == NamedObjectState::kTaken) return false;
  existed = state == NamedObjectState::kFound;
  view_.reset(MapViewOfFileEx(mapping_.get(), access, 0, 0, size, nullptr));
  if (!view_) {
    Close();
    existed = false;
    return false;
  }
  return true;
}

void CInstanceMapping::Close() {
  view_.reset();
  mapping_.reset();
}

HWND CInstanceMapping::ReadWindow() const {
  if (!view_) return nullptr;
  uint32_t value = 0;
  std::memcpy(&value, view_.get(), sizeof(value));
  // Window handles are 32-bit values across processes, also for 64-bit ones.
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
}

bool CInstanceMapping::WriteWindow(HWND window) {
  if (!view_) return false;
  const uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
  std::memcpy(view_.get(), &value, sizeof(value));
  return true;
}

HWND FindRunningInstanceWindow() {
  InstanceSearch search;
  search.image = ProcessImagePath(GetCurrentProcessId());
  if (search.image.empty()) return nullptr;
  EnumWindows(MatchInstanceWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool CheckSingleInstance(CInstanceMapping& mapping) {
  if (mapping.IsOpen()) return true;
  bool existed = false;
  if (!mapping.Open(kInstanceMappingName, existed)) {
    const HWND running = FindRunningInstanceWindow();
    if (!running) return true;
    BringWindowForward(running);
    return false;
  }
  if (!existed) return true;  // the first instance keeps the block open
  BringWindowForward(mapping.ReadWindow());
  mapping.Close();
  return false;
}
