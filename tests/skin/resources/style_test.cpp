#include "skin/resources/style.h"

#include "skin/resources/font_pool.h"
#include "skin/resources/skin_resource.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <climits>
#include <string>

namespace {

void ExpectDefaults(const BkStyle& style) {
  EXPECT_EQ(kColorNotSet, style.crbg);
  EXPECT_EQ(kColorNotSet, style.crbghover);
  EXPECT_EQ(kColorNotSet, style.crtext);
  EXPECT_EQ(kColorNotSet, style.crhover);
  EXPECT_EQ(0xCCCCCCu, style.crdisabled);
  EXPECT_EQ(0x28u, style.textmode);
  EXPECT_EQ(nullptr, style.font);
  EXPECT_EQ(nullptr, style.hoverfont);
  EXPECT_EQ(0, style.xMargin);
  EXPECT_EQ(0, style.yMargin);
  EXPECT_EQ(0, style.spacing);
  EXPECT_EQ(20, style.linespacing);
  EXPECT_EQ(32512, style.cursor);
  EXPECT_EQ("", style.skin);
  EXPECT_EQ("", style.border);
  EXPECT_EQ("", style.name);
}

// Loads a style document written into a scratch skin folder under id 960.
bool LoadStyleText(const std::string& name, const std::string& text) {
  const std::wstring folder = MakeScratchFolder(name);
  if (!WriteFileBytes(folder + L"\\960.xml", text)) return false;
  SetSkinFolder(folder);
  const bool loaded = LoadStyles(960);
  SetSkinFolder(L"");
  return loaded;
}

bool HasClass(const std::string& name) { return BkStylePool::Instance().Styles().count(name) != 0; }

TEST(BkStyle, NewStyleHasTheDefaults) {
  BkStyle style;
  ExpectDefaults(style);
  EXPECT_STREQ("style", style.GetTag());
  EXPECT_TRUE(style.HasTag("style"));
  EXPECT_FALSE(style.HasTag("Style"));
  EXPECT_FALSE(style.HasTag(nullptr));
}

TEST(BkStyle, ColourAttributesAnswerOne) {
  BkStyle style;
  EXPECT_EQ(kAttributeHandledAlternate, style.SetAttribute("crbg", "FBFCFD", true));
  EXPECT_EQ(kAttributeHandledAlternate, style.SetAttribute("crbghover", "010203", true));
  EXPECT_EQ(kAttributeHandledAlternate, style.SetAttribute("crtext", "45B1E5", false));
  EXPECT_EQ(kAttributeHandledAlternate, style.SetAttribute("crhover", "FFFFFF", true));
  EXPECT_EQ(kAttributeHandledAlternate, style.SetAttribute("crdisabled", "000000", true));
  EXPECT_EQ(0x00FDFCFBu, style.crbg);
  EXPECT_EQ(0x00030201u, style.crbghover);
  EXPECT_EQ(0x00E5B145u, style.crtext);
  EXPECT_EQ(0x00FFFFFFu, style.crhover);
  EXPECT_EQ(0u, style.crdisabled);
}

// High-contrast colours name system colours, in any letter case; another
// word is refused and leaves the one before.
TEST(BkStyle, HighContrastColoursNameSystemColours) {
  BkStyle style;
  EXPECT_EQ(SystemColourRole::None, style.hcText);
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("hc-crtext", "HighlightText", true));
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("hc-crbg", "btnface", true));
  EXPECT_EQ(kAttributeNotHandled, style.SetAttribute("hc-crtext", "FF0000", true));
  EXPECT_EQ(kAttributeNotHandled, style.SetAttribute("hc-crbg", "", true));
  EXPECT_EQ(SystemColourRole::HighlightText, style.hcText);
  EXPECT_EQ(SystemColourRole::ButtonFace, style.hcBackground);
}

TEST(BkStyle, NameSkinBorderAndTextModeAnswerZero) {
  BkStyle style;
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("name", "dlgtitle", true));
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("skin", "mainbghead", true));
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("border", "mainborderhead", true));
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("textmode", "8034", true));
  EXPECT_EQ("dlgtitle", style.name);
  EXPECT_EQ("mainbghead", style.skin);
  EXPECT_EQ("mainborderhead", style.border);
  EXPECT_EQ(0x8034u, style.textmode);
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("textmode", "80x4", true));
  EXPECT_EQ(0u, style.textmode);
}

