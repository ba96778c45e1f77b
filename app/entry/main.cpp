// The program's GUI entry point. The process itself starts earlier, in
// TavoraWindowsStart (app/platform/dll_search.h), which restricts the DLL
// search before the C runtime starts and this module object is constructed.
#include <windows.h>

#include "app/entry/tavo_module.h"

namespace {
CtavoModule tavoModule;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPWSTR commandLine, int /*show*/) {
  return tavoModule.Run(instance, commandLine);
}
