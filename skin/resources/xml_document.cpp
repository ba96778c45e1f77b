#include "skin/resources/xml_document.h"

#include <tinyxml.h>

#include "skin/resources/text_encoding.h"

static_assert(kMaxXmlDepth == TIXML_MAX_ELEMENT_DEPTH, "the parser's depth limit");
static_assert(kMaxXmlAttributes == TIXML_MAX_ELEMENT_ATTRIBUTES, "the parser's attribute limit");

namespace {

// A lead byte declares at most four bytes; this many zeros after the text
// keep any step over a declared length inside the buffer.
constexpr size_t kZeroPadding = kXmlTextSpare;
const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

std::string PrepareXmlText(std::string bytes) {
  const size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);

  const size_t bad = FirstMalformedUtf8(bytes);
  if (bad < bytes.size()) {
    // Rebuild from the first fault on; the well-formed start is kept as it is.
    std::string repaired;
    repaired.reserve(bytes.size() + bytes.size() / 8 + kZeroPadding);
    repaired.append(bytes, 0, bad);
    const auto* end = reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + bad;
    while (p < end) {
      const int length = Utf8SequenceLength(p, end);
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

namespace {

// Parses text that PrepareXmlText's rules already hold for.
bool ParsePrepared(const std::string& text, TiXmlDocument& document) {
  document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
  if (document.Error()) {
    document.Clear();
    return false;
  }
  return true;
}

}  // namespace

bool ParseXmlDocument(std::string bytes, TiXmlDocument& document) {
  document.Clear();
  return ParsePrepared(PrepareXmlText(std::move(bytes)), document);
}

bool ParseXmlDocument(std::wstring text, TiXmlDocument& document) {
  document.Clear();
  // Our encoder writes only well-formed UTF-8 (a lone surrogate becomes
  // U+FFFD), so no lead byte declares more than is there and the parser
  // stops at the first zero: nothing needs checking or cutting.
  std::string bytes = WideToUtf8(text, kZeroPadding);
  std::wstring().swap(text);
  bytes.append(kZeroPadding - 1, '\0');
  return ParsePrepared(bytes, document);
}

bool ParseXmlDocument(const char* text, TiXmlDocument& document) {
  if (!text) {
    document.Clear();
    return false;
  }
  return ParseXmlDocument(std::string(text), document);
}
