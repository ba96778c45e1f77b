#include "skin/tree/line_control.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "tests/skin/tree/controls/controls_test_util.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kGrey = RGB(0xCC, 0xCC, 0xCC);

TEST(Line, RowTemplateRuleIsOneGreyRowAtTheBottom) {
  LoadProgramSkins();
  // The list row template's rule: a zero-height rectangle on the last row.
  for (const char* size : {"", " size='0'", " size='1'", " size='-3'"}) {
    auto root = LayOut(std::string("<dlg><hr pos='0,-1,-0,-1' crbg='CCCCCC'") + size + "/></dlg>", 50, 20);
    CBkWindow* line = root->ChildAt(0);
    EXPECT_TRUE(RectIs(line->GetRect(), 0, 19, 50, 19));
    DibCanvas canvas(50, 20, kWhite);
    EXPECT_TRUE(Paint(*line, canvas.dc()));
    EXPECT_TRUE(canvas.AllPixels(RECT{0, 19, 50, 20}, kGrey)) << size;
    EXPECT_EQ(canvas.CountOutside(RECT{0, 19, 50, 20}, kWhite), 0) << size;
  }
}

TEST(Line, RunsFromTopLeftToBottomRightWithoutTheEndPoint) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><hr pos='2,3,12,13' crbg='0000FF'/></dlg>", 20, 20);
  CBkWindow* line = root->ChildAt(0);
  DibCanvas canvas(20, 20, kWhite);
  // The background has the line's colour: paint the line alone.
  line->SendElementMessage(WM_PAINT, reinterpret_cast<WPARAM>(canvas.dc()));
  int drawn = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool onDiagonal = x - 2 == y - 3 && x >= 2 && x < 12;
      const COLORREF pixel = canvas.Pixel(x, y);
      if (pixel != kWhite) ++drawn;
      if (onDiagonal) {
        EXPECT_EQ(pixel, RGB(0, 0, 0xFF)) << x << "," << y;
      }
    }
  EXPECT_EQ(drawn, 10);
  EXPECT_EQ(canvas.Pixel(12, 13), kWhite);
}

TEST(Line, PenStyleWordsAndWidth) {
  LoadProgramSkins();
  struct Row {
    const char* word;
    bool handled;
    int style;
  };
  const Row rows[] = {
      {"solid", true, PS_SOLID},         {"dash", true, PS_DASH},       {"dot", true, PS_DOT},
      {"dashdot", true, PS_DASHDOT},     {"dashdotdot", true, PS_DASHDOTDOT},
      {"Dash", false, PS_DASHDOTDOT},    {"", false, PS_DASHDOTDOT},    {"dashed", false, PS_DASHDOTDOT},
  };
  auto line = LoadAs<CBkLine>("<hr/>");
  EXPECT_EQ(line->PenStyle(), PS_SOLID);
  EXPECT_EQ(line->LineWidth(), 1);
  for (const Row& row : rows) {
    EXPECT_EQ(line->SetAttribute("style", row.word, false) != kAttributeNotHandled, row.handled) << row.word;
    EXPECT_EQ(line->PenStyle(), row.style) << row.word;
  }
  EXPECT_NE(line->SetAttribute("size", "3", false), kAttributeNotHandled);
  EXPECT_EQ(line->LineWidth(), 3);

  // A dotted rule leaves gaps; a solid one does not.
  for (const char* style : {"solid", "dot"}) {
    auto root = LayOut(std::string("<dlg><hr pos='0,5,-0,5' crbg='CCCCCC' style='") + style + "'/></dlg>", 40, 10);
    DibCanvas canvas(40, 10, kWhite);
    Paint(*root->ChildAt(0), canvas.dc());
    int grey = 0;
    for (int x = 0; x < 40; ++x) grey += canvas.Pixel(x, 5) == kGrey;
    if (std::string(style) == "solid") {
      EXPECT_EQ(grey, 40);
    } else {
      EXPECT_GT(grey, 5);
      EXPECT_LT(grey, 35);
    }
  }
  // A wide pen covers more rows.
  auto wide = LayOut("<dlg><hr pos='0,5,-0,5' crbg='CCCCCC' size='3'/></dlg>", 40, 10);
  DibCanvas canvas(40, 10, kWhite);
  Paint(*wide->ChildAt(0), canvas.dc());
  EXPECT_EQ(canvas.Pixel(20, 4), kGrey);
  EXPECT_EQ(canvas.Pixel(20, 6), kGrey);
}

TEST(Line, WithoutAColourNothingIsDrawn) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><hr pos='0,5,-0,5'/></dlg>", 40, 10);
  DibCanvas canvas(40, 10, kWhite);
  Paint(*root->ChildAt(0), canvas.dc());
  EXPECT_EQ(canvas.CountOutside(RECT{0, 0, 0, 0}, kWhite), 0);
}

// Counts the records of an enhanced metafile by type.
std::map<DWORD, int> RecordCounts(HENHMETAFILE metafile) {
  std::map<DWORD, int> counts;
  const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
  std::vector<BYTE> bits(size);
  GetEnhMetaFileBits(metafile, size, bits.data());
  for (UINT offset = 0; offset + sizeof(EMR) <= size;) {
    const auto* record = reinterpret_cast<const EMR*>(bits.data() + offset);
    if (record->nSize == 0) break;
    ++counts[record->iType];
    offset += record->nSize;
  }
  return counts;
}

TEST(Line, EveryPenIsDeselectedAndDeletedAcrossManyPaints) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><hr pos='0,-1,-0,-1' crbg='CCCCCC' style='dash'/></dlg>", 50, 20);
  CBkWindow* line = root->ChildAt(0);
  // A metafile records each pen created, selected and deleted.
  HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(recorder, nullptr);
  const HGDIOBJ pen = GetCurrentObject(recorder, OBJ_PEN);
  constexpr int kPaints = 1000;
  for (int i = 0; i < kPaints; ++i) line->SendElementMessage(WM_PAINT, reinterpret_cast<WPARAM>(recorder));
  EXPECT_EQ(GetCurrentObject(recorder, OBJ_PEN), pen);
  HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
  ASSERT_NE(metafile, nullptr);
  std::map<DWORD, int> counts = RecordCounts(metafile);
  DeleteEnhMetaFile(metafile);
  EXPECT_EQ(counts[EMR_CREATEPEN], kPaints);
  EXPECT_EQ(counts[EMR_DELETEOBJECT], kPaints);
  EXPECT_EQ(counts[EMR_LINETO], kPaints);
  EXPECT_EQ(counts[EMR_SAVEDC], counts[EMR_RESTOREDC]);

  // On a plain device context the pen selected before is back after each paint.
  DibCanvas canvas(50, 20, kWhite);
  const HGDIOBJ before = GetCurrentObject(canvas.dc(), OBJ_PEN);
  POINT position = {};
  for (int i = 0; i < kPaints; ++i) Paint(*line, canvas.dc());
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), before);
  GetCurrentPositionEx(canvas.dc(), &position);
  EXPECT_EQ(position.x, 0);
  EXPECT_EQ(position.y, 0);
}

}  // namespace
