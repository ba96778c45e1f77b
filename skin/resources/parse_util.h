// Text parsers shared by everything that reads skin documents, pages,
// settings and the environment: hexadecimal digits (font ids, text modes),
// RRGGBB colours, decimals in their three readings, and white-space trimming.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A colour value in COLORREF layout (0x00BBGGRR); kColorNotSet marks a colour
// field that has no value.
using BkColor = std::uint32_t;
constexpr BkColor kColorNotSet = 0xFFFFFFFFu;

// Reads hexadecimal digits from the start of `text` until it ends or
// `maxDigits` digits have been read (-1: no limit). Any other character on
// the way makes the result 0. Null reads as the empty text (0). Values wider
// than 32 bits keep their low 32 bits.
std::uint32_t ParseHex(const char* text, int maxDigits = -1);
inline std::uint32_t ParseHex(const std::string& text, int maxDigits = -1) { return ParseHex(text.c_str(), maxDigits); }

// "RRGGBB" → 0x00BBGGRR. Each pair is read on its own: a pair that holds a
// non-hexadecimal character, or lies past the end of a short text, gives 0 for
// that component. Never reads past the terminating zero.
BkColor ParseColor(const char* text);
inline BkColor ParseColor(const std::string& text) { return ParseColor(text.c_str()); }

// A decimal number read from the start of a text: an optional sign (when
// allowed) and the ASCII digits that follow it. Every decimal reader below is
// this scan with its own rules on top.
struct DecimalScan {
  bool negative = false;
  unsigned long long magnitude = 0;  // saturates at the largest value
  size_t digits = 0;                 // how many digits were read
  bool wholeText = false;            // nothing follows the digits
};
DecimalScan ScanDecimal(std::string_view text, bool allowSign);
DecimalScan ScanDecimal(std::wstring_view text, bool allowSign);

// The lenient decimal conversion of skin documents: an optional sign and the
// digits that follow it; anything else ends the number, no digits give 0.
// Values beyond the 32-bit range saturate at INT_MIN / INT_MAX.
int ParseDecimal(const char* text);
int ParseDecimal(const wchar_t* text);
inline int ParseDecimal(const std::string& text) { return ParseDecimal(text.c_str()); }
inline int ParseDecimal(const std::wstring& text) { return ParseDecimal(text.c_str()); }

// The digits at the start of `text`, unsigned: "123abc" gives 123, text
// without leading digits (or null) gives 0; values too large saturate at the
// largest unsigned long long instead of overflowing.
unsigned long long ParseLeadingDecimal(const char* text);

// The strict reading of settings: `text` must be one or more digits and
// nothing else (no sign, no blanks), at most `maxValue`. False otherwise,
// with `value` left as it was.
bool ParseWholeDecimal(std::wstring_view text, unsigned long long maxValue, unsigned long long& value);

// `text` without the white space (iswspace) at either end; a view into `text`.
std::wstring_view TrimWhiteSpace(std::wstring_view text);

// The ASCII form of a full-width letter, digit or sign (U+FF01..U+FF5E) and
// of the ideographic space; other characters as they are.
inline wchar_t FullWidthToAscii(wchar_t c) {
  if (c >= L'\uFF01' && c <= L'\uFF5E') return static_cast<wchar_t>(L'!' + (c - L'\uFF01'));
  return c == L'\u3000' ? L' ' : c;
}
