#include "app/net/server_config.h"

#include <windows.h>

#include <string_view>

#include "app/platform/program_folder.h"
#include "skin/resources/parse_util.h"

namespace {

struct ServerEntry {
  const wchar_t* iniKey;
  const wchar_t* environmentName;
  const wchar_t* defaultAddress;
};

const ServerEntry& Entry(ServerKind kind) {
  static const ServerEntry kEntries[] = {
      {L"Query", L"TAVORA_QUERY_HOST", L"piao.tavora.net"},
      {L"Update", L"TAVORA_UPDATE_HOST", L"update.tavora.net"},
      {L"Statistics", L"TAVORA_STAT_HOST", L"stat.tavora.net"},
      {L"Home", L"TAVORA_HOME_HOST", L"www.tavora.net"},
  };
  return kEntries[static_cast<int>(kind)];
}

bool IsHostChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'.' ||
         c == L'-' || c == L'_';
}

}  // namespace

std::wstring ServerAddress::HostPort() const {
  if (port == 80) return host;
  return host + L":" + std::to_wstring(port);
}

bool ParseServerAddress(const std::wstring& text, ServerAddress& address) {
  const std::wstring value(TrimWhiteSpace(text));
  const size_t colon = value.find(L':');
  const std::wstring host = value.substr(0, colon);
  if (host.empty() || host.size() > 253) return false;
  for (wchar_t c : host) {
    if (!IsHostChar(c)) return false;
  }
  unsigned long long port = 80;
  if (colon != std::wstring::npos) {
    const std::wstring_view digits = std::wstring_view(value).substr(colon + 1);
    if (digits.size() > 5 || !ParseWholeDecimal(digits, 65535, port) || port == 0) return false;
  }
  address.host = host;
  address.port = static_cast<unsigned short>(port);
  return true;
}

std::wstring HomePageUrl() { return L"http://" + GetServerAddress(ServerKind::Home).HostPort() + L"/"; }

std::wstring ServerConfigPath() {
  const std::wstring folder = ProgramFolderPath();
  return folder.empty() ? std::wstring() : folder + L"tavora.ini";
}

ServerAddress GetServerAddress(ServerKind kind) {
  const ServerEntry& entry = Entry(kind);
  ServerAddress address;
  ParseServerAddress(entry.defaultAddress, address);

  const std::wstring iniPath = ServerConfigPath();
  if (!iniPath.empty()) {
    wchar_t value[300] = L"";
    GetPrivateProfileStringW(L"Servers", entry.iniKey, L"", value, 300, iniPath.c_str());
    if (value[0]) ParseServerAddress(value, address);
  }

  wchar_t value[300] = L"";
  const DWORD length = GetEnvironmentVariableW(entry.environmentName, value, 300);
  if (length > 0 && length < 300) ParseServerAddress(value, address);
  return address;
}
