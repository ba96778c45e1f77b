#include "tests/app/update/update_test_util.h"

#include "skin/resources/text_encoding.h"
#include "tests/support/test_support.h"

namespace {

const wchar_t kLastTimeKey[] = L"SOFTWARE\\tavo\\LastTime";

}  // namespace

ScratchUpdateFolder::ScratchUpdateFolder(const std::string& name)
    : path_(MakeScratchFolder("update-folder-" + name)), variable_(L"TAVORA_UPDATE_FOLDER", path_) {}

std::vector<std::wstring> ScratchUpdateFolder::Files(const std::wstring& pattern) const {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((path_ + L"\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

DemoSite& UpdateDemoSite() {
  static DemoSite site;
  if (site.Port() == 0) site.Start("--setup-program " + UnixPath(ProgramFolder() + L"record_args.exe"));
  return site;
}

std::wstring UpdateSiteUrl(const std::wstring& path) { return L"http://" + UpdateDemoSite().HostPort() + path; }

std::wstring VariantUrl(const std::wstring& variant) {
  return UpdateSiteUrl(L"/ini/" + variant + L"/tavo/update.php?v=1,0,0,35");
}

std::wstring SignWithTestKey(const std::wstring& path, const std::wstring& version) {
  // Wine neither waits for a Unix program nor keeps its output: the script
  // writes its line into a file, which appears whole.
  const wchar_t kPython[] = L"Z:\\usr\\bin\\python3";
  const std::wstring out = path + L".signature";
  DeleteFileW(out.c_str());
  const auto quoted = [](const std::wstring& windowsPath) { return L"\"" + Utf8ToWide(UnixPath(windowsPath)) + L"\""; };
  const std::wstring command = std::wstring(kPython) + L" " + quoted(SourcePath("tools/sign_release.py")) +
                               L" sign --key " + quoted(SourcePath("tools/update_test_signing_key.pem")) +
                               L" --version " + version + L" " + quoted(path) + L" --out " + quoted(out);
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
