// The program's own string table (102) and style classes (101), embedded from
// res/tavora.rc, loaded in the start-up order.
#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/style.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::wstring Text(int id) {
  const wchar_t* text = GetString(id);
  return text ? std::wstring(text) : std::wstring(L"<null>");
}

// Strings, then the base font from string 0, then the styles: as start-up does.
class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSkinFolder(L"");
    ASSERT_TRUE(LoadStrings(102));
    const wchar_t* face = GetString(0);
    BkFontPool::SetDefaultFont(face, -12);
    ASSERT_TRUE(LoadStyles(101));
  }
};

TEST_F(ProgramResources, StringTableHoldsTitleColumnsWidthsAndHints) {
  EXPECT_EQ(L"宋体", Text(0));
  EXPECT_EQ(L"Tavora 2012", Text(1));
  EXPECT_EQ(nullptr, GetString(2));
  const wchar_t* titles[] = {L"车次", L"出发站", L"到达站", L"发时", L"到时", L"硬座/二等座", L"软座/一等座",
                             L"硬卧", L"软卧", L"高级卧", L"无座", L"始发站 - 终点站", L"运行时间", L"车型"};
  const int widths[] = {50, 70, 70, 50, 50, 80, 80, 40, 40, 50, 40, 120, 80, 50};
  for (int column = 1; column <= 14; ++column) {
    EXPECT_EQ(titles[column - 1], Text(30 + column)) << "column " << column;
    EXPECT_EQ(widths[column - 1], _wtoi(Text(50 + column).c_str())) << "column " << column;
  }
  EXPECT_EQ(L"北京", Text(70));
  EXPECT_EQ(L"上海", Text(71));
  EXPECT_EQ(L"20110927", Text(72));
}

TEST_F(ProgramResources, HeaderTitleReferenceExpandsToTheProgramTitle) {
  EXPECT_EQ(L"Tavora 2012", ExpandStringReferences(L"%str1%"));
  EXPECT_EQ(L"Tavora 2012北京", ExpandStringReferences(L"%str1%%str70%"));
  EXPECT_EQ(L"", ExpandStringReferences(L"%str2%"));
}

TEST_F(ProgramResources, BaseFontIsTwelvePixelSongTi) {
  LOGFONTW base = {};
  ASSERT_EQ(static_cast<int>(sizeof(base)), GetObjectW(BkFontPool::GetFont(0), sizeof(base), &base));
  EXPECT_EQ(std::wstring(L"宋体"), base.lfFaceName);
  EXPECT_EQ(-12, base.lfHeight);
  LOGFONTW bold = {};
  ASSERT_EQ(static_cast<int>(sizeof(bold)), GetObjectW(BkFontPool::GetFont(4), sizeof(bold), &bold));
  EXPECT_EQ(std::wstring(L"宋体"), bold.lfFaceName);
  EXPECT_EQ(FW_BOLD, bold.lfWeight);
}

TEST_F(ProgramResources, StyleDocumentDefinesItsClasses) {
  // twenty-two classes (ten of the main layer, the status line's, the
  // menu's two and the completion list's, the departure link's, the timetable
  // page's grey line, the help page's five and the fare page's swap) and the
  // default
  EXPECT_EQ(23u, BkStylePool::Instance().Styles().size());

  const BkStyle& head = GetStyle("mainhead");
  EXPECT_EQ("mainbghead", head.skin);
  EXPECT_EQ("mainborderhead", head.border);
  EXPECT_EQ(BkFontPool::GetFont(0), head.font);
  EXPECT_EQ(0u, head.crtext);
  EXPECT_EQ(0x00FDFCFBu, head.crbg);

  const BkStyle& body = GetStyle("mainbody");
  EXPECT_EQ("mainbgbody", body.skin);
  EXPECT_EQ(0x00FFFFFFu, body.crtext);
  EXPECT_EQ(3, body.xMargin);
  EXPECT_EQ(0, body.yMargin);

  const BkStyle& foot = GetStyle("mainfoot");
  EXPECT_EQ("mainbgfoot", foot.skin);
  EXPECT_EQ("mainborderfoot", foot.border);
  EXPECT_EQ(10, foot.xMargin);
  EXPECT_EQ(1, foot.yMargin);

  EXPECT_EQ(32649, GetStyle("linkimage").cursor);
  EXPECT_EQ(0x00FDFCFBu, GetStyle("settingpage").crbg);
  EXPECT_EQ(10, GetStyle("settingpage").yMargin);
  EXPECT_EQ(0x8024u, GetStyle("dlgtitle").textmode);
  EXPECT_EQ(BkFontPool::GetFont(4), GetStyle("dlgtitle").font);
  EXPECT_EQ(0x8034u, GetStyle("dt_8034").textmode);
  EXPECT_EQ(0x00999999u, GetStyle("fill").crbg);
  EXPECT_EQ(0x25u, GetStyle("vcenter").textmode);
  EXPECT_EQ(0x00E5B145u, GetStyle("blue_linkimage").crtext);
  EXPECT_EQ(32649, GetStyle("blue_linkimage").cursor);
}

TEST_F(ProgramResources, EmptyStyleFileInTheSkinFolderFallsBackToTheEmbeddedDocument) {
  const std::wstring folder = MakeScratchFolder("skinres-program-folder");
  ASSERT_TRUE(WriteFileBytes(folder + L"\\101.xml", ""));
  ASSERT_TRUE(WriteFileBytes(folder + L"\\102.xml", "<string><s id=\"1\">从文件夹</s></string>"));
  SetSkinFolder(folder);
  const bool styles = LoadStyles(101);
  const bool strings = LoadStrings(102);
  SetSkinFolder(L"");
  ASSERT_TRUE(styles);
  ASSERT_TRUE(strings);
  EXPECT_EQ(23u, BkStylePool::Instance().Styles().size());
  EXPECT_EQ(L"从文件夹", Text(1));  // the folder's table wins for id 1 ...
  EXPECT_EQ(L"北京", Text(70));     // ... and the embedded entries stay
}

}  // namespace