TEST(BkStyle, FontsComeFromThePool) {
  BkFontPool::SetDefaultFont(L"宋体", -12);
  BkStyle style;
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("font", "0004", true));
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("hoverfont", "0102", true));
  EXPECT_EQ(BkFontPool::GetFont(4), style.font);
  EXPECT_EQ(BkFontPool::GetFont(0x0102), style.hoverfont);
  // A value that is not hexadecimal names the base font; only 16 bits count.
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("font", "bold", true));
  EXPECT_EQ(BkFontPool::GetFont(0), style.font);
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("hoverfont", "10004", true));
  EXPECT_EQ(BkFontPool::GetFont(4), style.hoverfont);
}

TEST(BkStyle, MarginsSpacingAndLineSpacingAreDecimal) {
  BkStyle style;
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("x-margin", "3", true));
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("y-margin", "-4px", true));
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("spacing", "6", true));
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("linespacing", "abc", true));
  EXPECT_EQ(3, style.xMargin);
  EXPECT_EQ(-4, style.yMargin);
  EXPECT_EQ(6, style.spacing);
  EXPECT_EQ(0, style.linespacing);
  EXPECT_EQ(kAttributeHandled, style.SetAttribute("margin", "5", true));
  EXPECT_EQ(5, style.xMargin);
  EXPECT_EQ(5, style.yMargin);
}

TEST(BkStyle, CursorNamesAndUnknownCursorKeepsThePrevious) {
  BkStyle style;
  EXPECT_EQ(kAttributeHandledAlternate, style.SetAttribute("cursor", "hand", true));
  EXPECT_EQ(32649, style.cursor);
  EXPECT_EQ(kAttributeHandledAlternate, style.SetAttribute("cursor", "ibeam", true));
  EXPECT_EQ(32513, style.cursor);
  EXPECT_EQ(kAttributeNotHandled, style.SetAttribute("cursor", "Hand", true));
  EXPECT_EQ(kAttributeNotHandled, style.SetAttribute("cursor", "pointer", true));
  EXPECT_EQ(32513, style.cursor);
  EXPECT_EQ(kAttributeHandledAlternate, style.SetAttribute("cursor", "arrow", true));
  EXPECT_EQ(32512, style.cursor);
}

TEST(BkStyle, UnknownAttributesFailAndChangeNothing) {
  BkStyle style;
  EXPECT_EQ(kAttributeNotHandled, style.SetAttribute("class", "fill", true));
  EXPECT_EQ(kAttributeNotHandled, style.SetAttribute("CrBg", "FFFFFF", true));
  EXPECT_EQ(kAttributeNotHandled, style.SetAttribute("", "", true));
  EXPECT_EQ(static_cast<HRESULT>(0x80004005), style.SetAttribute("pos", "1,2", true));
  ExpectDefaults(style);
}

TEST(BkStyle, CopiesAreIndependentValues) {
  BkStyle style;
  style.SetAttribute("skin", "one", true);
  style.SetAttribute("crbg", "FF0000", true);
  BkStyle copy = style;
  style.SetAttribute("skin", "two", true);
  EXPECT_EQ("one", copy.skin);
  EXPECT_EQ(0x0000FFu, copy.crbg);
  copy = BkStyle();
  ExpectDefaults(copy);
}

TEST(BkStyle, LoadAppliesAttributesInDocumentOrder) {
  TiXmlDocument marginFirst;
  marginFirst.Parse("<class margin=\"5\" x-margin=\"2\" unknown=\"1\"/>");
  BkStyle style;
  ASSERT_TRUE(style.Load(marginFirst.RootElement()));
  EXPECT_EQ(2, style.xMargin);
  EXPECT_EQ(5, style.yMargin);

  TiXmlDocument marginLast;
  marginLast.Parse("<class x-margin=\"2\" margin=\"5\"/>");
  BkStyle other;
  ASSERT_TRUE(other.Load(marginLast.RootElement()));
  EXPECT_EQ(5, other.xMargin);
  EXPECT_EQ(5, other.yMargin);
  EXPECT_FALSE(other.Load(nullptr));
}

class StylePoolTest : public ::testing::Test {
 protected:
  void SetUp() override { BkFontPool::SetDefaultFont(L"宋体", -12); }
};

