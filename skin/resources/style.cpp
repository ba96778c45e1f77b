#include "skin/resources/style.h"

#include <tinyxml.h>

#include <utility>

#include "skin/resources/font_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/skin_xml.h"

HRESULT BkStyle::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT base = CBkObject::SetAttribute(name, value, loading);
  if (base != kAttributeNotHandled) return base;

  static const struct {
    const char* name;
    BkColor BkStyle::*field;
  } kColours[] = {
      {"crbg", &BkStyle::crbg},       {"crbghover", &BkStyle::crbghover},   {"crtext", &BkStyle::crtext},
      {"crhover", &BkStyle::crhover}, {"crdisabled", &BkStyle::crdisabled}, {"crfocus", &BkStyle::crfocus},
  };
  for (const auto& colour : kColours) {
    if (name == colour.name) {
      this->*colour.field = ParseColor(value);
      return kAttributeHandledAlternate;
    }
  }

  if (name == "name") {
    this->name = value;
  } else if (name == "skin") {
    skin = value;
  } else if (name == "border") {
    border = value;
  } else if (name == "textmode") {
    textmode = ParseHex(value);
  } else if (name == "font") {
    font = BkFontPool::GetFont(ParseHex(value) & 0xFFFF);
  } else if (name == "hoverfont") {
    hoverfont = BkFontPool::GetFont(ParseHex(value) & 0xFFFF);
  } else if (name == "x-margin") {
    xMargin = ParseDecimal(value);
  } else if (name == "y-margin") {
    yMargin = ParseDecimal(value);
  } else if (name == "margin") {
    yMargin = ParseDecimal(value);
    xMargin = yMargin;
  } else if (name == "spacing") {
    spacing = ParseDecimal(value);
  } else if (name == "linespacing") {
    linespacing = ParseDecimal(value);
  } else if (name == "cursor") {
    if (value == "hand") {
      cursor = kCursorHand;
    } else if (value == "arrow") {
      cursor = kCursorArrow;
    } else if (value == "ibeam") {
      cursor = kCursorIBeam;
    } else {
      return kAttributeNotHandled;
    }
    return kAttributeHandledAlternate;
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

BkStylePool& BkStylePool::Instance() {
  static BkStylePool pool;
  return pool;
}

namespace {

bool LoadStylesFrom(unsigned resourceId) {
  TiXmlDocument document;
  if (!LoadSkinDocument(resourceId, document)) return false;
  const TiXmlElement* root = document.RootElement();
  if (!root || root->ValueStr() != "style") return false;

  // Build the new set aside and swap it in, so that the pool never holds a
  // half-loaded set.
  std::map<std::string, BkStyle> styles;
  styles.emplace(std::string(), BkStyle());
  for (const TiXmlElement* entry = root->FirstChildElement("class"); entry;
       entry = entry->NextSiblingElement("class")) {
    const char* name = entry->Attribute("name");
    if (!name) continue;
    styles[name].Load(entry);
  }
  BkStylePool::Instance().Styles().swap(styles);
  return true;
}

}  // namespace

bool LoadStyles(unsigned resourceId) {
  return LoadFolderFirst([resourceId] { return LoadStylesFrom(resourceId); });
}

const BkStyle& GetStyle(const std::string& name) {
  auto& styles = BkStylePool::Instance().Styles();
  const auto found = styles.find(name);
  if (found != styles.end()) return found->second;
  return styles[std::string()];
}
