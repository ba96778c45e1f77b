#include "skin/resources/parse_util.h"

#include <climits>
#include <cwctype>

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <typename Char>
DecimalScan ScanDecimalText(std::basic_string_view<Char> text, bool allowSign) {
  DecimalScan scan;
  size_t at = 0;
  if (allowSign && at < text.size() && (text[at] == Char('+') || text[at] == Char('-'))) {
    scan.negative = text[at] == Char('-');
    ++at;
  }
  constexpr unsigned long long kMax = ~0ull;
  for (; at < text.size() && text[at] >= Char('0') && text[at] <= Char('9'); ++at, ++scan.digits) {
    const unsigned digit = static_cast<unsigned>(text[at] - Char('0'));
    scan.magnitude = scan.magnitude > (kMax - digit) / 10 ? kMax : scan.magnitude * 10 + digit;
  }
  scan.wholeText = at == text.size();
  return scan;
}

template <typename Char>
std::basic_string_view<Char> ViewOf(const Char* text) {
  return text ? std::basic_string_view<Char>(text) : std::basic_string_view<Char>();
}

template <typename Char>
int ParseDecimalText(const Char* text) {
  const DecimalScan scan = ScanDecimalText(ViewOf(text), true);
  // INT_MIN's magnitude is one more than INT_MAX's.
  const unsigned long long limit = scan.negative ? static_cast<unsigned long long>(INT_MAX) + 1 : INT_MAX;
  const unsigned long long magnitude = scan.magnitude < limit ? scan.magnitude : limit;
  return scan.negative ? static_cast<int>(-static_cast<long long>(magnitude)) : static_cast<int>(magnitude);
}

}  // namespace

std::uint32_t ParseHex(const char* text, int maxDigits) {
  if (!text) return 0;
  std::uint32_t value = 0;
  for (int count = 0; text[count] != '\0' && (maxDigits < 0 || count < maxDigits); ++count) {
    const int digit = HexDigitValue(text[count]);
    if (digit < 0) return 0;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

BkColor ParseColor(const char* text) {
  if (!text) return 0;
  BkColor color = 0;
  const char* pair = text;
  for (int component = 0; component < 3; ++component) {
    // ParseHex stops at the terminating zero, so a short text yields 0 for the
    // pairs it lacks and the pointer never moves past the end.
    color |= (ParseHex(pair, 2) & 0xFFu) << (8 * component);
    for (int i = 0; i < 2 && *pair != '\0'; ++i) ++pair;
  }
  return color;
}

int ParseDecimal(const char* text) { return ParseDecimalText(text); }
int ParseDecimal(const wchar_t* text) { return ParseDecimalText(text); }

DecimalScan ScanDecimal(std::string_view text, bool allowSign) { return ScanDecimalText(text, allowSign); }
DecimalScan ScanDecimal(std::wstring_view text, bool allowSign) { return ScanDecimalText(text, allowSign); }

unsigned long long ParseLeadingDecimal(const char* text) { return ScanDecimalText(ViewOf(text), false).magnitude; }

bool ParseWholeDecimal(std::wstring_view text, unsigned long long maxValue, unsigned long long& value) {
  const DecimalScan scan = ScanDecimalText(text, false);
  if (scan.digits == 0 || !scan.wholeText || scan.magnitude > maxValue) return false;
  value = scan.magnitude;
  return true;
}

std::wstring_view TrimWhiteSpace(std::wstring_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::iswspace(text[begin])) ++begin;
  while (end > begin && std::iswspace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}
