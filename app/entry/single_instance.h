// The single-instance guard: a named 4-byte shared memory block of the
// session that the first instance creates and keeps open for its whole life,
// holding the handle of its main window for later instances to bring
// forward. The block is made and trusted as app/update/named_guard.h
// describes, so another program of the user cannot keep the program from
// starting by making the name first.
#pragma once

#include <windows.h>

#include "skin/resources/unique_handle.h"

// The name of the shared block, the same for every instance of the program.
extern const wchar_t kInstanceMappingName[];

class CInstanceMapping {
 public:
  static constexpr DWORD kSize = 4;
  static constexpr DWORD kAccess = FILE_MAP_ALL_ACCESS;

  CInstanceMapping() = default;

  // Creates or opens the named block (paging-file backed, read/write) and
  // maps its view. False when either step fails or when the name is held by
  // something that is not the program's own block; `existed` tells whether
  // another instance had created it before.
  bool Open(const wchar_t* name, bool& existed);
  void Close();
  bool IsOpen() const { return static_cast<bool>(view_); }

  // The window handle stored in the block (null when closed or never set).
  HWND ReadWindow() const;
  // Stores a window handle as its 4 bytes; false when the block is not open.
  bool WriteWindow(HWND window);

  DWORD size = kSize;
  DWORD access = kAccess;

 private:
  // The view is declared after the mapping so that it is unmapped first.
  UniqueKernelHandle mapping_;
  UniqueMappedView view_;
};

// A visible, unowned top-level window of another process started from the
// same program file as this one; null when there is none.
HWND FindRunningInstanceWindow();

// The guard itself. True when this process may run its main window: the
// block was already open here, or this call created it. When another
// instance holds it, that instance's window is brought forward and the
// answer is false. When the block cannot be had at all (the name is taken
// by another program, or the block cannot be made), a running instance's
// window found by its program file is brought forward instead (false);
// with none found the process runs unguarded (true) rather than end with
// nothing shown.
bool CheckSingleInstance(CInstanceMapping& mapping);
