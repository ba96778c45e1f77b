#include "app/core/page_text.h"

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// The longest start of `text` of at most `maxUnits` units that does not end
// inside a surrogate pair.
size_t ClippedLength(const std::wstring& text, size_t maxUnits) {
  if (text.size() <= maxUnits) return text.size();
  size_t length = maxUnits;
  // A high surrogate last would lose its partner.
  if (length > 0 && IsHighSurrogate(text[length - 1])) --length;
  return length;
}

}  // namespace

bool IsControlCharacter(wchar_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::wstring BlankControls(std::wstring text) {
  for (wchar_t& c : text) {
    if (IsControlCharacter(c)) c = L' ';
  }
  return text;
}

std::wstring ShortenText(std::wstring text, size_t maxUnits) {
  static constexpr wchar_t kEllipsis = L'\u2026';
  if (text.size() <= maxUnits) return text;
  if (maxUnits < 2) {
    text.resize(ClippedLength(text, maxUnits));
    return text;
  }
  text.resize(ClippedLength(text, maxUnits - 1));
  text += kEllipsis;
  return text;
}
