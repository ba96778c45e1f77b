// Parsing of skin documents with TinyXML. The parser recurses once per nesting
// level, so documents are checked for their nesting depth before they reach it.
#pragma once

#include <string>

class TiXmlDocument;

// Deeper documents are refused; the program's own documents nest less than ten
// levels.
constexpr int kMaxSkinXmlDepth = 256;

// Maximum element nesting depth of an XML text, counted the way the parser
// will see it (comments, CDATA sections, declarations and quoted attribute
// values do not count). An upper bound for text that is not well-formed.
int XmlNestingDepth(const char* text);

// Parses a zero-terminated skin document as UTF-8 (a leading byte-order mark
// is accepted). False when the text is null, nests deeper than
// kMaxSkinXmlDepth or does not parse; `document` then holds no elements.
bool ParseSkinDocument(const char* text, TiXmlDocument& document);
inline bool ParseSkinDocument(const std::string& bytes, TiXmlDocument& document) {
  return ParseSkinDocument(bytes.c_str(), document);
}

// Reads skin document `resourceId` (type "xml", skin folder first) and parses
// it as ParseSkinDocument does. False when it cannot be read or parsed.
bool LoadSkinDocument(unsigned resourceId, TiXmlDocument& document);
