// The skin pool: every skin of the skin document (root "skins", one child
// element per skin, the tag naming the kind and "name" the skin), by name.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "skin/resources/skin_base.h"

// The process-wide pool. It owns its skins.
class BkSkinPool {
 public:
  static BkSkinPool& Instance();
  std::map<std::string, std::unique_ptr<CBkSkinBase>>& Skins() { return skins_; }
  void Clear() { skins_.clear(); }

 private:
  BkSkinPool() = default;
  std::map<std::string, std::unique_ptr<CBkSkinBase>> skins_;
};

// Loads skin document `resourceId` (type "xml", skin folder first).
// - The document cannot be read: false, the pool keeps its skins.
// - Otherwise every skin in the pool is deleted first; a document that does
//   not parse then gives false and an empty pool.
// - A root that is missing or not "skins" gives true with an empty pool.
// A copy in the skin folder that cannot be read or does not parse is loaded
// again from the embedded resource (LoadFolderFirst).
// Children without "name" or with an unknown tag are skipped; a later skin of
// the same name replaces (and deletes) the earlier one.
// Skins handed out by GetSkin before a reload are deleted by it; the program
// loads once, before any element exists.
bool LoadSkins(unsigned resourceId);

// The skin called `name`, or null. Valid until the next LoadSkins.
CBkSkinBase* GetSkin(const std::string& name);
CBkSkinBase* GetSkin(const char* name);

// A new skin of the kind `tag`, or null for a tag no kind answers to. Tags
// are tried in the order "imglst", "imgframe", "border", "button",
// "imghorzex", "imghorzti", "imgvertex", "gradation", "png", "pngex",
// "pngtr", "checkbox".
std::unique_ptr<CBkSkinBase> CreateSkinByTag(const char* tag);
