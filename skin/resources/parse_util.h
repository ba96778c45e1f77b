// Number parsers shared by everything that reads skin documents: hexadecimal
// digits (font ids, text modes), RRGGBB colours and lenient decimals.
#pragma once

#include <cstdint>
#include <string>

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

// The lenient decimal conversion of skin documents: an optional sign and the
// digits that follow it; anything else ends the number, no digits give 0.
// Values beyond the 32-bit range saturate at INT_MIN / INT_MAX.
int ParseDecimal(const char* text);
int ParseDecimal(const wchar_t* text);
inline int ParseDecimal(const std::string& text) { return ParseDecimal(text.c_str()); }
inline int ParseDecimal(const std::wstring& text) { return ParseDecimal(text.c_str()); }
