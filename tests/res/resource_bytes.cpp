#include "tests/res/resource_bytes.h"

#include <cstdlib>
#include <cstring>

std::string ResourceBytes(const wchar_t* type, int id) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceExW(module, type, MAKEINTRESOURCEW(id), kResourceLanguage);
  if (!info) return {};
  DWORD size = SizeofResource(module, info);
  HGLOBAL handle = LoadResource(module, info);
  const void* data = handle ? LockResource(handle) : nullptr;
  if (!data || size == 0) return {};
  return std::string(static_cast<const char*>(data), size);
}

namespace {
BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}
}  // namespace

std::vector<WORD> ResourceLanguages(const wchar_t* type, int id) {
  std::vector<WORD> languages;
  EnumResourceLanguagesW(GetModuleHandleW(nullptr), type, MAKEINTRESOURCEW(id), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

void LoadXmlResource(int id, ParsedXml& out) {
  out.bytes = ResourceBytes(L"XML", id);
  out.ok = false;
  if (out.bytes.empty()) return;
  out.doc.Parse(out.bytes.c_str(), nullptr, TIXML_ENCODING_UTF8);
  out.ok = !out.doc.Error();
}

AttributeList Attributes(const TiXmlElement* element) {
  AttributeList list;
  for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next())
    list.emplace_back(a->Name(), a->Value());
  return list;
}

std::vector<const TiXmlElement*> Children(const TiXmlNode* parent, const char* tag) {
  std::vector<const TiXmlElement*> list;
  for (const TiXmlElement* e = tag ? parent->FirstChildElement(tag) : parent->FirstChildElement(); e;
       e = tag ? e->NextSiblingElement(tag) : e->NextSiblingElement())
    list.push_back(e);
  return list;
}

std::string Attr(const TiXmlElement* element, const char* name) {
  const char* value = element ? element->Attribute(name) : nullptr;
  return value ? value : "";
}

const TiXmlElement* FindById(const TiXmlNode* root, int id) {
  for (const TiXmlElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
    const char* value = e->Attribute("id");
    if (value && std::strtol(value, nullptr, 10) == id) return e;
    if (const TiXmlElement* inner = FindById(e, id)) return inner;
  }
  return nullptr;
}

std::vector<std::string> AncestorPath(const TiXmlElement* element, const TiXmlNode* root) {
  std::vector<std::string> path;
  for (const TiXmlNode* n = element->Parent(); n && n != root; n = n->Parent()) {
    const TiXmlElement* e = n->ToElement();
    if (!e) break;
    path.push_back(std::string(e->Value()) + "@" + Attr(e, "pos"));
  }
  return path;
}
