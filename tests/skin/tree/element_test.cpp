// Element attributes, text and string references, the registry and the
// factory.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/style.h"
#include "skin/tree/element_factory.h"
#include "skin/tree/window_registry.h"
#include "tests/skin/tree/tree_test_util.h"
#include "tests/support/scratch_skin_folder.h"

namespace {

constexpr unsigned kStyleDocument = 910;

class ElementAttributes : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.Write(kStyleDocument,
                              "<style>"
                              "<class name=\"green\" crtext=\"00FF00\" crbg=\"102030\" x-margin=\"4\"/>"
                              "</style>"));
    ASSERT_TRUE(LoadStyles(kStyleDocument));
  }
  ScratchSkinFolder folder_{"tree-attributes"};
};

struct AttributeCase {
  const char* xml;
  std::function<void(const CBkWindow&)> check;
};

TEST_F(ElementAttributes, LoadAppliesEveryAttribute) {
  const AttributeCase cases[] = {
      // class replaces what came before it; what follows it overrides the class
      {"<e crtext=\"FF0000\" class=\"green\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(RGB(0, 255, 0), e.GetStyle().crtext);
         EXPECT_EQ(4, e.GetStyle().xMargin);
       }},
      {"<e class=\"green\" crtext=\"0000FF\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(RGB(0, 0, 255), e.GetStyle().crtext);
         EXPECT_EQ(RGB(0x10, 0x20, 0x30), e.GetStyle().crbg);
       }},
      {"<e crtext=\"FF0000\" class=\"nosuchclass\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(kColorNotSet, e.GetStyle().crtext);
         EXPECT_EQ(0, e.GetStyle().xMargin);
       }},
      {"<e crbg=\"FBFCFD\" crtext=\"45B1E5\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(RGB(0xFB, 0xFC, 0xFD), e.GetStyle().crbg);
         EXPECT_EQ(RGB(0x45, 0xB1, 0xE5), e.GetStyle().crtext);
       }},
      {"<e/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(kColorNotSet, e.GetStyle().crbg);
         EXPECT_EQ(0, e.GetElementId());
         EXPECT_EQ(VAlignTop, e.GetVAlign());
         EXPECT_EQ(AlignLeft, e.GetAlign());
         EXPECT_FALSE(e.IsTransparent());
         EXPECT_TRUE(e.IsVisible(false));
         EXPECT_EQ(nullptr, e.GetStyle().font);
       }},
      {"<e id=\"42\"/>", [](const CBkWindow& e) { EXPECT_EQ(42, e.GetElementId()); }},
      {"<e id=\"-7\"/>", [](const CBkWindow& e) { EXPECT_EQ(-7, e.GetElementId()); }},
      {"<e id=\"12abc\"/>", [](const CBkWindow& e) { EXPECT_EQ(12, e.GetElementId()); }},
      {"<e id=\"abc\"/>", [](const CBkWindow& e) { EXPECT_EQ(0, e.GetElementId()); }},
      {"<e font=\"0004\"/>", [](const CBkWindow& e) { EXPECT_EQ(BkFontPool::GetFont(4), e.GetStyle().font); }},
      {"<e font=\"0000\"/>", [](const CBkWindow& e) { EXPECT_EQ(BkFontPool::GetFont(0), e.GetStyle().font); }},
      {"<e href=\"http://例子.cn/?a=1&amp;b=2\" tip=\"余票查询\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(L"http://例子.cn/?a=1&b=2", e.GetHref());
         EXPECT_EQ(L"余票查询", e.GetTip());
       }},
      {"<e valign=\"middle\" align=\"center\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(VAlignMiddle, e.GetVAlign());
         EXPECT_EQ(AlignCenter, e.GetAlign());
       }},
      {"<e valign=\"bottom\" align=\"right\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(VAlignBottom, e.GetVAlign());
         EXPECT_EQ(AlignRight, e.GetAlign());
       }},
      {"<e valign=\"Middle\" align=\"RIGHT\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(VAlignTop, e.GetVAlign());
         EXPECT_EQ(AlignLeft, e.GetAlign());
       }},
      {"<e transparent=\"1\"/>", [](const CBkWindow& e) { EXPECT_TRUE(e.IsTransparent()); }},
      {"<e transparent=\"0\"/>", [](const CBkWindow& e) { EXPECT_FALSE(e.IsTransparent()); }},
      {"<e show=\"0\"/>",
       [](const CBkWindow& e) {
         EXPECT_FALSE(e.IsVisible(false));
         EXPECT_EQ(unsigned{StateHidden}, e.GetState());
       }},
      {"<e show=\"1\"/>", [](const CBkWindow& e) { EXPECT_TRUE(e.IsVisible(false)); }},
      {"<e show=\"no\"/>", [](const CBkWindow& e) { EXPECT_FALSE(e.IsVisible(false)); }},
      {"<e width=\"full\" height=\"30\" float=\"0\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(SizeFull, e.WidthMode());
         EXPECT_EQ(SizeFixed, e.HeightMode());
         EXPECT_EQ(30, e.FixedHeight());
         EXPECT_EQ(30, e.GetRect().bottom);
         EXPECT_EQ(unsigned{WidthFull | HeightFixed | NotFloat}, e.GetLayoutFlags());
       }},
      {"<e width=\"120\" height=\"full\" float=\"1\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(SizeFixed, e.WidthMode());
         EXPECT_EQ(120, e.FixedWidth());
         EXPECT_EQ(120, e.GetRect().right);
         EXPECT_EQ(SizeFull, e.HeightMode());
         EXPECT_TRUE(e.IsFloat());
         EXPECT_EQ(unsigned{WidthFixed | HeightFull | Float}, e.GetLayoutFlags());
       }},
      {"<e width=\"0\" height=\"-5\"/>",
       [](const CBkWindow& e) {
         EXPECT_EQ(SizeAuto, e.WidthMode());
         EXPECT_EQ(SizeAuto, e.HeightMode());
         EXPECT_EQ(0, e.FixedWidth());
         EXPECT_EQ(0, e.FixedHeight());
         EXPECT_EQ(unsigned{WidthAuto | HeightAuto | NotFloat}, e.GetLayoutFlags());
       }},
      // two pos items: width, height and float are not read
      {"<e pos=\"10,6\" width=\"120\" height=\"full\" float=\"1\"/>",
       [](const CBkWindow& e) {
         EXPECT_TRUE(e.GetPos().Usable());
         EXPECT_EQ(SizeAuto, e.WidthMode());
         EXPECT_EQ(SizeAuto, e.HeightMode());
         EXPECT_EQ(0, e.FixedWidth());
         EXPECT_FALSE(e.IsFloat());
         EXPECT_EQ(0u, e.GetLayoutFlags() & unsigned{WidthFixed | HeightFull | Float | NotFloat});
       }},
      // three items are ignored: width and float are read
      {"<e pos=\"10,6,7\" width=\"120\" float=\"1\"/>",
       [](const CBkWindow& e) {
         EXPECT_FALSE(e.GetPos().Usable());
         EXPECT_EQ(SizeFixed, e.WidthMode());
         EXPECT_EQ(120, e.FixedWidth());
         EXPECT_TRUE(e.IsFloat());
       }},
  };
  for (const AttributeCase& c : cases) {
    SCOPED_TRACE(c.xml);
    std::unique_ptr<RecordingElement> element = LoadLeaf(c.xml);
    c.check(*element);
  }
}

