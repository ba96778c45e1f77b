// Skin documents: parsed as every XML document of the program is
// (xml_document.h), and read by resource id.
#pragma once

#include <string>

#include "skin/resources/xml_document.h"

class TiXmlDocument;

// Parses a skin document: ParseXmlDocument.
bool ParseSkinDocument(std::string bytes, TiXmlDocument& document);
bool ParseSkinDocument(const char* text, TiXmlDocument& document);

// Reads skin document `resourceId` (type "xml", skin folder first) and parses
// it as ParseSkinDocument does. False when it cannot be read or parsed.
bool LoadSkinDocument(unsigned resourceId, TiXmlDocument& document);
