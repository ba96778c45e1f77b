#include "skin/resources/bk_object.h"

#include <tinyxml.h>

#include <cstring>

bool CBkObject::HasTag(const char* name) const {
  const char* tag = GetTag();
  return name && tag && std::strcmp(name, tag) == 0;
}

const char* CBkObject::GetTag() const { return ""; }

bool CBkObject::Load(const TiXmlElement* element) {
  if (!element) return false;
  for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
    SetAttribute(attribute->NameTStr(), attribute->ValueStr(), true);
  }
  return true;
}

HRESULT CBkObject::SetAttribute(const std::string&, const std::string&, bool) { return kAttributeNotHandled; }
