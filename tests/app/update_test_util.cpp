#include "tests/app/update_test_util.h"

#include "skin/resources/text_encoding.h"
#include "tests/support/test_support.h"

namespace {

const UpdatePublicKey kTestKey = {{
    0x61, 0x08, 0x4D, 0xA5, 0xBE, 0x65, 0x82, 0x2B, 0x93, 0x88, 0x4D, 0xB1, 0x21, 0x60, 0x84, 0x46,
    0xD5, 0xC3, 0x60, 0x2B, 0xFD, 0x3C, 0x8A, 0x59, 0xB3, 0x5A, 0xE1, 0x47, 0xB4, 0x12, 0x04, 0x6E,
    0x2F, 0x13, 0x45, 0xB5, 0x27, 0xA5, 0xFA, 0x41, 0x04, 0x44, 0x83, 0x1B, 0x75, 0x99, 0xF4, 0x79,
    0x7D, 0xF5, 0x44, 0x69, 0x44, 0x9F, 0x48, 0xA0, 0xC1, 0x29, 0x19, 0x3E, 0x81, 0x67, 0x45, 0x64,
}};

const wchar_t kLastTimeKey[] = L"SOFTWARE\\tavo\\LastTime";

}  // namespace

const UpdatePublicKey& TestUpdateKey() { return kTestKey; }

DemoSite& UpdateDemoSite() {
  static DemoSite site;
  if (site.Port() == 0) site.Start("--setup-program " + UnixPath(ProgramFolder() + L"record_args.exe"));
  return site;
}

std::wstring UpdateSiteUrl(const std::wstring& path) { return L"http://" + UpdateDemoSite().HostPort() + path; }

std::wstring VariantUrl(const std::wstring& variant) {
  return UpdateSiteUrl(L"/ini/" + variant + L"/tavo/update.php?v=1,0,0,35");
}

std::wstring SignWithTestKey(const std::wstring& path) {
  // Wine neither waits for a Unix program nor keeps its output: the script
  // writes its line into a file, which appears whole.
  const wchar_t kPython[] = L"Z:\\usr\\bin\\python3";
  const std::wstring out = path + L".signature";
  DeleteFileW(out.c_str());
  const std::wstring command = std::wstring(kPython) + L" " + Utf8ToWide(UnixPath(SourcePath("tools/sign_release.py"))) +
                               L" sign --key " +
                               Utf8ToWide(UnixPath(SourcePath("tools/update_test_signing_key.pem"))) + L" " +
                               Utf8ToWide(UnixPath(path)) + L" --out " + Utf8ToWide(UnixPath(out));
  RunProcess(command, 60000, kPython);
  std::string line;
  PumpUntil([&] { return !(line = ReadFileBytes(out)).empty(); }, 60000);
  const std::string prefix = "Signature=";
  if (line.compare(0, prefix.size(), prefix) != 0 || line.size() < prefix.size() + 128) return std::wstring();
  return Utf8ToWide(line.substr(prefix.size(), 128));
}

void ClearLastCheck() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLastTimeKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, L"LastCheckUpdate");
  RegCloseKey(key);
}

void StoreLastCheck(DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLastTimeKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(key, L"LastCheckUpdate", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  RegCloseKey(key);
}

int CountLines(const std::string& log, const std::string& text) {
  int count = 0;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    if (log.substr(start, end - start).find(text) != std::string::npos) {
      ++count;
    }
    start = end + 1;
  }
  return count;
}
