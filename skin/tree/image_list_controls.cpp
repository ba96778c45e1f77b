#include "skin/tree/image_list_controls.h"

#include <shellapi.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "skin/resources/parse_util.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/text_encoding.h"

namespace {

// SHGFI_ICON | SHGFI_DISPLAYNAME.
constexpr UINT kShellIconFlags = 768;

std::string SlotName(const char* prefix, int index) {
  char name[32];
  std::snprintf(name, sizeof(name), "%s%d", prefix, index);
  return name;
}

// Calls `apply(slot, value)` for every "slot=value" piece of a comma list;
// pieces without '=' or starting with it are skipped.
template <typename Apply>
void ForEachPair(const std::string& text, Apply apply) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string piece = text.substr(start, end - start);
    const size_t equals = piece.find('=');
    if (equals != std::string::npos && equals >= 1) apply(piece.substr(0, equals), piece.substr(equals + 1));
    start = end + 1;
  }
}

// Lives for the whole run: the icons it hands out are drawn by any element
// naming the same file, so none of them is destroyed while the program runs.
std::map<std::string, UniqueIcon>& FileIconCache() {
  static auto* cache = new std::map<std::string, UniqueIcon>();
  return *cache;
}

// The icon of `utf8Path`: from the cache, or from the shell (kept in the cache
// while it has room, otherwise handed to `transient`). Null without one.
HICON LookUpFileIcon(const std::string& utf8Path, UniqueIcon& transient) {
  auto& cache = FileIconCache();
  const auto found = cache.find(utf8Path);
  if (found != cache.end()) return found->second.get();
  const std::wstring path = Utf8ToWide(utf8Path);
  if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), kShellIconFlags) || !info.hIcon) return nullptr;
  UniqueIcon icon(info.hIcon);
  if (cache.size() >= kMaxCachedFileIcons) {
    transient = std::move(icon);
    return transient.get();
  }
  return cache.emplace(utf8Path, std::move(icon)).first->second.get();
}

}  // namespace

size_t CachedFileIconCount() { return FileIconCache().size(); }

void ClearFileIconCache() { FileIconCache().clear(); }

// ---- "imglisth" -----------------------------------------------------------------

bool CBkImageListHWnd::Load(const TiXmlElement* element) {
  const bool loaded = CBkWindow::Load(element);
  if (!element) return loaded;
  skins_.clear();
  subs_.clear();
  for (int index = 0; index < imageCount_; ++index) {
    skins_[SlotName("skin", index)].clear();
    subs_[SlotName("sub", index)] = -1;
  }
  // The lists were applied while loading, before the reset: once more, in
  // document order, so that they win over it.
  for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
    if (attribute->NameTStr() == "skinlist" || attribute->NameTStr() == "sublist") {
      SetAttribute(attribute->NameTStr(), attribute->ValueStr(), true);
    }
  }
  return loaded;
}

HRESULT CBkImageListHWnd::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkWindow::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "skin") {
    skin_.Set(value);
  } else if (name == "sub") {
    sub_ = ParseDecimal(value);
  } else if (name == "imagecount") {
    imageCount_ = std::clamp(ParseDecimal(value), 0, kMaxImageCount);
  } else if (name == "skinlist") {
    if (!value.empty()) ApplySkinList(value);
  } else if (name == "sublist") {
    if (!value.empty()) ApplySubList(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

void CBkImageListHWnd::ApplySkinList(const std::string& text) {
  skinList_ = text;
  ForEachPair(text, [this](const std::string& slot, const std::string& skin) {
    skins_[slot] = GetSkin(skin) ? skin : std::string();
  });
}

void CBkImageListHWnd::ApplySubList(const std::string& text) {
  subList_ = text;
  ForEachPair(text, [this](const std::string& slot, const std::string& sub) { subs_[slot] = ParseDecimal(sub); });
}

CBkSkinBase* CBkImageListHWnd::SlotSkin(const std::string& name) const {
  const auto found = skins_.find(name);
  return found == skins_.end() || found->second.empty() ? nullptr : GetSkin(found->second);
}

int CBkImageListHWnd::SlotSub(const std::string& name) const {
  const auto found = subs_.find(name);
  return found == subs_.end() ? -1 : found->second;
}

bool CBkImageListHWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT:
      PaintSlots(reinterpret_cast<HDC>(wParam));
      break;
    case WM_NCCALCSIZE:
      if (lParam) {
        SIZE& size = *reinterpret_cast<SIZE*>(lParam);
        OnNcCalcSize(wParam != 0, size);
        if (const CBkSkinBase* skin = skin_.Get()) {
          const SIZE natural = skin->GetNaturalSize();
          if (natural.cx != 0) size.cx = natural.cx;
          if (natural.cy != 0) size.cy = natural.cy;
        }
      }
      break;
    default:
      return CBkWindow::ProcessMessage(message, wParam, lParam, result);
  }
  SetMsgHandled(true);
  return true;
}

void CBkImageListHWnd::PaintSlots(HDC dc) const {
  if (!dc) return;
  RECT area = GetRect();
  for (int index = 0; index < imageCount_; ++index) {
    CBkSkinBase* skin = SlotSkin(SlotName("skin", index));
    if (!skin) continue;
    skin->Draw(dc, area, SlotSub(SlotName("sub", index)));
    const int width = skin->GetNaturalSize().cx;
    area.left = SaturatingAdd(area.left, width);
    area.right = SaturatingAdd(area.right, width);
  }
}

// ---- "iconfrommodule" -------------------------------------------------------------

HRESULT CBkDrawFileIcon::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkWindow::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "srcfile") {
    if (!value.empty()) sourceFile_ = value;
  } else if (name == "iconhandle") {
    if (!value.empty()) {
      iconHandle_ = BorrowedIcon(reinterpret_cast<HICON>(static_cast<UINT_PTR>(ParseLeadingDecimal(value.c_str()))));
    }
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

bool CBkDrawFileIcon::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_PAINT) return CBkWindow::ProcessMessage(message, wParam, lParam, result);
  PaintIcon(reinterpret_cast<HDC>(wParam));
  SetMsgHandled(true);
  return true;
}

void CBkDrawFileIcon::PaintIcon(HDC dc) const {
  if (!dc) return;
  UniqueIcon transient;
  HICON icon = iconHandle_.get();
  if (!icon && !sourceFile_.empty()) icon = LookUpFileIcon(sourceFile_, transient);
  if (!icon) return;
  const RECT& area = GetRect();
  const int width = SaturatingSubtract(area.right, area.left);
  const int height = SaturatingSubtract(area.bottom, area.top);
  // DrawIconEx would read a zero size as the icon's own.
  if (width <= 0 || height <= 0) return;
  DrawIconEx(dc, area.left, area.top, icon, width, height, 0, nullptr, DI_NORMAL);
}
