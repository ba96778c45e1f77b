#include "skin/resources/skin_pool.h"

#include <tinyxml.h>

#include <cstring>
#include <utility>

#include "skin/resources/color_skins.h"
#include "skin/resources/image_skins.h"
#include "skin/resources/png_skins.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/skin_xml.h"

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
