#include "skin/resources/skin_xml.h"

#include <tinyxml.h>

#include <utility>

#include "skin/resources/skin_resource.h"

bool ParseSkinDocument(std::string bytes, TiXmlDocument& document) {
  return ParseXmlDocument(std::move(bytes), document);
}

bool ParseSkinDocument(const char* text, TiXmlDocument& document) { return ParseXmlDocument(text, document); }

bool LoadSkinDocument(unsigned resourceId, TiXmlDocument& document) {
  std::string bytes;
  if (!LoadSkinResource(resourceId, bytes, L"xml")) return false;
  return ParseSkinDocument(std::move(bytes), document);
}
