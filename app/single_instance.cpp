#include "app/single_instance.h"

#include <cstdint>
#include <cstring>

const wchar_t kInstanceMappingName[] = L"{A22C80C5-65CE-4446-B817-1278FE4DBAFA}";

namespace {
constexpr UINT kRestoreTimeoutMs = 5000;
}  // namespace

bool CInstanceMapping::Open(const wchar_t* name, bool& existed) {
  existed = false;
  if (IsOpen()) return true;
  Close();
  mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name));
  if (!mapping_) return false;
  existed = GetLastError() == ERROR_ALREADY_EXISTS;
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

void BringWindowForward(HWND window) {
  // The block reads as zero until the first instance has a main window, and
  // a crashed or closing instance may leave a handle that is no longer a
  // window: neither may be acted on.
  if (!window || !IsWindow(window)) return;
  if (IsIconic(window)) {
    // Bounded: a hung first instance must not hang this one as well.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_SYSCOMMAND, SC_RESTORE, 0, SMTO_ABORTIFHUNG, kRestoreTimeoutMs, &ignored);
  }
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
  SetFocus(window);
}

bool CheckSingleInstance(CInstanceMapping& mapping) {
  if (mapping.IsOpen()) return true;
  bool existed = false;
  if (!mapping.Open(kInstanceMappingName, existed)) return false;
  if (!existed) return true;  // the first instance keeps the block open
  BringWindowForward(mapping.ReadWindow());
  mapping.Close();
  return false;
}