TEST_F(ElementAttributes, AlignWordsAreExactAndWrongWordsChangeNothing) {
  struct Case {
    const char* name;
    const char* value;
    bool handled;
    int expected;
  };
  const Case cases[] = {
      {"valign", "top", true, VAlignTop},        {"valign", "middle", true, VAlignMiddle},
      {"valign", "bottom", true, VAlignBottom},  {"valign", "Top", false, VAlignBottom},
      {"valign", "center", false, VAlignBottom}, {"valign", "", false, VAlignBottom},
      {"align", "left", true, AlignLeft},        {"align", "center", true, AlignCenter},
      {"align", "right", true, AlignRight},      {"align", "Left", false, AlignRight},
      {"align", "middle", false, AlignRight},    {"align", "right ", false, AlignRight},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.value);
    CBkWindow element;
    // a known non-default value first, so that a rejected word visibly changes nothing
    ASSERT_NE(kAttributeNotHandled, element.SetAttribute("valign", "bottom", false));
    ASSERT_NE(kAttributeNotHandled, element.SetAttribute("align", "right", false));
    const HRESULT result = element.SetAttribute(c.name, c.value, false);
    EXPECT_EQ(c.handled, result != kAttributeNotHandled);
    if (!c.handled) {
      EXPECT_EQ(kAttributeNotHandled, result);
    }
    const int actual = std::string(c.name) == "valign" ? element.GetVAlign() : element.GetAlign();
    EXPECT_EQ(c.expected, actual);
  }
}

