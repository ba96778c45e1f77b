#include "app/server_config.h"

#include <windows.h>

#include <cwctype>

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
  };
  return kEntries[static_cast<int>(kind)];
}

bool IsHostChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'.' ||
         c == L'-' || c == L'_';
}

std::wstring Trimmed(const std::wstring& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && std::iswspace(text[begin])) ++begin;
  while (end > begin && std::iswspace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

std::wstring ServerAddress::HostPort() const {
  if (port == 80) return host;
  return host + L":" + std::to_wstring(port);
}

bool ParseServerAddress(const std::wstring& text, ServerAddress& address) {
  const std::wstring value = Trimmed(text);
  const size_t colon = value.find(L':');
  const std::wstring host = value.substr(0, colon);
  if (host.empty() || host.size() > 253) return false;
  for (wchar_t c : host) {
    if (!IsHostChar(c)) return false;
  }
  unsigned long port = 80;
  if (colon != std::wstring::npos) {
    const std::wstring digits = value.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return false;
    port = 0;
    for (wchar_t c : digits) {
      if (c < L'0' || c > L'9') return false;
      port = port * 10 + static_cast<unsigned long>(c - L'0');
    }
    if (port == 0 || port > 65535) return false;
  }
  address.host = host;
  address.port = static_cast<unsigned short>(port);
  return true;
}

std::wstring ServerConfigPath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring folder(path, length);
  const size_t slash = folder.find_last_of(L"\\/");
  folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return folder + L"tavora.ini";
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
