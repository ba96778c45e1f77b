#include "skin/resources/skin_xml.h"

#include <tinyxml.h>

#include <cstring>
#include <string>

#include "skin/resources/skin_resource.h"

namespace {

// Moves past the first occurrence of `end`, or to the terminating zero.
const char* SkipPast(const char* p, const char* end) {
  const char* found = std::strstr(p, end);
  return found ? found + std::strlen(end) : p + std::strlen(p);
}

bool StartsWith(const char* p, const char* prefix) { return std::strncmp(p, prefix, std::strlen(prefix)) == 0; }

}  // namespace

int XmlNestingDepth(const char* text) {
  if (!text) return 0;
  int depth = 0;
  int deepest = 0;
  const char* p = text;
  while (*p) {
    if (*p != '<') {
      ++p;
      continue;
    }
    if (StartsWith(p, "<!--")) {
      p = SkipPast(p + 4, "-->");
    } else if (StartsWith(p, "<![CDATA[")) {
      p = SkipPast(p + 9, "]]>");
    } else if (p[1] == '?' || p[1] == '!') {
      // Declarations, processing instructions and DTD parts end at the
      // first '>' for the parser.
      p = SkipPast(p + 2, ">");
    } else if (p[1] == '/') {
      if (depth > 0) --depth;
      p = SkipPast(p + 2, ">");
    } else {
      // A start tag: walk to its '>' over quoted attribute values; "/>"
      // closes it at once.
      ++p;
      char quote = 0;
      char last = 0;
      while (*p && (quote || *p != '>')) {
        if (quote) {
          if (*p == quote) quote = 0;
        } else if (*p == '"' || *p == '\'') {
          quote = *p;
        } else if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') {
          last = *p;
        }
        ++p;
      }
      const int level = depth + 1;
      if (level > deepest) deepest = level;
      if (last != '/') depth = level;
      if (*p) ++p;
    }
  }
  return deepest;
}

bool ParseSkinDocument(const char* text, TiXmlDocument& document) {
  document.Clear();
  if (!text || XmlNestingDepth(text) > kMaxSkinXmlDepth) return false;
  document.Parse(text, nullptr, TIXML_ENCODING_UTF8);
  if (document.Error()) {
    document.Clear();
    return false;
  }
  return true;
}

bool LoadSkinDocument(unsigned resourceId, TiXmlDocument& document) {
  std::string bytes;
  if (!LoadSkinResource(resourceId, bytes, L"xml")) return false;
  return ParseSkinDocument(bytes, document);
}
