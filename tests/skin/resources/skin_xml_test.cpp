#include "skin/resources/skin_xml.h"

#include <gtest/gtest.h>
#include <tinyxml.h>
#include <windows.h>

#include <cstring>
#include <string>

namespace {

std::string Repeat(const std::string& unit, int count) {
  std::string text;
  text.reserve(unit.size() * static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) text += unit;
  return text;
}

std::string Nested(int levels) { return Repeat("<a>", levels) + Repeat("</a>", levels); }

std::string WithAttributes(int count) {
  std::string text = "<a";
  for (int i = 0; i < count; ++i) text += " n" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  return text + "/>";
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
  EXPECT_TRUE(ParseSkinDocument(Nested(kMaxXmlDepth), document));
  EXPECT_FALSE(ParseSkinDocument(Nested(kMaxXmlDepth + 1), document));
  EXPECT_EQ(nullptr, document.RootElement());
}

TEST(ParseSkinDocument, RefusesEnormouslyDeepDocumentsQuietly) {
  TiXmlDocument document;
  EXPECT_FALSE(ParseSkinDocument(Repeat("<a>", 500000), document));
}

// Nesting hidden behind constructs that a separate scanner could read
// differently from the parser; the parser's own count sees through them all.
// 20,000 levels overflow the main thread's stack when nothing stops them.
TEST(ParseSkinDocument, RefusesDeepNestingWhateverComesBeforeIt) {
  const std::string deep = Repeat("<a>", 20000);
  const struct {
    const char* name;
    std::string prefix;
  } cases[] = {
      {"plain", "<r>"},
      {"'<' before a non-name character, quote inside", "<r><# \">"},
      {"'<' before a digit", "<r><1 '>"},
      {"declaration with '>' inside a quoted value", "<?xml version=\"><x y='\" ?><r>"},
      {"unknown '<!' node with a quote", "<r><!x \">"},
      {"comment", "<r><!-- ' \" -->"},
      {"CDATA", "<r><![CDATA[ \" ]]>"},
      {"attribute value with tags", "<r t=\"<b><c>'\">"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TiXmlDocument document;
    EXPECT_FALSE(ParseSkinDocument(c.prefix + deep, document));
    EXPECT_EQ(nullptr, document.RootElement());
    // The same lead-in before shallow nesting parses, so it is the depth that
    // is refused. Every lead-in leaves element "r" open.
    EXPECT_TRUE(ParseSkinDocument(c.prefix + Nested(10) + "</r>", document));
  }
}

TEST(ParseSkinDocument, BoundsAttributesPerElement) {
  const struct {
    int attributes;
    bool parses;
  } cases[] = {{0, true}, {1, true}, {kMaxXmlAttributes, true}, {kMaxXmlAttributes + 1, false},
               {100000, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attributes);
    TiXmlDocument document;
    EXPECT_EQ(c.parses, ParseSkinDocument(WithAttributes(c.attributes), document));
    if (c.parses) {
      int seen = 0;
      for (const TiXmlAttribute* a = document.RootElement()->FirstAttribute(); a; a = a->Next()) ++seen;
      EXPECT_EQ(c.attributes, seen);
    }
  }
  // The bound is per element: many elements with many attributes each parse.
  TiXmlDocument document;
  EXPECT_TRUE(ParseSkinDocument("<r>" + Repeat(WithAttributes(kMaxXmlAttributes), 50) + "</r>", document));
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

TEST(ParseSkinDocument, TextAfterAZeroByteIsNotRead) {
  TiXmlDocument document;
  // A cut character right before the zero byte must not carry the parser
  // past it into markup that would complete the document.
  EXPECT_FALSE(ParseSkinDocument(std::string("<a>\xE5\0</a>", 7), document));
  EXPECT_FALSE(ParseSkinDocument(std::string("<a>\xF0\x9F\0</a>", 9), document));
  ASSERT_TRUE(ParseSkinDocument(std::string("<a>x</a>\0<b>", 12), document));
  EXPECT_EQ(nullptr, document.RootElement()->NextSiblingElement());
}

TEST(ParseXmlDocument, WideTextParsesAsUtf8UpToItsFirstZero) {
  static const wchar_t kText[] = L"<a>\xD800\x4F59</a>\0<b/>";
  TiXmlDocument document;
  ASSERT_TRUE(ParseXmlDocument(std::wstring(kText, sizeof(kText) / sizeof(kText[0]) - 1), document));
  EXPECT_STREQ("\xEF\xBF\xBD\xE4\xBD\x99", document.RootElement()->GetText());  // U+FFFD, U+4F59
  EXPECT_EQ(nullptr, document.RootElement()->NextSiblingElement());
  EXPECT_FALSE(ParseXmlDocument(std::wstring(L"<a>\0</a>", 8), document));
  EXPECT_EQ(nullptr, document.RootElement());
}

// The prepared text ends exactly against a page that cannot be read, so any
// read past the terminator and its padding faults.
class GuardedText {
 public:
  explicit GuardedText(const std::string& text) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    const size_t pages = (text.size() + 1 + page - 1) / page;
    base_ = static_cast<char*>(VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    if (base_) VirtualProtect(base_ + pages * page, page, PAGE_NOACCESS, &old);
    text_ = base_ ? base_ + pages * page - (text.size() + 1) : nullptr;
    if (text_) std::memcpy(text_, text.c_str(), text.size() + 1);
  }
  ~GuardedText() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  }
  GuardedText(const GuardedText&) = delete;
  GuardedText& operator=(const GuardedText&) = delete;
  const char* Get() const { return text_; }

 private:
  char* base_ = nullptr;
  char* text_ = nullptr;
};

TEST(PrepareXmlText, ReplacesMalformedUtf8AndPads) {
  const std::string fffd = "\xEF\xBF\xBD";
  const struct {
    const char* name;
    std::string input;
    std::string expected;
  } cases[] = {
      {"ASCII", "<a x='1'>t</a>", "<a x='1'>t</a>"},
      {"Chinese and a four-byte character", "\xE5\xAE\x8B\xF0\x9F\x98\x80", "\xE5\xAE\x8B\xF0\x9F\x98\x80"},
      {"lead byte at the end", "ab\xE5", "ab" + fffd},
      {"two of three bytes at the end", "ab\xE5\xAE", "ab" + fffd},
      {"three of four bytes at the end", "\xF0\x9F\x98", fffd},
      {"cut character before a zero byte", std::string("a\xE5\0<b/>", 7), "a" + fffd},
      {"stray continuation byte", "a\x80z", "a" + fffd + "z"},
      {"lead byte followed by ASCII", "\xE5<a>", fffd + "<a>"},
      {"overlong two-byte form", "\xC0\xAF", fffd + fffd},
      {"overlong three-byte form", "\xE0\x80\xAF", fffd + fffd + fffd},
      {"surrogate", "\xED\xA0\x80", fffd + fffd + fffd},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},
      {"invalid lead bytes", "\xF8\xFF", fffd + fffd},
      {"everything after the first zero goes", std::string("<a/>\0\xE5", 6), "<a/>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string prepared = PrepareXmlText(c.input);
    ASSERT_GE(prepared.size(), 3u);
    EXPECT_EQ(c.expected, prepared.substr(0, prepared.size() - 3));
    EXPECT_EQ(std::string(3, '\0'), prepared.substr(prepared.size() - 3));
    // Whatever the bytes, the parser stays inside the prepared buffer.
    GuardedText guarded(prepared);
    ASSERT_NE(nullptr, guarded.Get());
    TiXmlDocument document;
    document.Parse(guarded.Get(), nullptr, TIXML_ENCODING_UTF8);
  }
}

TEST(PrepareXmlText, CutCharactersAtTheEndOfMarkupStayInsideTheBuffer) {
  // Each input ends in the middle of a construct with a cut character, the
  // place where the parser steps over the declared length.
  const struct {
    const char* input;
    bool error;
  } cases[] = {{"<a x='\xF0", true}, {"<a>\xE5", true},   {"<\xE5", true},
               {"<a \xF0\x9F", true}, {"<a>&#\xF0", true}, {"\xEF\xBB", true},
               // The parser takes an unterminated comment as the whole document.
               {"<!-- \xE5", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    const std::string prepared = PrepareXmlText(c.input);
    GuardedText guarded(prepared);
    ASSERT_NE(nullptr, guarded.Get());
    TiXmlDocument document;
    document.Parse(guarded.Get(), nullptr, TIXML_ENCODING_UTF8);
    EXPECT_EQ(c.error, document.Error());
  }
}

}  // namespace
