#include "skin/resources/skin_pool.h"

#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstring>
#include <typeinfo>

#include "skin/resources/color_skins.h"
#include "skin/resources/image_pool.h"
#include "skin/resources/image_skins.h"
#include "skin/resources/png_skins.h"
#include "skin/resources/skin_resource.h"
#include "tests/skin/resources/skin_test_util.h"
#include "tests/support/test_support.h"

namespace {

// ---- CreateSkinByTag ----------------------------------------------------------------

TEST(SkinFactory, EveryTagMakesItsKind) {
  const struct {
    const char* tag;
    const std::type_info& type;
  } kKinds[] = {
      {"imglst", typeid(CBkImageSkin)},          {"imgframe", typeid(CBkSkinImgFrame)},
      {"border", typeid(CBkSkinBorder)},         {"button", typeid(CBkSkinButton)},
      {"imghorzex", typeid(CBkSkinImgHorzExtend)}, {"imghorzti", typeid(CBkSkinImgHorzTiled)},
      {"imgvertex", typeid(CBkSkinImgVertExtend)}, {"gradation", typeid(CBkSkinGradation)},
      {"png", typeid(CBkPngSkin)},               {"pngex", typeid(CBkPngSkinEx)},
      {"pngtr", typeid(CBkSkinPngTruncate)},     {"checkbox", typeid(CBkSkinCheck)},
  };
  for (const auto& kind : kKinds) {
    std::unique_ptr<CBkSkinBase> skin = CreateSkinByTag(kind.tag);
    ASSERT_TRUE(skin) << kind.tag;
    EXPECT_EQ(typeid(*skin), kind.type) << kind.tag;
    EXPECT_STREQ(skin->GetTag(), kind.tag);
    EXPECT_TRUE(skin->HasTag(kind.tag));
  }
}

TEST(SkinFactory, UnknownTagsMakeNothing) {
  for (const char* tag : {"", "PNG", "Png", "imgLst", "skin", "png ", "imghorz", "style"})
    EXPECT_FALSE(CreateSkinByTag(tag)) << tag;
  EXPECT_FALSE(CreateSkinByTag(nullptr));
}

// ---- LoadSkins and GetSkin with test documents -----------------------------------------

class SkinPoolTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallTestSkinFolder(); }
};

TEST_F(SkinPoolTest, UnknownTagsAndNamelessChildrenAreSkippedTheRestLoads) {
  WriteTestDocument(301,
                    "<?xml version='1.0' encoding='utf-8'?>\n<skins>\n"
                    "  <imglst name='first' src='201' subwidth='10'/>\n"
                    "  <sparkle name='odd' src='1'/>\n"
                    "  <png src='211'/>\n"
                    "  <!-- a comment -->\n"
                    "  <png name='last' src='211' subwidth='39'/>\n"
                    "</skins>\n");
  ASSERT_TRUE(LoadSkins(301));
  EXPECT_EQ(BkSkinPool::Instance().Skins().size(), 2u);
  ASSERT_NE(GetSkin("first"), nullptr);
  EXPECT_NE(dynamic_cast<CBkImageSkin*>(GetSkin("first")), nullptr);
  ASSERT_NE(GetSkin("last"), nullptr);
  EXPECT_EQ(GetSkin("last")->GetNaturalSize().cx, 39);
  EXPECT_EQ(GetSkin("odd"), nullptr);
  EXPECT_EQ(GetSkin(""), nullptr);
  EXPECT_EQ(GetSkin("First"), nullptr);  // names compare exactly
  EXPECT_EQ(GetSkin(static_cast<const char*>(nullptr)), nullptr);
}

TEST_F(SkinPoolTest, TwoLookupsGiveTheSameObject) {
  WriteTestDocument(302, "<skins><png name='closebtn' src='211' subwidth='39'/></skins>");
  ASSERT_TRUE(LoadSkins(302));
  CBkSkinBase* first = GetSkin("closebtn");
  CBkSkinBase* second = GetSkin(std::string("closebtn"));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
}

