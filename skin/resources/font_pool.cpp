#include "skin/resources/font_pool.h"

#include <cwchar>

#include "skin/resources/dpi_scale.h"

namespace {

// The description of the platform's default user-interface font.
LOGFONTW DefaultUiFont() {
  LOGFONTW font = {};
  if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font) != sizeof(font)) {
    font = LOGFONTW{};
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
  }
  return font;
}

}  // namespace

BkFontPool::BkFontPool() { BuildBaseFont(); }

BkFontPool& BkFontPool::Instance() {
  static BkFontPool pool;
  return pool;
}

void BkFontPool::BuildBaseFont() {
  base_ = DefaultUiFont();
  base_.lfHeight = height_;
  // Face names longer than the logical font allows are cut, never overrun.
  std::wmemset(base_.lfFaceName, L'\0', LF_FACESIZE);
  face_.copy(base_.lfFaceName, LF_FACESIZE - 1);
  base_.lfQuality = ANTIALIASED_QUALITY;
  HFONT font = CreateFontIndirectW(&base_);
  if (font) {
    fonts_[0] = FontHandle(font);
  } else {
    fonts_.erase(0);
  }
}

HFONT BkFontPool::GetFont(unsigned id) {
  BkFontPool& pool = Instance();
  id &= 0xFFFF;
  const auto found = pool.fonts_.find(id);
  if (found != pool.fonts_.end()) return found->second.get();

  LOGFONTW description = pool.base_;
  description.lfWeight = (id & kBold) ? FW_BOLD : FW_NORMAL;
  description.lfItalic = (id & kItalic) ? TRUE : FALSE;
  description.lfUnderline = (id & kUnderline) ? TRUE : FALSE;
  // Heights are negative, so a positive delta makes the font taller.
  description.lfHeight -= static_cast<signed char>(static_cast<unsigned char>(id >> 8));
  HFONT font = CreateFontIndirectW(&description);
  if (font) pool.fonts_[id] = FontHandle(font);
  return font;
}

HFONT BkFontPool::GetScaledFont(unsigned id, int dpi) {
  dpi = ClampDpi(dpi);
  if (dpi == kBaseDpi) return GetFont(id);
  BkFontPool& pool = Instance();
  const unsigned key = static_cast<unsigned>(dpi) << 16 | (id & 0xFFFF);
  const auto found = pool.scaledFonts_.find(key);
  if (found != pool.scaledFonts_.end()) return found->second.get();
  LOGFONTW description = {};
  const HFONT unscaled = GetFont(id);
  if (!unscaled || GetObjectW(unscaled, sizeof(description), &description) != sizeof(description)) return nullptr;
  description.lfHeight = ScaleToDpi(description.lfHeight, dpi);
  HFONT font = CreateFontIndirectW(&description);
  if (font) pool.scaledFonts_[key] = FontHandle(font);
  return font;
}

HFONT BkFontPool::GetFontByFlags(bool bold, bool underline, bool italic, int sizeDelta) {
  unsigned id = (bold ? kBold : 0) | (underline ? kUnderline : 0) | (italic ? kItalic : 0);
  id |= (static_cast<unsigned>(sizeDelta) & 0xFF) << 8;
  return GetFont(id);
}

void BkFontPool::SetDefaultFont(const wchar_t* face, int height) {
  BkFontPool& pool = Instance();
  pool.face_ = face ? face : L"";
  pool.height_ = height;
  const auto old = pool.fonts_.find(0);
  if (old != pool.fonts_.end()) {
    pool.retired_.push_back(std::move(old->second));
    pool.fonts_.erase(old);
  }
  for (auto& scaled : pool.scaledFonts_) pool.retired_.push_back(std::move(scaled.second));
  pool.scaledFonts_.clear();
  pool.BuildBaseFont();
}

void BkFontPool::Reset() {
  BkFontPool& pool = Instance();
  pool.fonts_.clear();
  pool.scaledFonts_.clear();
  pool.retired_.clear();
  pool.face_ = kInitialFace;
  pool.height_ = kInitialHeight;
  pool.BuildBaseFont();
}

std::wstring BkFontPool::BaseFace() { return Instance().face_; }
int BkFontPool::BaseHeight() { return Instance().height_; }
