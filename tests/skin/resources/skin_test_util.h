// Shared pieces of the skin tests: building a skin from an XML snippet and
// comparing drawn areas with the source pixels they came from.
#pragma once

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "skin/resources/skin_pool.h"
#include "tests/skin/resources/skin_test_images.h"
#include "tests/support/dib_canvas.h"

// Not a colour of any test picture (all of them have red above 0).
const COLORREF kBackground = RGB(0, 200, 0);

inline RECT Area(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

// A skin of the kind named by the snippet's tag, loaded from its attributes
// (with the test skin folder in place). Null for an unknown tag.
template <typename Kind = CBkSkinBase>
std::unique_ptr<Kind> MakeSkin(const std::string& xml) {
  InstallTestSkinFolder();
  TiXmlDocument document;
  document.Parse(xml.c_str(), nullptr, TIXML_ENCODING_UTF8);
  const TiXmlElement* element = document.RootElement();
  if (!element) return nullptr;
  std::unique_ptr<CBkSkinBase> skin = CreateSkinByTag(element->Value());
  if (!skin) return nullptr;
  skin->Load(element);
  Kind* kind = dynamic_cast<Kind*>(skin.get());
  if (!kind) return nullptr;
  skin.release();
  return std::unique_ptr<Kind>(kind);
}

// Every pixel of the w x h area at (x, y) equals expected(dx, dy).
inline ::testing::AssertionResult AreaMatches(const DibCanvas& canvas, int x, int y, int w, int h,
                                              const std::function<COLORREF(int dx, int dy)>& expected,
                                              int tolerance = 0) {
  for (int dy = 0; dy < h; ++dy) {
    for (int dx = 0; dx < w; ++dx) {
      COLORREF actual = canvas.Pixel(x + dx, y + dy);
      COLORREF want = expected(dx, dy);
      if (!Near(actual, want, tolerance))
        return ::testing::AssertionFailure()
               << "pixel (" << x + dx << ", " << y + dy << ") is " << std::hex << actual << ", expected " << want;
    }
  }
  return ::testing::AssertionSuccess();
}

// The source indexes nearest-neighbour scaling may take for destination index
// `d` when `sourceLength` rows (or columns) are scaled onto `destLength`:
// every source index whose scaled span touches destination index d. Which of
// them a drawing layer picks depends on its rounding.
struct SourceSpan {
  int first;
  int last;
};
inline SourceSpan NearestSources(int d, int destLength, int sourceLength) {
  const long long first = static_cast<long long>(d) * sourceLength / destLength;
  const long long last = (static_cast<long long>(d + 1) * sourceLength - 1) / destLength;
  return SourceSpan{static_cast<int>(first), static_cast<int>(std::min<long long>(last, sourceLength - 1))};
}

// As AreaMatches, for an area whose h rows were scaled from `sourceRows`
// source rows: each pixel matches expected(dx, row) for one of the source
// rows nearest-neighbour scaling may take for its row.
inline ::testing::AssertionResult AreaMatchesScaledRows(const DibCanvas& canvas, int x, int y, int w, int h,
                                                        int sourceRows,
                                                        const std::function<COLORREF(int dx, int row)>& expected,
                                                        int tolerance = 0) {
  for (int dy = 0; dy < h; ++dy) {
    const SourceSpan rows = NearestSources(dy, h, sourceRows);
    for (int dx = 0; dx < w; ++dx) {
      const COLORREF actual = canvas.Pixel(x + dx, y + dy);
      bool found = false;
      for (int row = rows.first; row <= rows.last && !found; ++row) found = Near(actual, expected(dx, row), tolerance);
      if (!found)
        return ::testing::AssertionFailure() << "pixel (" << x + dx << ", " << y + dy << ") is " << std::hex << actual
                                             << ", from none of source rows " << std::dec << rows.first << ".."
                                             << rows.last;
    }
  }
  return ::testing::AssertionSuccess();
}

// The area equals the test bitmap `id` copied 1:1 from (sourceX, sourceY).
inline ::testing::AssertionResult BmpCopied(const DibCanvas& canvas, int x, int y, int w, int h, int id,
                                            int sourceX, int sourceY) {
  return AreaMatches(canvas, x, y, w, h,
                     [&](int dx, int dy) { return BmpColour(id, sourceX + dx, sourceY + dy); });
}

// The area equals the opaque test PNG `id` copied 1:1 from (sourceX, sourceY).
inline ::testing::AssertionResult PngCopied(const DibCanvas& canvas, int x, int y, int w, int h, int id,
                                            int sourceX, int sourceY) {
  return AreaMatches(canvas, x, y, w, h,
                     [&](int dx, int dy) { return PngColour(id, sourceX + dx, sourceY + dy); });
}
