#include "skin/resources/font_pool.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

LOGFONTW Describe(HFONT font) {
  LOGFONTW description = {};
  EXPECT_EQ(static_cast<int>(sizeof(description)), GetObjectW(font, sizeof(description), &description));
  return description;
}

// The state start-up leaves the pool in.
class FontPoolTest : public ::testing::Test {
 protected:
  void SetUp() override { BkFontPool::SetDefaultFont(L"宋体", -12); }
};

// The base font before start-up changes it. Checked in a fresh process of
// this program (the test runs itself again with a marker in the environment),
// where nothing has touched the pool yet.
TEST(FontPool, StartsWithTahoma11BeforeStartUpChangesIt) {
  wchar_t marker[4] = L"";
  if (GetEnvironmentVariableW(L"TAVORA_FRESH_FONT_POOL", marker, 4) > 0) {
    EXPECT_EQ(L"Tahoma", BkFontPool::BaseFace());
    EXPECT_EQ(-11, BkFontPool::BaseHeight());
    HFONT base = BkFontPool::GetFont(0);
    ASSERT_NE(nullptr, base);
    const LOGFONTW description = Describe(base);
    EXPECT_EQ(std::wstring(L"Tahoma"), description.lfFaceName);
    EXPECT_EQ(-11, description.lfHeight);
    EXPECT_EQ(FW_NORMAL, description.lfWeight);
    EXPECT_EQ(ANTIALIASED_QUALITY, description.lfQuality);
    return;
  }
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  ScopedEnvironment fresh(L"TAVORA_FRESH_FONT_POOL", L"1");
  const ProcessResult run = RunProcess(
      L"\"" + std::wstring(program) + L"\" --gtest_filter=FontPool.StartsWithTahoma11BeforeStartUpChangesIt", 60000);
  EXPECT_EQ(0u, run.exitCode) << run.out;
  EXPECT_NE(std::string::npos, run.out.find("[  PASSED  ] 1 test")) << run.out;
}

TEST_F(FontPoolTest, BaseFontUsesTheFaceAndHeightSetAtStartUp) {
  const LOGFONTW description = Describe(BkFontPool::GetFont(0));
  EXPECT_EQ(std::wstring(L"宋体"), description.lfFaceName);
  EXPECT_EQ(-12, description.lfHeight);
  EXPECT_EQ(FW_NORMAL, description.lfWeight);
  EXPECT_FALSE(description.lfItalic);
  EXPECT_FALSE(description.lfUnderline);
  EXPECT_EQ(ANTIALIASED_QUALITY, description.lfQuality);
}

TEST_F(FontPoolTest, BoldVariantIsCreatedOnceAndShared) {
  HFONT bold = BkFontPool::GetFont(0x0004);
  ASSERT_NE(nullptr, bold);
  EXPECT_NE(BkFontPool::GetFont(0), bold);
  EXPECT_EQ(bold, BkFontPool::GetFont(0x0004));
  const LOGFONTW description = Describe(bold);
  EXPECT_EQ(std::wstring(L"宋体"), description.lfFaceName);
  EXPECT_EQ(FW_BOLD, description.lfWeight);
  EXPECT_EQ(-12, description.lfHeight);
  EXPECT_FALSE(description.lfItalic);
  EXPECT_EQ(ANTIALIASED_QUALITY, description.lfQuality);
}

TEST_F(FontPoolTest, ItalicAndUnderlineBits) {
  const LOGFONTW italic = Describe(BkFontPool::GetFont(0x0001));
  EXPECT_TRUE(italic.lfItalic);
  EXPECT_FALSE(italic.lfUnderline);
  EXPECT_EQ(FW_NORMAL, italic.lfWeight);
  const LOGFONTW underline = Describe(BkFontPool::GetFont(0x0002));
  EXPECT_FALSE(underline.lfItalic);
  EXPECT_TRUE(underline.lfUnderline);
  const LOGFONTW all = Describe(BkFontPool::GetFont(0x0007));
  EXPECT_TRUE(all.lfItalic);
  EXPECT_TRUE(all.lfUnderline);
  EXPECT_EQ(FW_BOLD, all.lfWeight);
}

TEST_F(FontPoolTest, HighByteIsASignedSizeDelta) {
  EXPECT_EQ(-13, Describe(BkFontPool::GetFont(0x0100)).lfHeight);
  EXPECT_EQ(-11, Describe(BkFontPool::GetFont(0xFF00)).lfHeight);
  EXPECT_EQ(-17, Describe(BkFontPool::GetFont(0x0500)).lfHeight);
  EXPECT_EQ(-12 + 128, Describe(BkFontPool::GetFont(0x8000)).lfHeight);
  const LOGFONTW boldItalicLarger = Describe(BkFontPool::GetFont(0x0105));
  EXPECT_EQ(-13, boldItalicLarger.lfHeight);
  EXPECT_EQ(FW_BOLD, boldItalicLarger.lfWeight);
  EXPECT_TRUE(boldItalicLarger.lfItalic);
  EXPECT_FALSE(boldItalicLarger.lfUnderline);
}

