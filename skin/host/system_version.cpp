#include "skin/host/system_version.h"

bool ReadSystemVersion(DWORD& major, DWORD& minor) {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  // The program wants the version it is shown (compatibility settings
  // included), which is what GetVersionExW answers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&version)) return false;
#pragma GCC diagnostic pop
  major = version.dwMajorVersion;
  minor = version.dwMinorVersion;
  return true;
}
