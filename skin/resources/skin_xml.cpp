#include "skin/resources/skin_xml.h"

#include <tinyxml.h>

#include <cstring>

#include "skin/resources/skin_resource.h"

static_assert(kMaxSkinXmlDepth == TIXML_MAX_ELEMENT_DEPTH, "the parser's depth limit");
static_assert(kMaxSkinXmlAttributes == TIXML_MAX_ELEMENT_ATTRIBUTES, "the parser's attribute limit");

namespace {

// A lead byte declares at most four bytes; this many zeros after the text
// keep any step over a declared length inside the buffer.
constexpr size_t kZeroPadding = kXmlTextSpare;
const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the well-formed sequence at `p` (1 to 4), or, negated, the
// length of its longest well-formed prefix (at least 1) when it is malformed.
int SequenceLength(const unsigned char* p, const unsigned char* end) {
  const unsigned char lead = p[0];
  if (lead < 0x80) return 1;
  int length;
  unsigned char low = 0x80;   // range of the second byte
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

// Offset of the first malformed sequence, or the size when there is none.
size_t FirstMalformed(const std::string& text) {
  const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = begin + text.size();
  const unsigned char* p = begin;
  while (p < end) {
    if (*p < 0x80) {
      ++p;
      continue;
    }
    const int length = SequenceLength(p, end);
    if (length < 0) break;
    p += length;
  }
  return static_cast<size_t>(p - begin);
}

}  // namespace

std::string PrepareXmlText(std::string bytes) {
  const size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);

  size_t bad = FirstMalformed(bytes);
  if (bad < bytes.size()) {
    // Rebuild from the first fault on; the well-formed start is kept as it is.
    std::string repaired;
    repaired.reserve(bytes.size() + bytes.size() / 8 + kZeroPadding);
    repaired.append(bytes, 0, bad);
    const auto* end = reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + bad;
    while (p < end) {
      const int length = *p < 0x80 ? 1 : SequenceLength(p, end);
      if (length > 0) {
        repaired.append(reinterpret_cast<const char*>(p), static_cast<size_t>(length));
        p += length;
      } else {
        repaired += kReplacement;
        p += -length;
      }
    }
    bytes.swap(repaired);
  }
  bytes.append(kZeroPadding - 1, '\0');  // plus the string's own terminator
  return bytes;
}

bool ParseSkinDocument(std::string bytes, TiXmlDocument& document) {
  document.Clear();
  const std::string text = PrepareXmlText(std::move(bytes));
  document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
  if (document.Error()) {
    document.Clear();
    return false;
  }
  return true;
}

bool ParseSkinDocument(const char* text, TiXmlDocument& document) {
  if (!text) {
    document.Clear();
    return false;
  }
  return ParseSkinDocument(std::string(text), document);
}

bool LoadSkinDocument(unsigned resourceId, TiXmlDocument& document) {
  std::string bytes;
  if (!LoadSkinResource(resourceId, bytes, L"xml")) return false;
  return ParseSkinDocument(std::move(bytes), document);
}