TEST_F(FontPoolTest, OnlyTheLow16BitsOfTheIdCount) {
  EXPECT_EQ(BkFontPool::GetFont(0x0004), BkFontPool::GetFont(0x10004));
  EXPECT_EQ(BkFontPool::GetFont(0), BkFontPool::GetFont(0xFFFF0000u));
}

TEST_F(FontPoolTest, FlagsFormTheSameIds) {
  EXPECT_EQ(BkFontPool::GetFont(0x0004), BkFontPool::GetFontByFlags(true, false, false, 0));
  EXPECT_EQ(BkFontPool::GetFont(0x0002), BkFontPool::GetFontByFlags(false, true, false, 0));
  EXPECT_EQ(BkFontPool::GetFont(0x0001), BkFontPool::GetFontByFlags(false, false, true, 0));
  EXPECT_EQ(BkFontPool::GetFont(0x0105), BkFontPool::GetFontByFlags(true, false, true, 1));
  EXPECT_EQ(BkFontPool::GetFont(0xFF00), BkFontPool::GetFontByFlags(false, false, false, -1));
  EXPECT_EQ(BkFontPool::GetFont(0x0200), BkFontPool::GetFontByFlags(false, false, false, 0x102));
  EXPECT_EQ(BkFontPool::GetFont(0), BkFontPool::GetFontByFlags(false, false, false, 0));
}

TEST_F(FontPoolTest, SetDefaultFontReplacesFontZeroButNotEarlierVariants) {
  HFONT oldBase = BkFontPool::GetFont(0);
  HFONT oldBold = BkFontPool::GetFont(0x0004);
  BkFontPool::SetDefaultFont(L"Arial", -20);
  EXPECT_EQ(L"Arial", BkFontPool::BaseFace());
  EXPECT_EQ(-20, BkFontPool::BaseHeight());
  HFONT newBase = BkFontPool::GetFont(0);
  ASSERT_NE(nullptr, newBase);
  EXPECT_NE(oldBase, newBase);
  const LOGFONTW base = Describe(newBase);
  EXPECT_EQ(std::wstring(L"Arial"), base.lfFaceName);
  EXPECT_EQ(-20, base.lfHeight);
  EXPECT_EQ(ANTIALIASED_QUALITY, base.lfQuality);
  // The variant made before keeps its face and height.
  EXPECT_EQ(oldBold, BkFontPool::GetFont(0x0004));
  EXPECT_EQ(std::wstring(L"宋体"), Describe(oldBold).lfFaceName);
  // New variants follow the new base.
  const LOGFONTW larger = Describe(BkFontPool::GetFont(0x0300));
  EXPECT_EQ(std::wstring(L"Arial"), larger.lfFaceName);
  EXPECT_EQ(-23, larger.lfHeight);
}

TEST_F(FontPoolTest, ReplacedBaseFontStaysValidForStylesThatHoldIt) {
  HFONT oldBase = BkFontPool::GetFont(0);
  BkFontPool::SetDefaultFont(L"Arial", -20);
  const LOGFONTW description = Describe(oldBase);
  EXPECT_EQ(std::wstring(L"宋体"), description.lfFaceName);
  EXPECT_EQ(-12, description.lfHeight);
}

TEST_F(FontPoolTest, NullFaceGivesEmptyFaceAndLongFacesAreCut) {
  BkFontPool::SetDefaultFont(nullptr, -12);
  EXPECT_EQ(L"", BkFontPool::BaseFace());
  ASSERT_NE(nullptr, BkFontPool::GetFont(0));
  const std::wstring longFace(500, L'W');
  BkFontPool::SetDefaultFont(longFace.c_str(), -14);
  HFONT base = BkFontPool::GetFont(0);
  ASSERT_NE(nullptr, base);
  const LOGFONTW description = Describe(base);
  EXPECT_EQ(std::wstring(LF_FACESIZE - 1, L'W'), description.lfFaceName);
  EXPECT_EQ(-14, description.lfHeight);
}

TEST_F(FontPoolTest, FontsDrawText) {
  // A bold font blackens more pixels than the regular one for the same text.
  auto inkOf = [](HFONT font) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 200;
    info.bmiHeader.biHeight = -40;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT all = {0, 0, 200, 40};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 2, 2, L"Tavora HHH", 10);
    GdiFlush();
    int ink = 0;
    const auto* pixels = static_cast<const unsigned*>(bits);
    for (int i = 0; i < 200 * 40; ++i) ink += (pixels[i] & 0xFF) < 0x80 ? 1 : 0;
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return ink;
  };
  // Ids no other test asks for, so that both variants are made from this base.
  BkFontPool::SetDefaultFont(L"Tahoma", -12);
  const int regular = inkOf(BkFontPool::GetFont(0x0600));
  const int bold = inkOf(BkFontPool::GetFont(0x0604));
  EXPECT_GT(regular, 0);
  EXPECT_GT(bold, regular);
}

}  // namespace
