#include "app/core/query_request.h"

#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"

std::wstring TrimStationName(std::wstring_view name) { return std::wstring(TrimWhiteSpace(name)); }

QueryStations MakeQueryStations(std::wstring_view from, std::wstring_view to) {
  return QueryStations{TrimStationName(from), TrimStationName(to)};
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

}  // namespace

std::string BuildQueryPath(std::wstring_view from, std::wstring_view to) {
  std::string path = "/Default.aspx?A=";
  AppendQueryValue(path, from);
  path += "&B=";
  AppendQueryValue(path, to);
  path += "&C=&D=1&S=0";
  return path;
}