TEST_F(SkinPoolTest, ALaterSkinOfTheSameNameReplacesTheEarlier) {
  WriteTestDocument(303,
                    "<skins><png name='twice' src='211' subwidth='39'/>"
                    "<imglst name='twice' src='201' subwidth='10'/></skins>");
  ASSERT_TRUE(LoadSkins(303));
  EXPECT_EQ(BkSkinPool::Instance().Skins().size(), 1u);
  auto* skin = dynamic_cast<CBkImageSkin*>(GetSkin("twice"));
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(skin->GetNaturalSize().cx, 10);
}

TEST_F(SkinPoolTest, MissingDocumentLeavesThePoolAsItWas) {
  WriteTestDocument(304, "<skins><png name='kept' src='211'/></skins>");
  ASSERT_TRUE(LoadSkins(304));
  CBkSkinBase* kept = GetSkin("kept");
  ASSERT_NE(kept, nullptr);
  EXPECT_FALSE(LoadSkins(399));
  EXPECT_EQ(GetSkin("kept"), kept);
}

TEST_F(SkinPoolTest, MalformedDocumentEmptiesThePool) {
  WriteTestDocument(305, "<skins><png name='kept' src='211'/></skins>");
  ASSERT_TRUE(LoadSkins(305));
  WriteTestDocument(306, "<skins><png name='broken' src='211'></skins>");
  EXPECT_FALSE(LoadSkins(306));
  EXPECT_TRUE(BkSkinPool::Instance().Skins().empty());
  EXPECT_EQ(GetSkin("kept"), nullptr);
}

TEST_F(SkinPoolTest, TooDeepDocumentIsRefusedAndEmptiesThePool) {
  WriteTestDocument(307, "<skins><png name='kept' src='211'/></skins>");
  ASSERT_TRUE(LoadSkins(307));
  std::string deep = "<skins><png name='deep' src='211'/>";
  for (int i = 0; i < 5000; ++i) deep += "<a>";
  for (int i = 0; i < 5000; ++i) deep += "</a>";
  deep += "</skins>";
  WriteTestDocument(308, deep);
  EXPECT_FALSE(LoadSkins(308));
  EXPECT_TRUE(BkSkinPool::Instance().Skins().empty());
}

TEST_F(SkinPoolTest, WrongRootLoadsNothingButSucceeds) {
  WriteTestDocument(309, "<skins><png name='kept' src='211'/></skins>");
  ASSERT_TRUE(LoadSkins(309));
  WriteTestDocument(310, "<style><png name='inner' src='211'/></style>");
  EXPECT_TRUE(LoadSkins(310));
  EXPECT_TRUE(BkSkinPool::Instance().Skins().empty());
  WriteTestDocument(311, "<Skins><png name='inner' src='211'/></Skins>");
  EXPECT_TRUE(LoadSkins(311));
  EXPECT_TRUE(BkSkinPool::Instance().Skins().empty());
}

TEST_F(SkinPoolTest, AttributesThatDoNotFitAreIgnored) {
  WriteTestDocument(312,
                    "<skins>"
                    "<imgframe name='frame' src='202' left='4' top='4' part='diagonal' mode='blend' crbg='FBFCFD'/>"
                    "<gradation name='grad' direction='sideways' from='102030' size='x'/>"
                    "<png name='png' src='211' height='19' imgpos='1,2,3'/>"
                    "</skins>");
  ASSERT_TRUE(LoadSkins(312));
  auto* frame = dynamic_cast<CBkSkinImgFrame*>(GetSkin("frame"));
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->Part(), 0x2Fu);
  EXPECT_EQ(frame->Image().Picture().drawMode, MemoryBitmap::ModePlain);
  EXPECT_EQ(frame->Crbg(), RGB(0xFB, 0xFC, 0xFD));
  auto* grad = dynamic_cast<CBkSkinGradation*>(GetSkin("grad"));
  ASSERT_NE(grad, nullptr);
  EXPECT_EQ(grad->direction, CBkSkinGradation::Horizontal);
  EXPECT_EQ(grad->from, RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(grad->size, 0);
  auto* png = dynamic_cast<CBkPngSkin*>(GetSkin("png"));
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->GetNaturalSize().cx, 117);
}

