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

namespace {

template <typename Kind>
std::unique_ptr<CBkSkinBase> MakeKind() {
  return std::make_unique<Kind>();
}

}  // namespace

std::unique_ptr<CBkSkinBase> CreateSkinByTag(const char* tag) {
  if (!tag) return nullptr;
  static const struct {
    const char* tag;
    std::unique_ptr<CBkSkinBase> (*make)();
  } kKinds[] = {
      {CBkImageSkin::kTag, &MakeKind<CBkImageSkin>},
      {CBkSkinImgFrame::kTag, &MakeKind<CBkSkinImgFrame>},
      {CBkSkinBorder::kTag, &MakeKind<CBkSkinBorder>},
      {CBkSkinButton::kTag, &MakeKind<CBkSkinButton>},
      {CBkSkinImgHorzExtend::kTag, &MakeKind<CBkSkinImgHorzExtend>},
      {CBkSkinImgHorzTiled::kTag, &MakeKind<CBkSkinImgHorzTiled>},
      {CBkSkinImgVertExtend::kTag, &MakeKind<CBkSkinImgVertExtend>},
      {CBkSkinGradation::kTag, &MakeKind<CBkSkinGradation>},
      {CBkPngSkin::kTag, &MakeKind<CBkPngSkin>},
      {CBkPngSkinEx::kTag, &MakeKind<CBkPngSkinEx>},
      {CBkSkinPngTruncate::kTag, &MakeKind<CBkSkinPngTruncate>},
      {CBkSkinCheck::kTag, &MakeKind<CBkSkinCheck>},
  };
  for (const auto& kind : kKinds)
    if (std::strcmp(tag, kind.tag) == 0) return kind.make();
  return nullptr;
}

namespace {

bool LoadSkinsFrom(unsigned resourceId) {
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

}  // namespace

bool LoadSkins(unsigned resourceId) {
  return LoadFolderFirst([resourceId] { return LoadSkinsFrom(resourceId); });
}

CBkSkinBase* GetSkin(const std::string& name) {
  auto& skins = BkSkinPool::Instance().Skins();
  auto found = skins.find(name);
  return found == skins.end() ? nullptr : found->second.get();
}

CBkSkinBase* GetSkin(const char* name) { return name ? GetSkin(std::string(name)) : nullptr; }
