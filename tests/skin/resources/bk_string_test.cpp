#include "skin/resources/bk_string.h"

#include "skin/resources/skin_resource.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Text(int id) {
  const wchar_t* text = GetString(id);
  return text ? std::wstring(text) : std::wstring(L"<null>");
}

TEST(StringTable, LoadsEntriesFromADocumentWithByteOrderMark) {
  ASSERT_TRUE(LoadStrings(900));
  EXPECT_EQ(L"Tavora 测试", Text(1));
  EXPECT_EQ(L"北京", Text(70));
  EXPECT_EQ(L"negative id", Text(-3));
  EXPECT_EQ(nullptr, GetString(2));
  EXPECT_EQ(nullptr, GetString(8));  // a "t" element is not a string
}

TEST(StringTable, EmptyTextIsStoredAsEmptyString) {
  ASSERT_TRUE(LoadStrings(900));
  ASSERT_NE(nullptr, GetString(7));
  EXPECT_EQ(L"", Text(7));
}

TEST(StringTable, NonNumericIdIsStoredUnderZeroAndEntriesApplyInOrder) {
  ASSERT_TRUE(LoadStrings(900));
  // "0" comes first, then "x12" reads as 0 and replaces it.
  EXPECT_EQ(L"not a number: stored under 0", Text(0));
}

TEST(StringTable, EntriesWithoutIdAreSkipped) {
  const std::wstring folder = MakeScratchFolder("skinres-strings-noid");
  ASSERT_TRUE(WriteFileBytes(folder + L"\\951.xml", "<string><s>skipped</s><s id=\"5001\">kept</s><s/></string>"));
  SetSkinFolder(folder);
  const size_t before = BkString::Instance().Count();
  const bool loaded = LoadStrings(951);
  SetSkinFolder(L"");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(before + 1, BkString::Instance().Count());
  EXPECT_EQ(L"kept", Text(5001));
}

TEST(StringTable, PlaceholderTextInADocumentIsStoredAsWritten) {
  ASSERT_TRUE(LoadStrings(900));
  EXPECT_EQ(L"%str1%", Text(5));
}

TEST(StringTable, SecondDocumentReplacesAndAddsButKeepsOthers) {
  ASSERT_TRUE(LoadStrings(900));
  const wchar_t* beijing = GetString(70);
  ASSERT_TRUE(LoadStrings(901));
  EXPECT_EQ(L"Replaced", Text(1));
  EXPECT_EQ(L"Added", Text(9));
  EXPECT_EQ(L"北京", Text(70));
  // Entries that were not replaced keep their storage.
  EXPECT_EQ(beijing, GetString(70));
}

TEST(StringTable, BrokenDocumentsLeaveTheTableAsItWas) {
  ASSERT_TRUE(LoadStrings(900));
  const size_t count = BkString::Instance().Count();
  EXPECT_FALSE(LoadStrings(904));  // not XML
  EXPECT_FALSE(LoadStrings(905));  // root is not "string", though it has "s" children
  EXPECT_FALSE(LoadStrings(999));  // missing
  EXPECT_FALSE(LoadStrings(906));  // binary data
  EXPECT_EQ(count, BkString::Instance().Count());
  EXPECT_EQ(L"Tavora 测试", Text(1));
}

TEST(StringTable, RootNameIsCaseSensitive) {
  const std::wstring folder = MakeScratchFolder("skinres-strings-case");
  ASSERT_TRUE(WriteFileBytes(folder + L"\\950.xml", "<String><s id=\"950\">x</s></String>"));
  SetSkinFolder(folder);
  const bool loaded = LoadStrings(950);
  SetSkinFolder(L"");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(nullptr, GetString(950));
}

TEST(StringTable, FolderDocumentWinsAndHugeTextsLoad) {
  const std::wstring folder = MakeScratchFolder("skinres-strings-folder");
  const std::string huge(2 * 1024 * 1024, 'a');
  ASSERT_TRUE(WriteFileBytes(folder + L"\\900.xml",
                             "<string><s id=\"1\">从文件</s><s id=\"2\">" + huge + "</s>"
                             "<s id=\"99999999999\">saturated</s></string>"));
  SetSkinFolder(folder);
  const bool loaded = LoadStrings(900);
  SetSkinFolder(L"");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(L"从文件", Text(1));
  EXPECT_EQ(huge.size(), Text(2).size());
  EXPECT_EQ(L"saturated", Text(2147483647));
}

class StringReferences : public ::testing::Test {
 protected:
  void SetUp() override {
    BkString::Instance().Set(1, L"Tavora 2012");
    BkString::Instance().Set(70, L"北京");
    BkString::Instance().Set(3, L"%str1%");  // inserted text is not expanded again
    BkString::Instance().Set(4, L"");
  }
};

TEST_F(StringReferences, ReplacesAReferenceByTheString) {
  EXPECT_EQ(L"Tavora 2012", ExpandStringReferences(L"%str1%"));
  EXPECT_EQ(L"[Tavora 2012]", ExpandStringReferences(L"[%str1%]"));
}

TEST_F(StringReferences, UnknownIdBecomesEmpty) {
  EXPECT_EQ(L"ab", ExpandStringReferences(L"a%str999999%b"));
  EXPECT_EQ(L"ab", ExpandStringReferences(L"a%str4%b"));
}

TEST_F(StringReferences, SeveralReferencesInOneText) {
  EXPECT_EQ(L"Tavora 2012北京", ExpandStringReferences(L"%str1%%str70%"));
  EXPECT_EQ(L"北京Tavora 2012", ExpandStringReferences(L"%str70%%str1%"));
  EXPECT_EQ(L"x北京yTavora 2012z", ExpandStringReferences(L"x%str70%y%str1%z"));
  EXPECT_EQ(L"-Tavora 2012-", ExpandStringReferences(L"%str999999%-%str1%-%str999999%"));
}

TEST_F(StringReferences, InsertedTextIsNotSearchedAgain) {
  EXPECT_EQ(L"%str1%", ExpandStringReferences(L"%str3%"));
  EXPECT_EQ(L"%str1%北京", ExpandStringReferences(L"%str3%%str70%"));
}

TEST_F(StringReferences, NonPositiveNumberIsLeftAndEndsTheExpansion) {
  EXPECT_EQ(L"%str0%", ExpandStringReferences(L"%str0%"));
  EXPECT_EQ(L"%str-1% %str1%", ExpandStringReferences(L"%str-1% %str1%"));
  EXPECT_EQ(L"%strabc% %str1%", ExpandStringReferences(L"%strabc% %str1%"));
  EXPECT_EQ(L"Tavora 2012 %str0% %str1%", ExpandStringReferences(L"%str1% %str0% %str1%"));
  EXPECT_EQ(L"%str", ExpandStringReferences(L"%str"));
}

TEST_F(StringReferences, MissingClosingPercentIsLeftAsWritten) {
  EXPECT_EQ(L"%str1", ExpandStringReferences(L"%str1"));
  EXPECT_EQ(L"Tavora 2012 and %str70", ExpandStringReferences(L"%str1% and %str70"));
}

TEST_F(StringReferences, TextWithoutReferencesIsUnchanged) {
  EXPECT_EQ(L"", ExpandStringReferences(L""));
  EXPECT_EQ(L"50% off %s", ExpandStringReferences(L"50% off %s"));
  EXPECT_EQ(L"%STR1%", ExpandStringReferences(L"%STR1%"));
}

}  // namespace
