// The program's GUI entry point.
#include <windows.h>

#include "app/entry/tavo_module.h"

namespace {
CtavoModule tavoModule;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPWSTR commandLine, int /*show*/) {
  return tavoModule.Run(instance, commandLine);
}
