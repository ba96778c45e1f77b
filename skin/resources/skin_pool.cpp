#include "skin/resources/skin_pool.h"

#include <tinyxml.h>

#include <cstring>
#include <utility>

#include "skin/resources/image_skins.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/png_skins.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/skin_xml.h"

// ---- helpers shared by the skin kinds ----------------------------------------

bool ParsePartWord(const std::string& word, unsigned& part) {
  static const struct {
    const char* word;
    unsigned part;
  } kWords[] = {
      {"all", 0x2F}, {"top", 0x2B}, {"middle", 0x2A}, {"bottom", 0x2E},
      {"left", 0x0F}, {"center", 0x07}, {"right", 0x27},
  };
  for (const auto& entry : kWords) {
    if (word == entry.word) {
      part = entry.part;
      return true;
    }
  }
  return false;
}

void ReadCommaNumbers(const std::string& value, int* const* fields, int count) {
  size_t start = 0;
  for (int field = 0; field < count && start <= value.size(); ++field) {
    size_t comma = value.find(',', start);
    size_t end = comma == std::string::npos ? value.size() : comma;
    size_t first = value.find_first_not_of(" \t\r\n", start);
    if (first == std::string::npos || first >= end) return;  // an empty piece ends reading
    size_t last = value.find_last_not_of(" \t\r\n", end - 1);
    *fields[field] = ParseDecimal(value.substr(first, last - first + 1));
    if (comma == std::string::npos) return;
    start = comma + 1;
  }
}

int ThreePieceIndex(int state) {
  if (state == -1) return -1;
  if (state & kSkinStateDisabled) return 3;
  if (state & kSkinStatePushed) return 2;
  return state & kSkinStateHover;
}

// ---- the pool ----------------------------------------------------------------

BkSkinPool& BkSkinPool::Instance() {
  static BkSkinPool pool;
  return pool;
}

std::unique_ptr<CBkSkinBase> CreateSkinByTag(const char* tag) {
  if (!tag) return nullptr;
  using Factory = std::unique_ptr<CBkSkinBase> (*)();
  static const struct {
    const char* tag;
    Factory make;
  } kKinds[] = {
      {CBkImageSkin::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkImageSkin); }},
      {CBkSkinImgFrame::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkSkinImgFrame); }},
      {CBkSkinBorder::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkSkinBorder); }},
      {CBkSkinButton::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkSkinButton); }},
      {CBkSkinImgHorzExtend::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkSkinImgHorzExtend); }},
      {CBkSkinImgHorzTiled::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkSkinImgHorzTiled); }},
      {CBkSkinImgVertExtend::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkSkinImgVertExtend); }},
      {CBkSkinGradation::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkSkinGradation); }},
      {CBkPngSkin::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkPngSkin); }},
      {CBkPngSkinEx::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkPngSkinEx); }},
      {CBkSkinPngTruncate::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkSkinPngTruncate); }},
      {CBkSkinCheck::kTag, [] { return std::unique_ptr<CBkSkinBase>(new CBkSkinCheck); }},
  };
  for (const auto& kind : kKinds)
    if (std::strcmp(tag, kind.tag) == 0) return kind.make();
  return nullptr;
}

bool LoadSkins(unsigned resourceId) {
  std::string bytes;
  if (!LoadSkinResource(resourceId, bytes, L"xml")) return false;

  auto& skins = BkSkinPool::Instance().Skins();
  skins.clear();

  TiXmlDocument document;
  if (!ParseSkinDocument(bytes, document)) return false;
  const TiXmlElement* root = document.RootElement();
  if (!root || root->ValueStr() != "skins") return true;

  for (const TiXmlElement* child = root->FirstChildElement(); child; child = child->NextSiblingElement()) {
    const char* name = child->Attribute("name");
    const char* tag = child->Value();
    if (!name || !tag) continue;
    std::unique_ptr<CBkSkinBase> skin = CreateSkinByTag(tag);
    if (!skin) continue;
    skin->Load(child);
    skins[name] = std::move(skin);  // replaces (and deletes) a skin of the same name
  }
  return true;
}

CBkSkinBase* GetSkin(const std::string& name) {
  auto& skins = BkSkinPool::Instance().Skins();
  auto found = skins.find(name);
  return found == skins.end() ? nullptr : found->second.get();
}

CBkSkinBase* GetSkin(const char* name) { return name ? GetSkin(std::string(name)) : nullptr; }
