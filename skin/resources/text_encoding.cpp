#include "skin/resources/text_encoding.h"

#include <windows.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Skips the ASCII run at `p`, four bytes at a time where it can.
const unsigned char* SkipAscii(const unsigned char* p, const unsigned char* end) {
  while (end - p >= 4) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof(word));
    if (word & 0x80808080u) break;
    p += 4;
  }
  while (p < end && *p < 0x80) ++p;
  return p;
}

// Well-formed UTF-8 decoded into UTF-16 at `out`, which has room for
// bytes.size() units (no sequence gives more units than it has bytes).
// Answers the number of units, or -1 at the first malformed sequence, which
// the system converter then handles its own way.
ptrdiff_t DecodeUtf8(std::string_view bytes, wchar_t* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  wchar_t* o = out;
  while (p < end) {
    const unsigned char lead = *p;
    if (lead < 0x80) {
      *o++ = lead;
      ++p;
      continue;
    }
    // Most CJK text: three bytes whose lead allows any continuation byte
    // (E0 and ED limit the second one).
    if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && end - p >= 3 && IsContinuation(p[1]) && IsContinuation(p[2])) {
      *o++ = static_cast<wchar_t>(((lead & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu));
      p += 3;
      continue;
    }
    const int length = Utf8SequenceLength(p, end);
    if (length < 0) return -1;
    std::uint32_t code = lead & (0xFFu >> (length + 1));
    for (int i = 1; i < length; ++i) code = (code << 6) | (p[i] & 0x3Fu);
    p += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      *o++ = static_cast<wchar_t>(0xD800 + (code >> 10));
      *o++ = static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    } else {
      *o++ = static_cast<wchar_t>(code);
    }
  }
  return o - out;
}

bool DecodeUtf8(std::string_view bytes, std::wstring& out) {
  // Short texts such as table cells are decoded on the stack first, so that
  // the result is sized exactly (and fits the string's own buffer when small).
  constexpr size_t kShort = 64;
  if (bytes.size() <= kShort) {
    wchar_t buffer[kShort];
    const ptrdiff_t units = DecodeUtf8(bytes, buffer);
    if (units < 0) return false;
    out.assign(buffer, static_cast<size_t>(units));
    return true;
  }
  out.resize(bytes.size());
  const ptrdiff_t units = DecodeUtf8(bytes, &out[0]);
  if (units < 0) return false;
  out.resize(static_cast<size_t>(units));
  return true;
}

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Number of ASCII units at the start of `text`, tested four at a time where
// it can: markup is mostly ASCII between its other characters.
size_t AsciiRun(std::wstring_view text) {
  static_assert(sizeof(wchar_t) == 2, "UTF-16 units");
  const wchar_t* p = text.data();
  const size_t n = text.size();
  size_t i = 0;
  while (n - i >= 4) {
    std::uint64_t units;
    std::memcpy(&units, p + i, sizeof(units));
    if (units & 0xFF80FF80FF80FF80ull) break;
    i += 4;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// UTF-16 encoded as UTF-8; a surrogate without its partner becomes U+FFFD,
// as the system converter does.
std::string EncodeUtf8(std::wstring_view text, size_t spareCapacity) {
  size_t length = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t run = AsciiRun(text.substr(i));
    length += run;
    i += run;
    if (i == text.size()) break;
    const wchar_t unit = text[i];
    if (unit < 0x800) {
      length += 2;
    } else if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      length += 4;
      ++i;
    } else {
      length += 3;
    }
  }
  std::string out;
  out.reserve(length + spareCapacity);
  out.resize(length);
  auto* o = reinterpret_cast<unsigned char*>(&out[0]);
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t run = AsciiRun(text.substr(i));
    for (size_t k = 0; k < run; ++k) o[k] = static_cast<unsigned char>(text[i + k]);
    o += run;
    i += run;
    if (i == text.size()) break;
    std::uint32_t code = text[i];
    if (code < 0x800) {
      *o++ = static_cast<unsigned char>(0xC0 | (code >> 6));
      *o++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
      continue;
    }
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
      ++i;
      *o++ = static_cast<unsigned char>(0xF0 | (code >> 18));
      *o++ = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
      *o++ = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
      *o++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
      continue;
    }
    if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) code = 0xFFFD;
    *o++ = static_cast<unsigned char>(0xE0 | (code >> 12));
    *o++ = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
    *o++ = static_cast<unsigned char>(0x80 | (code & 0x3F));
  }
  return out;
}

}  // namespace

int Utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
  const unsigned char lead = p[0];
  if (lead < 0x80) return 1;
  int length;
  unsigned char low = 0x80;  // range of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return -1;
  }
  if (end - p < 2 || p[1] < low || p[1] > high) return -1;
  for (int i = 2; i < length; ++i) {
    if (end - p <= i || !IsContinuation(p[i])) return -i;
  }
  return length;
}

size_t FirstMalformedUtf8(std::string_view bytes) {
  const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = begin + bytes.size();
  const unsigned char* p = SkipAscii(begin, end);
  while (p < end) {
    const int length = Utf8SequenceLength(p, end);
    if (length < 0) break;
    p = SkipAscii(p + length, end);
  }
  return static_cast<size_t>(p - begin);
}

std::wstring MultiByteToWide(std::string_view bytes, unsigned codePage) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
  if (codePage == kCodePageUtf8) {
    std::wstring out;
    if (DecodeUtf8(bytes, out)) return out;
  }
  const int inLength = static_cast<int>(bytes.size());
  // Common code pages give at most one UTF-16 unit a byte, so one call
  // usually fills a buffer of the byte count; otherwise ask for the size.
  std::wstring out(bytes.size(), L'\0');
  int written = MultiByteToWideChar(codePage, 0, bytes.data(), inLength, &out[0], inLength);
  if (written <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), inLength, nullptr, 0);
    if (needed <= 0) return std::wstring();
    out.assign(static_cast<size_t>(needed), L'\0');
    written = MultiByteToWideChar(codePage, 0, bytes.data(), inLength, &out[0], needed);
  }
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

void AssignUtf8ToWide(std::wstring& out, std::string_view bytes) {
  if (bytes.empty()) {
    out.clear();
  } else if (bytes.size() > static_cast<size_t>(INT_MAX) || !DecodeUtf8(bytes, out)) {
    out = MultiByteToWide(bytes, kCodePageUtf8);
  }
}

std::string WideToMultiByte(std::wstring_view text, unsigned codePage, size_t spareCapacity) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return std::string();
  if (codePage == kCodePageUtf8) return EncodeUtf8(text, spareCapacity);
  const int inLength = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(codePage, 0, text.data(), inLength, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string out;
  out.reserve(static_cast<size_t>(needed) + spareCapacity);
  out.resize(static_cast<size_t>(needed));
  const int written = WideCharToMultiByte(codePage, 0, text.data(), inLength, &out[0], needed, nullptr, nullptr);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}