TEST_F(SkinPoolTest, SkinsNamingOneBitmapShareIt) {
  WriteTestDocument(313,
                    "<skins><imglst name='a' src='201'/><imghorzex name='b' src='201' imgpos='3,4,3'/>"
                    "<imgframe name='c' src='201' left='1' top='1'/></skins>");
  ASSERT_TRUE(LoadSkins(313));
  HBITMAP bitmap = BkBmpPool::GetBitmap(kBmpStrip);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(dynamic_cast<CBkImageSkin*>(GetSkin("a"))->Picture().bitmap, bitmap);
  EXPECT_EQ(dynamic_cast<CBkSkinImgHorzBase*>(GetSkin("b"))->Image().Picture().bitmap, bitmap);
  EXPECT_EQ(dynamic_cast<CBkSkinImgFrame*>(GetSkin("c"))->Image().Picture().bitmap, bitmap);
}

TEST_F(SkinPoolTest, ABitmapMissingAtOneLoadIsFoundAtTheNext) {
  const std::wstring& folder = InstallTestSkinFolder();
  WriteTestDocument(314, "<skins><imglst name='late' src='241'/></skins>");
  ASSERT_TRUE(LoadSkins(314));
  EXPECT_EQ(dynamic_cast<CBkImageSkin*>(GetSkin("late"))->Picture().bitmap, nullptr);
  WriteFileBytes(folder + L"\\241.bmp", BmpFileBytes(4, 3, [](int x, int y) { return RGB(x + 1, y + 1, 9); }));
  ASSERT_TRUE(LoadSkins(314));
  auto* late = dynamic_cast<CBkImageSkin*>(GetSkin("late"));
  ASSERT_NE(late->Picture().bitmap, nullptr);
  EXPECT_EQ(late->GetNaturalSize().cx, 4);
  DeleteFileW((folder + L"\\241.bmp").c_str());
}

// ---- the program's own skin document (resource 100) --------------------------------------

class ProgramSkins : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSkinFolder(L"");
    ASSERT_TRUE(LoadSkins(100));
  }

  // The embedded PNG `id` decoded on its own, for comparing drawn pixels.
  std::vector<uint32_t> Png(unsigned id, int& width, int& height) {
    std::string bytes;
    if (!LoadModuleResource(id, bytes, L"png")) return {};
    return DecodePngPixels(bytes, width, height);
  }

  // Pixel (x, y) of a decoded PNG `width` wide, composited over `under`.
  static COLORREF Over(const std::vector<uint32_t>& image, int width, int x, int y, COLORREF under) {
    return Composite(image[static_cast<size_t>(y) * width + x], under);
  }
};

