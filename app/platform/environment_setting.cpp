#include "app/platform/environment_setting.h"

#include <string_view>

#include "skin/resources/parse_util.h"

DWORD EnvironmentMilliseconds(const wchar_t* name, DWORD defaultMs, DWORD maxMs) {
  wchar_t text[16] = L"";
  const DWORD length = GetEnvironmentVariableW(name, text, 16);
  if (length == 0 || length >= 16) return defaultMs;
  unsigned long long value = 0;
  if (!ParseWholeDecimal(std::wstring_view(text, length), maxMs, value) || value == 0) return defaultMs;
  return static_cast<DWORD>(value);
}
