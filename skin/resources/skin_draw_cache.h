// What a bitmap skin drew at one size and state, kept so that the next paint
// at that size and state is one copy instead of a cut-and-stretch of every
// piece. Only opaque drawing is kept (plain and colour-keyed copies, solid
// fills): each pixel is either written or left alone, never blended with the
// destination, so copying the written pixels back gives the same result.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "skin/resources/gdi_handles.h"

class SkinDrawCache {
 public:
  // Entries one skin keeps, and the largest picture one entry holds (pixels);
  // a draw past that is never kept.
  static constexpr int kEntriesPerSkin = 4;
  static constexpr long long kMaxEntryPixels = 2560LL * 1600LL;
  // Rectangles of written pixels one entry may be copied as; a drawing with
  // more holes than that is drawn each time.
  static constexpr int kMaxCoverRects = 64;

  // Draws into `rect` on `dc` at `state` through `draw`, from the kept entry
  // when there is one. `extent` is how far right and down of the rectangle's
  // corner the drawing may reach (at least the rectangle's size).
  void Draw(HDC dc, const RECT& rect, int state, SIZE extent,
            const std::function<void(HDC dc, const RECT& rect, int state)>& draw);

  void Clear() { entries_.clear(); }

 private:
  struct Entry {
    int width = 0, height = 0, state = 0;
    bool usable = false;  // false: drawing of this key is not kept
    SIZE extent = {};
    GdiObject<HBITMAP> picture;
    std::vector<RECT> cover;  // the written pixels, relative to the corner
    unsigned lastUse = 0;
  };

  Entry* Find(int width, int height, int state);
  Entry& Make(HDC dc, int width, int height, int state, SIZE extent,
              const std::function<void(HDC dc, const RECT& rect, int state)>& draw);

  std::vector<Entry> entries_;
  unsigned useClock_ = 0;
};
