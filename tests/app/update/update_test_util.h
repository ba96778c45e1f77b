// Shared pieces of the update tests: the test signing key, a demo site that
// also serves record_args.exe as a setup program, a scratch temporary
// folder, and the registry value of the last offer.
#pragma once

#include <windows.h>

#include <string>

#include "app/update/update_signature.h"
#include "tests/app/update/update_test_key.h"
#include "tests/support/demo_site.h"


// The demo site of this test program, started with record_args.exe as its
// recorder setup program.
DemoSite& UpdateDemoSite();
// "http://127.0.0.1:PORT" + path.
std::wstring UpdateSiteUrl(const std::wstring& path);
// The update URL of an INI variant of the demo site.
std::wstring VariantUrl(const std::wstring& variant);

// The signature text (128 hexadecimal digits) tools/sign_release.py gives
// `path` with the test key; "" when it failed.
std::wstring SignWithTestKey(const std::wstring& path);

// Removes LastCheckUpdate, or stores `value` in it.
void ClearLastCheck();
void StoreLastCheck(DWORD value);

// Counts lines of `log` that contain `text`.
int CountLines(const std::string& log, const std::string& text);
