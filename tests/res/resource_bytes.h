// Reading the test program's own embedded resources (the program's resource
// script is compiled into it) with nothing but the Windows resource calls.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include <tinyxml.h>

// Language of every embedded resource: Chinese (Simplified), 2052.
constexpr WORD kResourceLanguage = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

// Raw bytes of resource `id` of `type` in language 2052; empty when absent.
std::string ResourceBytes(const wchar_t* type, int id);

// Every language in which resource `id` of `type` exists.
std::vector<WORD> ResourceLanguages(const wchar_t* type, int id);

// An XML resource parsed from its bytes as UTF-8 (a leading byte-order mark
// is accepted), the way the skin library parses its documents.
struct ParsedXml {
  std::string bytes;
  TiXmlDocument doc;
  bool ok = false;
};
void LoadXmlResource(int id, ParsedXml& out);

using AttributeList = std::vector<std::pair<std::string, std::string>>;

// Attributes of an element in document order.
AttributeList Attributes(const TiXmlElement* element);

// Child elements in document order (all of them, or only those with a tag).
std::vector<const TiXmlElement*> Children(const TiXmlNode* parent, const char* tag = nullptr);

// Value of an attribute, or "" when it is missing.
std::string Attr(const TiXmlElement* element, const char* name);

// The first element, in document order below `root`, whose "id" is `id`.
const TiXmlElement* FindById(const TiXmlNode* root, int id);

// Tag and pos of each ancestor of `element` up to (not including) `root`,
// innermost first, as "tag@pos".
std::vector<std::string> AncestorPath(const TiXmlElement* element, const TiXmlNode* root);
