#include "skin/resources/bk_object.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <vector>

namespace {

TEST(AttributeResults, NotHandledIsTheFailureStatusAndHandledIsZeroOrOne) {
  EXPECT_EQ(kAttributeNotHandled, static_cast<HRESULT>(0x80004005));
  EXPECT_EQ(kAttributeNotHandled, E_FAIL);
  EXPECT_EQ(kAttributeHandled, 0);
  EXPECT_EQ(kAttributeHandledAlternate, 1);
}

TEST(BkObject, TheRootKnowsNoAttributeAndNoTag) {
  CBkObject object;
  const char* const kNames[] = {"name", "src", "pos", "", "crbg"};
  for (const char* name : kNames) {
    EXPECT_EQ(object.SetAttribute(name, "1", true), static_cast<HRESULT>(0x80004005)) << name;
    EXPECT_EQ(object.SetAttribute(name, "1", false), kAttributeNotHandled) << name;
  }
  EXPECT_STREQ(object.GetTag(), "");
  EXPECT_FALSE(object.HasTag(nullptr));
  EXPECT_FALSE(object.HasTag("style"));
  EXPECT_FALSE(object.Load(nullptr));
}

// Records what Load hands to SetAttribute; handles "a" only.
class RecordingObject : public CBkObject {
 public:
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override {
    const HRESULT base = CBkObject::SetAttribute(name, value, loading);
    if (base != kAttributeNotHandled) return base;
    seen.push_back(name + "=" + value + (loading ? " (loading)" : ""));
    return name == "a" ? kAttributeHandled : kAttributeNotHandled;
  }
  std::vector<std::string> seen;
};

TEST(BkObject, LoadAppliesEveryAttributeInDocumentOrderWhateverTheResults) {
  TiXmlDocument document;
  document.Parse("<x z='1' a='two' m='' a2='\xE5\xAE\x8B'/>", nullptr, TIXML_ENCODING_UTF8);
  RecordingObject object;
  EXPECT_TRUE(object.Load(document.RootElement()));
  const std::vector<std::string> expected = {"z=1 (loading)", "a=two (loading)", "m= (loading)",
                                             "a2=\xE5\xAE\x8B (loading)"};
  EXPECT_EQ(object.seen, expected);
}

}  // namespace
