#include "skin/resources/skin_xml.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

namespace {

std::string Nested(int levels) {
  std::string text;
  for (int i = 0; i < levels; ++i) text += "<a>";
  for (int i = 0; i < levels; ++i) text += "</a>";
  return text;
}

TEST(XmlNestingDepth, CountsOpenElements) {
  EXPECT_EQ(0, XmlNestingDepth(""));
  EXPECT_EQ(0, XmlNestingDepth(nullptr));
  EXPECT_EQ(1, XmlNestingDepth("<a/>"));
  EXPECT_EQ(1, XmlNestingDepth("<a></a><b></b>"));
  EXPECT_EQ(3, XmlNestingDepth("<a><b><c/><c></c></b></a>"));
  EXPECT_EQ(2, XmlNestingDepth("<a x=\"1\" y='2'><b  /><b\n/><c x=\"/\"></c></a>"));
}

TEST(XmlNestingDepth, SkipsCommentsDeclarationsAndQuotedValues) {
  EXPECT_EQ(1, XmlNestingDepth("<?xml version=\"1.0\"?><a><!-- <b><c><d> --></a>"));
  EXPECT_EQ(1, XmlNestingDepth("<a><![CDATA[<b><c>]]></a>"));
  EXPECT_EQ(1, XmlNestingDepth("<!DOCTYPE x><a t=\"<b><c>\"></a>"));
}

TEST(XmlNestingDepth, ProcessingInstructionsEndAtTheFirstAngleBracket) {
  // The parser ends "<?x ...>" at its first '>', so what follows counts.
  EXPECT_EQ(3, XmlNestingDepth("<?x><a><a><a>?>"));
}

TEST(XmlNestingDepth, UnclosedTagsCount) {
  EXPECT_EQ(4, XmlNestingDepth("<a><a><a><a"));
  EXPECT_EQ(1000, XmlNestingDepth(Nested(1000).c_str()));
}

TEST(ParseSkinDocument, ParsesUtf8WithAndWithoutByteOrderMark) {
  TiXmlDocument document;
  ASSERT_TRUE(ParseSkinDocument(std::string("\xEF\xBB\xBF<string><s id=\"1\">\xE5\xAE\x8B</s></string>"), document));
  ASSERT_NE(nullptr, document.RootElement());
  EXPECT_EQ("string", document.RootElement()->ValueStr());
  EXPECT_STREQ("\xE5\xAE\x8B", document.RootElement()->FirstChildElement("s")->GetText());
  ASSERT_TRUE(ParseSkinDocument(std::string("<style/>"), document));
  EXPECT_EQ("style", document.RootElement()->ValueStr());
}

TEST(ParseSkinDocument, AcceptsTheDepthLimitAndRefusesDeeper) {
  TiXmlDocument document;
  EXPECT_TRUE(ParseSkinDocument(Nested(kMaxSkinXmlDepth), document));
  EXPECT_FALSE(ParseSkinDocument(Nested(kMaxSkinXmlDepth + 1), document));
  EXPECT_EQ(nullptr, document.RootElement());
}

TEST(ParseSkinDocument, RefusesEnormouslyDeepDocumentsQuietly) {
  std::string deep;
  for (int i = 0; i < 500000; ++i) deep += "<a>";
  TiXmlDocument document;
  EXPECT_FALSE(ParseSkinDocument(deep, document));
}

TEST(ParseSkinDocument, ErrorsLeaveAnEmptyDocument) {
  TiXmlDocument document;
  ASSERT_TRUE(ParseSkinDocument(std::string("<style/>"), document));
  EXPECT_FALSE(ParseSkinDocument(std::string("<style><class></style>"), document));
  EXPECT_EQ(nullptr, document.RootElement());
  EXPECT_FALSE(ParseSkinDocument(std::string(""), document));
  EXPECT_FALSE(ParseSkinDocument(static_cast<const char*>(nullptr), document));
  EXPECT_FALSE(ParseSkinDocument(std::string("not xml"), document));
}

}  // namespace
