#include "app/core/query_request.h"

#include <utility>

#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"

std::wstring TrimStationName(std::wstring_view name) { return std::wstring(TrimWhiteSpace(name)); }

QueryStations MakeQueryStations(std::wstring_view from, std::wstring_view to, std::wstring_view date) {
  return QueryStations{TrimStationName(from), TrimStationName(to), std::wstring(date)};
}

namespace {

bool MustEscape(unsigned char byte) {
  if (byte < 0x20 || byte == 0x7F) return true;
  switch (byte) {
    case ' ': case '#': case '%': case '&': case '+':
      return true;
    default:
      return false;
  }
}

void AppendQueryValue(std::string& path, std::wstring_view value) {
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char byte : WideToUtf8(value)) {
    if (MustEscape(byte)) {
      path += '%';
      path += kHex[byte >> 4];
      path += kHex[byte & 0x0F];
    } else {
      path += static_cast<char>(byte);
    }
  }
}

// `page` with the query of two stations and a day.
std::string StationsPath(const char* page, std::wstring_view from, std::wstring_view to, std::wstring_view date) {
  std::string path = page;
  path += "?A=";
  AppendQueryValue(path, from);
  path += "&B=";
  AppendQueryValue(path, to);
  path += "&C=";
  AppendQueryValue(path, date);
  return path;
}

}  // namespace

std::string BuildQueryPath(std::wstring_view from, std::wstring_view to, std::wstring_view date) {
  return StationsPath("/Default.aspx", from, to, date) + "&D=1&S=0";
}

std::string BuildFarePath(std::wstring_view from, std::wstring_view to, std::wstring_view date) {
  return StationsPath("/fare.aspx", from, to, date);
}

bool NormalizeTrainCode(std::wstring_view typed, std::wstring& code) {
  std::wstring normalized(TrimWhiteSpace(typed));
  if (normalized.empty() || normalized.size() > kMaxTrainCodeChars) return false;
  for (wchar_t& c : normalized) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    const bool letterOrDigit = (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
    if (!letterOrDigit) return false;
  }
  code = std::move(normalized);
  return true;
}

std::string BuildTimetablePath(std::wstring_view code, std::wstring_view date) {
  std::string path = "/train.aspx?T=";
  AppendQueryValue(path, code);
  path += "&D=1&C=";
  AppendQueryValue(path, date);
  return path;
}