TEST_F(ProgramSkins, AllEighteenLoadWithTheirKindsAndNaturalSizes) {
  const struct {
    const char* name;
    const std::type_info& type;
    int width;
    int height;
    bool stateless;
  } kSkins[] = {
      {"mainbghead", typeid(CBkSkinImgHorzExtend), 0, 29, true},
      {"mainbgbody", typeid(CBkSkinImgFrame), 0, 0, true},
      {"mainbgfoot", typeid(CBkSkinImgHorzExtend), 0, 23, true},
      {"closebtn", typeid(CBkPngSkin), 39, 19, false},
      {"minbtn", typeid(CBkPngSkin), 29, 19, false},
      {"logomodule", typeid(CBkPngSkin), 71, 71, false},
      {"tabmain", typeid(CBkPngSkin), 71, 71, false},
      {"edit_bg", typeid(CBkPngSkinEx), 30, 28, true},
      {"checkbox_bg", typeid(CBkSkinCheck), 0, 0, true},
      {"search_bg", typeid(CBkPngSkinEx), 71, 71, true},
      {"search", typeid(CBkPngSkinEx), 71, 71, true},
      {"ing", typeid(CBkPngSkinEx), 48, 48, false},
      {"rowmenu_sel", typeid(CBkSkinGradation), 0, 0, true},
      {"edit_bg_invalid", typeid(CBkPngSkinEx), 30, 28, true},
      {"calbtn", typeid(CBkPngSkin), 18, 18, false},
      {"helpbtn", typeid(CBkSkinButton), 0, 0, false},
      {"maxbtn", typeid(CBkPngSkin), 29, 19, false},
      {"restorebtn", typeid(CBkPngSkin), 29, 19, false},
  };
  EXPECT_EQ(BkSkinPool::Instance().Skins().size(), 18u);
  for (const auto& expected : kSkins) {
    CBkSkinBase* skin = GetSkin(expected.name);
    ASSERT_NE(skin, nullptr) << expected.name;
    EXPECT_EQ(typeid(*skin), expected.type) << expected.name;
    EXPECT_EQ(skin->GetNaturalSize().cx, expected.width) << expected.name;
    EXPECT_EQ(skin->GetNaturalSize().cy, expected.height) << expected.name;
    EXPECT_EQ(skin->IsStateless(), expected.stateless) << expected.name;
  }
  auto* ing = dynamic_cast<CBkPngSkinEx*>(GetSkin("ing"));
  EXPECT_EQ(ing->SubWidth(), 48);
  EXPECT_EQ(ing->LeftWidth(), 1);
  EXPECT_EQ(ing->MiddleWidth(), 46);
  EXPECT_EQ(ing->RightWidth(), 1);
  auto* body = dynamic_cast<CBkSkinImgFrame*>(GetSkin("mainbgbody"));
  EXPECT_EQ(body->Left(), 4);
  EXPECT_EQ(body->Top(), 4);
  EXPECT_EQ(dynamic_cast<CBkSkinCheck*>(GetSkin("checkbox_bg"))->SubSize(), 16);
}

TEST_F(ProgramSkins, CloseButtonState1IsColumns39To77OfImage1) {
  int width = 0, height = 0;
  std::vector<uint32_t> image = Png(1, width, height);
  ASSERT_EQ(width, 117);
  ASSERT_EQ(height, 19);
  const COLORREF under = RGB(0xFB, 0xFC, 0xFD);
  DibCanvas canvas(60, 30, under);
  GetSkin("closebtn")->Draw(canvas.dc(), Area(10, 5, 39, 19), 1);
  EXPECT_TRUE(AreaMatches(
      canvas, 10, 5, 39, 19, [&](int dx, int dy) { return Over(image, width, 39 + dx, dy, under); }, 2));
  EXPECT_EQ(canvas.CountOutside(Area(10, 5, 39, 19), under), 0);
}

TEST_F(ProgramSkins, BusyAnimationFrame5IsColumns240To287OfImage9) {
  int width = 0, height = 0;
  std::vector<uint32_t> image = Png(9, width, height);
  ASSERT_EQ(width, 576);
  ASSERT_EQ(height, 48);
  const COLORREF under = RGB(0xFB, 0xFC, 0xFD);
  DibCanvas canvas(60, 60, under);
  GetSkin("ing")->Draw(canvas.dc(), Area(0, 0, 48, 48), 5);
  EXPECT_TRUE(AreaMatches(
      canvas, 0, 0, 48, 48, [&](int dx, int dy) { return Over(image, width, 240 + dx, dy, under); }, 2));
}

TEST_F(ProgramSkins, CheckBoxStatesAndVerticalCentring) {
  int width = 0, height = 0;
  std::vector<uint32_t> image = Png(6, width, height);
  ASSERT_EQ(width, 96);
  ASSERT_EQ(height, 16);
  const COLORREF under = RGB(0xFB, 0xFC, 0xFD);
  const struct {
    int state;
    int sourceX;
  } kCases[] = {{0, 0}, {1, 16}, {2, 32}, {4, 48}, {5, 64}, {6, 80}};
  for (const auto& entry : kCases) {
    DibCanvas canvas(30, 30, under);
    GetSkin("checkbox_bg")->Draw(canvas.dc(), Area(4, 3, 60, 20), entry.state);
    EXPECT_TRUE(AreaMatches(
        canvas, 4, 5, 16, 16, [&](int dx, int dy) { return Over(image, width, entry.sourceX + dx, dy, under); }, 2))
        << "state " << entry.state;
    EXPECT_EQ(canvas.CountOutside(Area(4, 5, 16, 16), under), 0);
  }
}

