// Shared pieces of the update tests: the test signing key, a demo site that
// also serves record_args.exe as a setup program, a scratch temporary
// folder, and the registry value of the last offer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/update/update_signature.h"
#include "tests/app/update/update_test_key.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"


// The version the demo site offers, newer than the program's own.
constexpr wchar_t kOfferedVersion[] = L"1,0,0,36";

// An update folder of its own for one test (TAVORA_UPDATE_FOLDER), new and
// empty, for as long as the object lives.
class ScratchUpdateFolder {
 public:
  explicit ScratchUpdateFolder(const std::string& name);
  const std::wstring& Path() const { return path_; }
  // The files in it whose names match `pattern` ("tavoSetup-*.exe").
  std::vector<std::wstring> Files(const std::wstring& pattern) const;

 private:
  std::wstring path_;
  ScopedEnvironment variable_;
};

// The demo site of this test program, started with record_args.exe as its
// recorder setup program.
DemoSite& UpdateDemoSite();
// "http://127.0.0.1:PORT" + path.
std::wstring UpdateSiteUrl(const std::wstring& path);
// The update URL of an INI variant of the demo site.
std::wstring VariantUrl(const std::wstring& variant);

// The signature text (128 hexadecimal digits) tools/sign_release.py gives
// `path` offered as `version` ("1,0,0,36") with the test key; "" when it
// failed.
std::wstring SignWithTestKey(const std::wstring& path, const std::wstring& version = kOfferedVersion);

// Removes LastCheckUpdate, or stores `value` in it.
void ClearLastCheck();
void StoreLastCheck(DWORD value);

// Counts lines of `log` that contain `text`.
int CountLines(const std::string& log, const std::string& text);
