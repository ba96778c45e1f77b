// How a part of a PNG pool image is drawn at one size, worked out once and
// kept with the image: the opaque areas are plain copies and only the areas
// with partial transparency are blended. Blending costs per pixel (under Wine
// about 3.5 ns, so a 71 x 71 blend takes some 18 us), and the skin images are
// mostly opaque with soft edges.
//
// A copy of an opaque premultiplied pixel and a fully transparent pixel left
// out give what AlphaBlend gives for them; a scaled part is stretched once
// into a picture of its own, nearest pixel as AlphaBlend samples it, and that
// picture is then blended at scale 1. Either way the pixels are the ones one
// AlphaBlend of the whole part would give.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "skin/resources/gdi_handles.h"

// One call of a plan: a copy or a blend of a rectangle relative to the part's
// corner.
struct PngPartPiece {
  RECT rect;
  bool copy;  // false: blended
};

class PngPartPlans {
 public:
  // Parts one image keeps (room for every slice of every frame of a strip
  // such as the busy spinner's 12 frames of 3 slices: fewer would make an
  // animation plan each part again on every frame), the scaled pixels it
  // keeps for them in all (also the largest part planned), and the pieces one
  // part may be drawn as; past those a part is blended whole.
  static constexpr int kMaxPlans = 64;
  static constexpr long long kMaxScaledPixels = 2LL * 1024 * 1024;
  static constexpr int kMaxPieces = 16;
  // Opaque column runs shorter than this inside a band with transparency are
  // blended with their neighbours: a call costs more than blending them.
  static constexpr int kMinCopyColumns = 8;

  // The picture the parts come from: premultiplied 32-bit top-down rows,
  // selected into `source`.
  struct Picture {
    HDC source;
    const BYTE* bits;
    SIZE size;
  };

  // Draws source (fromX, fromY, fromW, fromH) of `picture`, which lies inside
  // it, onto (x, y, w, h) of `dc`, which takes exact copies (TakesExactCopy).
  // False, with nothing drawn, when the part cannot be kept: the caller
  // blends it.
  bool Draw(const Picture& picture, HDC dc, int x, int y, int w, int h, int fromX, int fromY, int fromW, int fromH);
  void Clear() { plans_.clear(); }

 private:
  struct Plan {
    int fromX = 0, fromY = 0, fromW = 0, fromH = 0, w = 0, h = 0;
    GdiObject<HBITMAP> scaled;         // null at scale 1: the pieces come from the image
    std::optional<MemoryDc> scaledDc;  // holds `scaled` (declared after it: goes first)
    long long scaledPixels = 0;
    std::vector<PngPartPiece> pieces;
    bool usable = false;  // false: blended whole
    unsigned lastUse = 0;
  };

  Plan* Find(int w, int h, int fromX, int fromY, int fromW, int fromH);
  Plan& Make(const Picture& picture, int w, int h, int fromX, int fromY, int fromW, int fromH);
  void MakeRoom(long long pixels);

  std::vector<Plan> plans_;
  long long scaledPixels_ = 0;
  unsigned useClock_ = 0;
};