TEST_F(ProgramSkins, EditFrameEndsAt200x32ComeFromImage5) {
  int width = 0, height = 0;
  std::vector<uint32_t> image = Png(5, width, height);
  ASSERT_EQ(width, 30);
  ASSERT_EQ(height, 28);
  const COLORREF under = RGB(0xFB, 0xFC, 0xFD);
  DibCanvas canvas(210, 40, under);
  GetSkin("edit_bg")->Draw(canvas.dc(), Area(0, 0, 200, 32), 0);
  // Ends 1:1 across, rows stretched 28 -> 32 (each row from a nearest source row).
  EXPECT_TRUE(AreaMatchesScaledRows(
      canvas, 0, 0, 10, 32, 28, [&](int dx, int row) { return Over(image, width, dx, row, under); }, 2));
  EXPECT_TRUE(AreaMatchesScaledRows(
      canvas, 190, 0, 10, 32, 28, [&](int dx, int row) { return Over(image, width, 20 + dx, row, under); }, 2));
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 200, 32), under), 0);
}

TEST_F(ProgramSkins, BodyFrameOfBitmap2) {
  int width = 0, height = 0;
  std::vector<COLORREF> bitmap = BitmapPixels(BkBmpPool::GetBitmap(2), width, height);
  ASSERT_EQ(width, 9);
  ASSERT_EQ(height, 5);
  auto source = [&](int x, int y) { return bitmap[static_cast<size_t>(y) * width + x]; };
  DibCanvas canvas(700, 400, kBackground);
  GetSkin("mainbgbody")->Draw(canvas.dc(), Area(0, 0, 680, 378), 0);
  EXPECT_TRUE(AreaMatches(canvas, 0, 0, 4, 4, [&](int dx, int dy) { return source(dx, dy); }));
  EXPECT_TRUE(AreaMatches(canvas, 676, 0, 4, 4, [&](int dx, int dy) { return source(5 + dx, dy); }));
  EXPECT_TRUE(AreaMatches(canvas, 4, 0, 672, 4, [&](int, int dy) { return source(4, dy); }));
  EXPECT_TRUE(AreaMatches(canvas, 0, 4, 4, 374, [&](int dx, int) { return source(dx, 4); }));
  EXPECT_TRUE(AreaMatches(canvas, 676, 4, 4, 374, [&](int dx, int) { return source(5 + dx, 4); }));
  EXPECT_TRUE(canvas.AllPixels(Area(4, 4, 672, 374), RGB(0xFB, 0xFC, 0xFD)));
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 680, 378), kBackground), 0);
}

TEST_F(ProgramSkins, HeaderOfBitmap1At680AndAt10Wide) {
  int width = 0, height = 0;
  std::vector<COLORREF> bitmap = BitmapPixels(BkBmpPool::GetBitmap(1), width, height);
  ASSERT_EQ(width, 13);
  ASSERT_EQ(height, 29);
  auto source = [&](int x, int y) { return bitmap[static_cast<size_t>(y) * width + x]; };
  DibCanvas canvas(700, 40, kBackground);
  GetSkin("mainbghead")->Draw(canvas.dc(), Area(0, 0, 680, 29), 0);
  EXPECT_TRUE(AreaMatches(canvas, 0, 0, 6, 29, [&](int dx, int dy) { return source(dx, dy); }));
  EXPECT_TRUE(AreaMatches(canvas, 6, 0, 668, 29, [&](int, int dy) { return source(6, dy); }));
  EXPECT_TRUE(AreaMatches(canvas, 674, 0, 6, 29, [&](int dx, int dy) { return source(7 + dx, dy); }));
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 680, 29), kBackground), 0);

  DibCanvas narrow(40, 40, kBackground);
  GetSkin("mainbghead")->Draw(narrow.dc(), Area(5, 0, 10, 29), 0);
  EXPECT_TRUE(AreaMatches(narrow, 5, 0, 13, 29, [&](int dx, int dy) { return source(dx, dy); }));
  EXPECT_EQ(narrow.CountOutside(Area(5, 0, 13, 29), kBackground), 0);
}

}  // namespace
