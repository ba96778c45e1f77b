// tavora.exe as the tests build it: the same program, except that downloaded
// setups must be signed with the demo site's test key instead of the release
// key. Never shipped.
#include <windows.h>

#include "app/entry/tavo_module.h"
#include "tests/app/update/update_test_key.h"

namespace {
CtavoModule tavoModule;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPWSTR commandLine, int /*show*/) {
  tavoModule.updateKey = &TestUpdateKey();
  return tavoModule.Run(instance, commandLine);
}