TEST_F(ElementAttributes, LoadOnlyAttributesAreNotSettableLater) {
  for (const char* name : {"show", "width", "height", "float", "src", "bogus", "onlydrawchild"}) {
    SCOPED_TRACE(name);
    CBkWindow element;
    EXPECT_EQ(kAttributeNotHandled, element.SetAttribute(name, "1", false));
    EXPECT_TRUE(element.IsVisible(false));
    EXPECT_EQ(0, element.FixedWidth());
  }
  for (const char* name : {"class", "id", "crbg", "crtext", "font", "href", "tip", "pos", "transparent"}) {
    SCOPED_TRACE(name);
    CBkWindow element;
    EXPECT_NE(kAttributeNotHandled, element.SetAttribute(name, "1", false));
  }
}

TEST(ElementText, ExpandsStringReferences) {
  BkString::Instance().Set(1, L"Tavora 2012 with a much longer title than its reference");
  BkString::Instance().Set(70, L"北");
  BkString::Instance().Set(2, L"%str1%");
  const struct {
    const char* xml;
    const wchar_t* text;
  } cases[] = {
      {"<e>%str1%</e>", L"Tavora 2012 with a much longer title than its reference"},
      {"<e>%str1%%str70%</e>", L"Tavora 2012 with a much longer title than its reference北"},
      {"<e>%str70%%str1%!</e>", L"北Tavora 2012 with a much longer title than its reference!"},
      {"<e>a%str0%b</e>", L"a%str0%b"},
      {"<e>%strx%%str1%</e>", L"%strx%%str1%"},
      {"<e>%str70%+%str0%+%str70%</e>", L"北+%str0%+%str70%"},
      {"<e>%str70</e>", L"%str70"},
      {"<e>[%str999%]</e>", L"[]"},
      {"<e>%str2%</e>", L"%str1%"},
      {"<e>出发站：</e>", L"出发站："},
      {"<e><b/>text after an element</e>", L""},
      {"<e/>", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    EXPECT_EQ(c.text, LoadLeaf(c.xml)->GetText());
  }
}

TEST(ElementMessages, BaseHandlersAndVisibilityThroughAncestors) {
  ElementPtr<CBkDialog> root = LoadElement("<dlg><dlg><dlg/></dlg></dlg>");
  CBkWindow* child = root->ChildAt(0);
  CBkWindow* grandchild = AsPanel(child)->ChildAt(0);
  EXPECT_EQ(1, grandchild->SendElementMessage(WM_CREATE));
  EXPECT_EQ(1, SendToElement(grandchild->GetHandle(), WM_CREATE));

  child->SendElementMessage(WM_SHOWWINDOW, FALSE);
  EXPECT_FALSE(child->IsVisible(false));
  EXPECT_TRUE(grandchild->IsVisible(false));
  EXPECT_FALSE(grandchild->IsVisible(true));
  child->SendElementMessage(WM_SHOWWINDOW, TRUE);
  EXPECT_TRUE(grandchild->IsVisible(true));

  EXPECT_EQ(0u, root->ChangeState(StateDisabled | StateHover, 0));
  EXPECT_EQ(unsigned{StateDisabled | StateHover}, root->ChangeState(StateChecked, StateHover));
  EXPECT_EQ(unsigned{StateDisabled | StateChecked}, root->GetState());
  EXPECT_TRUE(grandchild->IsDisabled(true));
  EXPECT_FALSE(grandchild->IsDisabled(false));

  const BkHandle gone = grandchild->GetHandle();
  std::unique_ptr<TiXmlDocument> empty = ParseXml("<none/>");
  AsPanel(child)->CreateChildren(empty->RootElement()->FirstChildElement());
  EXPECT_EQ(0, SendToElement(gone, WM_CREATE));
}

TEST(Registry, HandlesCountUpAndAreNeverReused) {
  BkWindowRegistry& registry = BkWindowRegistry::Instance();
  BkHandle last = 0;
  std::vector<BkHandle> gone;
  for (int round = 0; round < 3; ++round) {
    auto first = std::make_unique<CBkWindow>();
    auto second = std::make_unique<CBkWindow>();
    EXPECT_GT(first->GetHandle(), last);
    EXPECT_GT(second->GetHandle(), first->GetHandle());
    EXPECT_EQ(first.get(), registry.Lookup(first->GetHandle()));
    EXPECT_EQ(second.get(), LookupElement(second->GetHandle()));
    last = second->GetHandle();
    gone.push_back(first->GetHandle());
    gone.push_back(second->GetHandle());
  }
  for (BkHandle handle : gone) EXPECT_EQ(nullptr, registry.Lookup(handle)) << handle;
  EXPECT_EQ(nullptr, registry.Lookup(0));
  EXPECT_EQ(nullptr, registry.Lookup(last + 1000));
}

TEST(Registry, CountReturnsToItsStartWhenATreeIsDestroyed) {
  const size_t start = BkWindowRegistry::Instance().Count();
  std::vector<BkHandle> handles;
  {
    ElementPtr<CBkDialog> tree =
        LoadElement("<dlg><dlg><dlg/><dlg><dlg/></dlg></dlg><unknown><dlg/></unknown><dlgfile/></dlg>");
    EXPECT_EQ(start + 6, BkWindowRegistry::Instance().Count());
    handles.push_back(tree->GetHandle());
    for (size_t i = 0; i < tree->ChildCount(); ++i) handles.push_back(tree->ChildAt(i)->GetHandle());
  }
  EXPECT_EQ(start, BkWindowRegistry::Instance().Count());
  for (BkHandle handle : handles) EXPECT_EQ(nullptr, LookupElement(handle));
}

TEST(Registry, GroupMembersIsACopy) {
  BkWindowRegistry& registry = BkWindowRegistry::Instance();
  CBkWindow a, b;
  registry.JoinGroup("stations", a.GetHandle());
  registry.JoinGroup("stations", b.GetHandle());
  registry.JoinGroup("other", b.GetHandle());
  std::vector<BkHandle> members = registry.Members("stations");
  EXPECT_EQ((std::vector<BkHandle>{a.GetHandle(), b.GetHandle()}), members);
  registry.LeaveGroup("stations", a.GetHandle());
  EXPECT_EQ((std::vector<BkHandle>{a.GetHandle(), b.GetHandle()}), members);
  EXPECT_EQ(std::vector<BkHandle>{b.GetHandle()}, registry.Members("stations"));
  EXPECT_EQ(std::vector<BkHandle>{b.GetHandle()}, registry.Members("other"));
  EXPECT_TRUE(registry.Members("nosuchgroup").empty());
  registry.LeaveGroup("stations", b.GetHandle());
  registry.LeaveGroup("other", b.GetHandle());
  EXPECT_TRUE(registry.Members("stations").empty());
}

TEST(Factory, CreatesTheDialogClassesByExactTag) {
  const struct {
    const char* tag;
    const char* created;  // null: no element
  } cases[] = {
      {"dlg", "dlg"},   {"dlgfile", "dlgfile"}, {"Dlg", nullptr},       {"DLGFILE", nullptr}, {"dlg ", nullptr},
      {"div", nullptr}, {"", nullptr},          {"nosuchtag", nullptr}, {nullptr, nullptr},
  };
  const size_t start = BkWindowRegistry::Instance().Count();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag ? c.tag : "(null)");
    std::unique_ptr<CBkWindow> element = CreateChildByName(c.tag);
    if (!c.created) {
      EXPECT_EQ(nullptr, element);
      continue;
    }
    ASSERT_NE(nullptr, element);
    EXPECT_STREQ(c.created, element->GetTag());
    EXPECT_TRUE(element->HasTag(c.created));
    EXPECT_FALSE(element->HasTag("Dlg"));
    EXPECT_FALSE(element->HasTag(nullptr));
    EXPECT_TRUE(element->IsContainer());
  }
  EXPECT_NE(nullptr, dynamic_cast<CBkDialog*>(CreateChildByName("dlg").get()));
  EXPECT_NE(nullptr, dynamic_cast<CBkDialogFile*>(CreateChildByName("dlgfile").get()));
  EXPECT_EQ(start, BkWindowRegistry::Instance().Count());
}

}  // namespace