TEST_F(StylePoolTest, LoadsEveryAttributeOfAClass) {
  ASSERT_TRUE(LoadStyles(902));
  const BkStyle& every = GetStyle("every");
  EXPECT_EQ("every", every.name);
  EXPECT_EQ(0x00FDFCFBu, every.crbg);
  EXPECT_EQ(0x00030201u, every.crbghover);
  EXPECT_EQ(0x00E5B145u, every.crtext);
  EXPECT_EQ(0x00FFFFFFu, every.crhover);
  EXPECT_EQ(0x00C0B0A0u, every.crdisabled);
  EXPECT_EQ(0x8024u, every.textmode);
  EXPECT_EQ(BkFontPool::GetFont(0x0004), every.font);
  EXPECT_EQ(BkFontPool::GetFont(0x0102), every.hoverfont);
  EXPECT_EQ(3, every.xMargin);
  EXPECT_EQ(-4, every.yMargin);
  EXPECT_EQ(6, every.spacing);
  EXPECT_EQ(18, every.linespacing);
  EXPECT_EQ(32649, every.cursor);
  EXPECT_EQ("mainbghead", every.skin);
  EXPECT_EQ("mainborderhead", every.border);
}

TEST_F(StylePoolTest, MarginSetsBothAndUnknownCursorKeepsTheDefault) {
  ASSERT_TRUE(LoadStyles(902));
  EXPECT_EQ(5, GetStyle("margin").xMargin);
  EXPECT_EQ(5, GetStyle("margin").yMargin);
  EXPECT_EQ(0x25u, GetStyle("vcenter").textmode);
  EXPECT_EQ(32512, GetStyle("vcenter").cursor);
  EXPECT_EQ(32649, GetStyle("linkimage").cursor);
}

TEST_F(StylePoolTest, ClassOfTheSameNameAppliesOnTop) {
  ASSERT_TRUE(LoadStyles(902));
  const BkStyle& layered = GetStyle("layered");
  EXPECT_EQ(0u, layered.crtext);
  EXPECT_EQ(0x999999u, layered.crbg);
  EXPECT_EQ(2, layered.xMargin);
}

TEST_F(StylePoolTest, OnlyNamedClassElementsBecomeClasses) {
  ASSERT_TRUE(LoadStyles(902));
  EXPECT_FALSE(HasClass("notaclass"));
  // The unnamed class did not touch the default style either.
  ASSERT_TRUE(HasClass(""));
  ExpectDefaults(GetStyle(""));
  EXPECT_EQ(6u, BkStylePool::Instance().Styles().size());  // five classes + default
}

TEST_F(StylePoolTest, UnknownNameGivesTheDefaultStyle) {
  ASSERT_TRUE(LoadStyles(902));
  ExpectDefaults(GetStyle("nosuchclass"));
  ExpectDefaults(GetStyle("Every"));  // names compare with case
  EXPECT_EQ(&GetStyle(""), &GetStyle("nosuchclass"));
}

TEST(StylePool, DefaultStyleExistsBeforeAnyLoad) {
  ExpectDefaults(GetStyle("anything"));
  EXPECT_TRUE(HasClass(""));
}

TEST_F(StylePoolTest, EachLoadReplacesTheWholeSet) {
  ASSERT_TRUE(LoadStyles(902));
  ASSERT_TRUE(HasClass("every"));
  ASSERT_TRUE(LoadStyles(903));
  EXPECT_FALSE(HasClass("every"));
  EXPECT_TRUE(HasClass("fill"));
  EXPECT_EQ(0x999999u, GetStyle("fill").crbg);
  ExpectDefaults(GetStyle(""));
}

TEST_F(StylePoolTest, FolderDocumentWinsOverTheEmbeddedOne) {
  const std::wstring folder = MakeScratchFolder("skinres-styles-folder");
  ASSERT_TRUE(WriteFileBytes(folder + L"\\902.xml", "<style><class name=\"fromdisk\" crbg=\"010101\"/></style>"));
  SetSkinFolder(folder);
  const bool loaded = LoadStyles(902);
  SetSkinFolder(L"");
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(HasClass("fromdisk"));
  EXPECT_FALSE(HasClass("every"));
}

// Hostile documents: the pool keeps the classes it had.
class HostileStyles : public StylePoolTest {
 protected:
  void SetUp() override {
    StylePoolTest::SetUp();
    ASSERT_TRUE(LoadStyles(902));
  }
  void ExpectPoolUnchanged() {
    EXPECT_TRUE(HasClass("every"));
    EXPECT_EQ(0x00E5B145u, GetStyle("every").crtext);
    EXPECT_EQ(6u, BkStylePool::Instance().Styles().size());
  }
};

TEST_F(HostileStyles, MissingDocument) {
  EXPECT_FALSE(LoadStyles(999));
  ExpectPoolUnchanged();
}

TEST_F(HostileStyles, NotXml) {
  EXPECT_FALSE(LoadStyles(904));
  ExpectPoolUnchanged();
  EXPECT_FALSE(LoadStyles(906));
  ExpectPoolUnchanged();
}

