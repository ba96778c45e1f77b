#include "skin/resources/parse_util.h"

#include <climits>

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <typename Char>
int ParseDecimalText(const Char* text) {
  if (!text) return 0;
  bool negative = false;
  if (*text == Char('+') || *text == Char('-')) {
    negative = *text == Char('-');
    ++text;
  }
  // Accumulate as a negative number so that INT_MIN itself is representable.
  long long value = 0;
  for (; *text >= Char('0') && *text <= Char('9'); ++text) {
    if (value > -static_cast<long long>(INT_MAX) - 1) value = value * 10 - (*text - Char('0'));
  }
  if (!negative) {
    value = -value;
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
  }
  return value < INT_MIN ? INT_MIN : static_cast<int>(value);
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
