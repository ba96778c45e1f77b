// Fonts by id. A font id says how a font differs from the base font: bit 0
// italic, bit 1 underline, bit 2 bold (weight 700, else 400), high byte a
// signed size delta in pixels. Id 0 is the base font. Every variant is created
// once and kept, with its handle, for the rest of the run.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "skin/resources/gdi_handles.h"

class BkFontPool {
 public:
  static constexpr const wchar_t* kInitialFace = L"Tahoma";
  static constexpr int kInitialHeight = -11;
  static constexpr unsigned kItalic = 0x1;
  static constexpr unsigned kUnderline = 0x2;
  static constexpr unsigned kBold = 0x4;

  // The font of `id` (low 16 bits used), created on first use; null when the
  // font cannot be created (the next call tries again).
  static HFONT GetFont(unsigned id);
  // The font of `id` with its height scaled from 96 DPI to `dpi`, for native
  // windows, which draw without the hosts' transform; GetFont(id) at 96.
  static HFONT GetScaledFont(unsigned id, int dpi);
  // GetFont of the id formed from the flags and the low 8 bits of sizeDelta.
  static HFONT GetFontByFlags(bool bold, bool underline, bool italic, int sizeDelta);
  // Sets the base face (null: empty face) and height (logical-font
  // convention: negative is the character height in pixels) and rebuilds
  // font 0. Variants made earlier keep their face and height.
  static void SetDefaultFont(const wchar_t* face, int height);

  static std::wstring BaseFace();
  static int BaseHeight();
  // Back to the state of a new process: the initial face and height, no
  // fonts but the base one (fonts handed out before are deleted).
  static void Reset();

 private:
  using FontHandle = GdiObject<HFONT>;

  BkFontPool();
  static BkFontPool& Instance();
  void BuildBaseFont();

  LOGFONTW base_ = {};
  std::wstring face_ = kInitialFace;
  int height_ = kInitialHeight;
  std::map<unsigned, FontHandle> fonts_;
  // Scaled variants by (DPI << 16 | id).
  std::map<unsigned, FontHandle> scaledFonts_;
  // Base fonts replaced by SetDefaultFont. Styles may still hold their
  // handles, so they stay alive (and unused by the pool) until the end.
  std::vector<FontHandle> retired_;
};