TEST_F(HostileStyles, WrongRoot) {
  EXPECT_FALSE(LoadStyles(905));
  ExpectPoolUnchanged();
  EXPECT_FALSE(LoadStyleText("skinres-styles-case", "<Style><class name=\"x\"/></Style>"));
  ExpectPoolUnchanged();
}

TEST_F(HostileStyles, TruncatedDocument) {
  EXPECT_FALSE(LoadStyleText("skinres-styles-cut", "<style><class name=\"x\" crbg=\"FFF"));
  ExpectPoolUnchanged();
}

TEST_F(HostileStyles, DeeplyNestedDocument) {
  std::string deep = "<style>";
  for (int i = 0; i < 200000; ++i) deep += "<class name=\"n\">";
  EXPECT_FALSE(LoadStyleText("skinres-styles-deep", deep));
  ExpectPoolUnchanged();
}

TEST_F(HostileStyles, HugeAttributeValuesLoadWithoutHarm) {
  const std::string nines(1 << 20, '9');
  const std::string name(1 << 20, 'n');
  ASSERT_TRUE(LoadStyleText("skinres-styles-huge",
                            "<style><class name=\"" + name + "\" crtext=\"" + std::string(1 << 20, 'F') +
                                "\" x-margin=\"" + nines + "\" y-margin=\"-" + nines + "\" textmode=\"" +
                                std::string(1 << 20, 'A') + "\" font=\"" + nines + "\" skin=\"" + name +
                                "\"/></style>"));
  const BkStyle& huge = GetStyle(name);
  EXPECT_EQ(name, huge.name);
  EXPECT_EQ(0x00FFFFFFu, huge.crtext);
  EXPECT_EQ(INT_MAX, huge.xMargin);
  EXPECT_EQ(INT_MIN, huge.yMargin);
  EXPECT_EQ(0xAAAAAAAAu, huge.textmode);
  EXPECT_EQ(BkFontPool::GetFont(0x9999), huge.font);
  EXPECT_EQ(name, huge.skin);
}

// A minimal element in the way the element tree embeds styles: "class" copies
// a whole style class, style attributes write into the embedded copy.
class StyledObject : public CBkObject {
 public:
  const char* GetTag() const override { return "styled"; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override {
    const HRESULT base = CBkObject::SetAttribute(name, value, loading);
    if (base != kAttributeNotHandled) return base;
    if (name == "class") {
      style = GetStyle(value);
      return kAttributeHandled;
    }
    if (name == "crtext" || name == "crbg" || name == "font") return style.SetAttribute(name, value, loading);
    return kAttributeNotHandled;
  }
  BkStyle style;
};

StyledObject LoadStyled(const char* xml) {
  TiXmlDocument document;
  document.Parse(xml);
  StyledObject object;
  EXPECT_TRUE(object.Load(document.RootElement()));
  return object;
}

TEST_F(StylePoolTest, ClassAfterCrtextOverwritesIt) {
  ASSERT_TRUE(LoadStyles(902));
  const StyledObject object = LoadStyled("<styled crtext=\"123456\" class=\"linkimage\"/>");
  EXPECT_EQ(kColorNotSet, object.style.crtext);
  EXPECT_EQ(32649, object.style.cursor);
  EXPECT_EQ("linkimage", object.style.name);
}

TEST_F(StylePoolTest, CrtextAfterClassOverridesTheClass) {
  ASSERT_TRUE(LoadStyles(902));
  const StyledObject object = LoadStyled("<styled class=\"every\" crtext=\"123456\"/>");
  EXPECT_EQ(0x00563412u, object.style.crtext);
  EXPECT_EQ(0x00FDFCFBu, object.style.crbg);  // the rest of the class stays
  EXPECT_EQ("mainbghead", object.style.skin);
}

TEST_F(StylePoolTest, UnknownClassCopiesTheDefaultStyle) {
  ASSERT_TRUE(LoadStyles(902));
  const StyledObject object = LoadStyled("<styled crbg=\"123456\" class=\"nosuchclass\"/>");
  ExpectDefaults(object.style);
}

TEST_F(StylePoolTest, CopiedStylesSurviveAReload) {
  ASSERT_TRUE(LoadStyles(902));
  const StyledObject object = LoadStyled("<styled class=\"every\"/>");
  ASSERT_TRUE(LoadStyles(903));
  EXPECT_EQ("mainbghead", object.style.skin);
  EXPECT_EQ(0x00E5B145u, object.style.crtext);
}

}  // namespace
