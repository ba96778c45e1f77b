// Containers: child creation and destruction, search by id, hit testing,
// mouse forwarding, dialog files and documents that are too deep or too big.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "skin/resources/skin_xml.h"
#include "skin/tree/load_budget.h"
#include "skin/tree/window_registry.h"
#include "tests/skin/tree/tree_test_util.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/scratch_skin_folder.h"
#include "tests/support/test_support.h"

namespace {

size_t Registered() { return BkWindowRegistry::Instance().Count(); }

TEST(Containers, CreateChildrenTwiceKeepsOnlyTheSecondSet) {
  const size_t start = Registered();
  ElementPtr<CBkDialog> root = LoadElement("<dlg><dlg id=\"1\"/><dlg id=\"2\"><dlg id=\"3\"/></dlg><dlg/></dlg>");
  ASSERT_EQ(3u, root->ChildCount());
  EXPECT_EQ(start + 5, Registered());
  const std::vector<BkHandle> first = root->ChildHandles();
  const BkHandle grandchild = AsPanel(root->ChildAt(1))->ChildAt(0)->GetHandle();

  std::unique_ptr<TiXmlDocument> second = ParseXml("<set><dlg id=\"7\"/><nosuchtag/><dlg id=\"8\"/></set>");
  EXPECT_TRUE(root->CreateChildren(second->RootElement()->FirstChildElement()));
  ASSERT_EQ(2u, root->ChildCount());
  EXPECT_EQ(7, root->ChildAt(0)->GetElementId());
  EXPECT_EQ(8, root->ChildAt(1)->GetElementId());
  EXPECT_EQ(start + 3, Registered());
  for (BkHandle handle : first) EXPECT_EQ(nullptr, LookupElement(handle));
  EXPECT_EQ(nullptr, LookupElement(grandchild));
  for (size_t i = 0; i < root->ChildCount(); ++i) EXPECT_EQ(root->GetHandle(), root->ChildAt(i)->GetParent());

  EXPECT_TRUE(root->CreateChildren(nullptr));
  EXPECT_EQ(0u, root->ChildCount());
  EXPECT_EQ(start + 1, Registered());
}

TEST(Containers, ChildrenKnowTheirParentDepthAndHost) {
  MessageCounterWindow host;
  ASSERT_NE(nullptr, host.hwnd());
  ElementPtr<CBkDialog> root = LoadElement("<dlg><dlg><dlg/></dlg></dlg>", nullptr, host.hwnd());
  CBkWindow* child = root->ChildAt(0);
  CBkWindow* grandchild = AsPanel(child)->ChildAt(0);
  EXPECT_EQ(0, root->Depth());
  EXPECT_EQ(1, child->Depth());
  EXPECT_EQ(2, grandchild->Depth());
  EXPECT_EQ(child, grandchild->GetParentElement());
  EXPECT_EQ(host.hwnd(), grandchild->GetHostWindow());

  MessageCounterWindow other;
  root->SetHostWindow(other.hwnd());
  EXPECT_EQ(other.hwnd(), child->GetHostWindow());
  EXPECT_EQ(other.hwnd(), grandchild->GetHostWindow());
}

TEST(Containers, FindElementByIdSearchesChildrenBeforeGrandchildren) {
  ElementPtr<CBkDialog> root = LoadElement(
      "<dlg>"
      "<dlg id=\"1\"><dlg id=\"7\"/><dlg id=\"9\"/></dlg>"
      "<dlg id=\"2\" show=\"0\"><dlg id=\"9\"/><dlg id=\"8\"/><dlg id=\"11\"/></dlg>"
      "<dlg id=\"7\"><dlg id=\"10\"/><dlg id=\"11\"/></dlg>"
      "</dlg>");
  CBkPanel* a = AsPanel(root->ChildAt(0));
  CBkPanel* b = AsPanel(root->ChildAt(1));
  CBkPanel* c = AsPanel(root->ChildAt(2));
  const struct {
    int id;
    CBkWindow* expected;
  } cases[] = {
      {7, c},              // a child before an earlier grandchild
      {9, a->ChildAt(1)},  // the earlier subtree first
      {2, b},              // hidden children are searched
      {8, b->ChildAt(1)},  // and so are their subtrees
      {11, b->ChildAt(2)},
      {10, c->ChildAt(0)},
      {1, a},
      {12345, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(c.expected, root->FindElementById(c.id));
  }
}

TEST(Containers, HitTestOrder) {
  // root (0, 0)-(100, 100)
  ElementPtr<CBkDialog> root = LayOut(
      "<dlg pos=\"0,0,-0,-0\">"
      "<dlg pos=\"0,0,60,60\"/>"                                                     // 0: earlier, below
      "<dlg pos=\"20,20,80,80\"/>"                                                   // 1: later, painted on top
      "<dlg pos=\"0,80,20,-0\" transparent=\"1\"/>"                                  // 2
      "<dlg pos=\"80,0,-0,20\" show=\"0\"/>"                                         // 3: hidden
      "<dlg pos=\"40,80,60,-0\" onlydrawchild=\"1\"><dlg pos=\"0,0,-0,-0\"/></dlg>"  // 4
      "<dlg float=\"1\" width=\"10\" height=\"10\"/>"                                // 5: float, over child 0
      "<dlg pos=\"80,80,-0,-0\"><dlg pos=\"0,0,10,10\" transparent=\"1\"/><dlg pos=\"5,5,-0,-0\"/></dlg>"  // 6
      "</dlg>",
      100, 100);
  ASSERT_EQ(7u, root->ChildCount());
  auto child = [&](size_t i) { return root->ChildAt(i)->GetHandle(); };
  auto grandchild = [&](size_t i, size_t j) { return AsPanel(root->ChildAt(i))->ChildAt(j)->GetHandle(); };
  const struct {
    int x, y;
    BkHandle expected;
  } cases[] = {
      {5, 5, child(5)},  // float children first
      {10, 5, child(0)},
      {19, 19, child(0)},
      {30, 30, child(1)},  // the later (topmost) of two overlapping siblings
      {59, 59, child(1)},
      {60, 60, child(1)},  // right and bottom exclusive
      {70, 70, child(1)},
      {10, 90, root->GetHandle()},  // transparent: skipped
      {90, 10, root->GetHandle()},  // hidden: skipped
      {50, 90, child(4)},           // onlydrawchild answers for its children
      {82, 82, child(6)},           // transparent grandchild skipped ...
      {86, 86, grandchild(6, 1)},   // ... a later opaque one found
      {0, 0, child(5)},
      {99, 99, grandchild(6, 1)},
      {100, 50, 0},
      {-1, 50, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "(" << c.x << ", " << c.y << ")");
    EXPECT_EQ(c.expected, root->HitTest(c.x, c.y, 0));
  }
  // with the later sibling transparent, the earlier one below it is hit
  ElementPtr<CBkDialog> second = LayOut(
      "<dlg pos=\"0,0,-0,-0\"><dlg pos=\"0,0,60,60\"/><dlg pos=\"20,20,80,80\" transparent=\"1\"/></dlg>", 100, 100);
  EXPECT_EQ(second->ChildAt(0)->GetHandle(), second->HitTest(30, 30, 0));
}

TEST(Containers, MouseMoveReachesEveryVisibleChildUnderThePoint) {
  ElementPtr<TestDialog> root = LoadElement<TestDialog>("<dlg pos=\"0,0,-0,-0\"/>");
  const char* leaves[] = {
      "<e pos=\"0,0,60,60\"/>",                      // under the point
      "<e pos=\"20,20,80,80\"/>",                    // under the point, overlapping the first
      "<e pos=\"0,0,-0,-0\" show=\"0\"/>",           // hidden
      "<e pos=\"70,70,-0,-0\"/>",                    // elsewhere
      "<e pos=\"30,30,40,40\" transparent=\"1\"/>",  // transparent only to hit tests
  };
  std::vector<RecordingElement*> children;
  for (const char* leaf : leaves) children.push_back(root->Adopt(LoadLeaf(leaf)));
  PlaceElement(*root, 0, 0, 100, 100);
  for (RecordingElement* child : children) child->messages.clear();

  const LPARAM point = MAKELPARAM(35, 35);
  root->SendElementMessage(WM_MOUSEMOVE, MK_LBUTTON, point);
  const int expected[] = {1, 1, 0, 0, 1};
  for (size_t i = 0; i < children.size(); ++i) {
    SCOPED_TRACE(leaves[i]);
    EXPECT_EQ(expected[i], children[i]->Count(WM_MOUSEMOVE));
    if (expected[i]) {
      EXPECT_EQ(point, children[i]->lParams.back());
    }
  }
}

// Writes documents into a scratch skin folder; the tests load them through
// "dlgfile" elements.
class DialogFiles : public ::testing::Test {
 protected:
  ScratchSkinFolder folder_{"tree-dlgfile"};
};

TEST_F(DialogFiles, FragmentGivesOneChildPerTopLevelElement) {
  ASSERT_TRUE(folder_.Write(920,
                            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<dlg id=\"1\" pos=\"0,0,10,10\"/>\n<nosuchtag id=\"5\"><dlg id=\"6\"/></nosuchtag>\n"
                            "<dlg id=\"2\"><dlg id=\"4\"/></dlg>\n<dlgfile id=\"3\"/>\n"));
  bool loaded = false;
  ElementPtr<CBkDialogFile> file =
      LoadElement<CBkDialogFile>("<dlgfile src=\"920\" id=\"77\"><dlg id=\"99\"/></dlgfile>", &loaded);
  EXPECT_TRUE(loaded);
  EXPECT_EQ(77, file->GetElementId());
  ASSERT_EQ(3u, file->ChildCount());  // its own XML children are not loaded
  EXPECT_EQ(1, file->ChildAt(0)->GetElementId());
  EXPECT_EQ(2, file->ChildAt(1)->GetElementId());
  EXPECT_EQ(3, file->ChildAt(2)->GetElementId());
  EXPECT_EQ(nullptr, file->FindElementById(99));
  EXPECT_EQ(nullptr, file->FindElementById(6));
  EXPECT_NE(nullptr, file->FindElementById(4));
  EXPECT_EQ(file->GetHandle(), file->ChildAt(0)->GetParent());
}

TEST_F(DialogFiles, BrokenMissingAndRecursiveDocuments) {
  ASSERT_TRUE(folder_.Write(921, "<dlgfile id=\"1\" src=\"921\"/>"));
  ASSERT_TRUE(folder_.Write(922, "<dlg id=\"1\"/><dlgfile id=\"2\" src=\"923\"/>"));
  ASSERT_TRUE(folder_.Write(923, "<dlgfile id=\"3\" src=\"922\"/>"));
  ASSERT_TRUE(folder_.Write(924, "<dlg id=\"1\"><dlg></dlg"));
  ASSERT_TRUE(folder_.Write(925, "\xEF\xBB\xBF"));
  const struct {
    const char* xml;
    bool loaded;
    int elements;  // below the dialog file
  } cases[] = {
      {"<dlgfile src=\"921\"/>", true, 1},   // 921 -> (921 again: empty)
      {"<dlgfile src=\"922\"/>", true, 3},   // 922 -> dlg, 923 -> (922 again: empty)
      {"<dlgfile src=\"999\"/>", true, 0},   // no such document
      {"<dlgfile src=\"924\"/>", false, 0},  // does not parse
      {"<dlgfile src=\"925\"/>", false, 0}, {"<dlgfile/>", false, 0}, {"<dlgfile src=\"\"/>", false, 0},
  };
  const size_t start = Registered();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    bool loaded = !c.loaded;
    ElementPtr<CBkDialogFile> file = LoadElement<CBkDialogFile>(c.xml, &loaded);
    EXPECT_EQ(c.loaded, loaded);
    EXPECT_EQ(start + 1 + c.elements, Registered());
    PlaceElement(*file, 0, 0, 50, 50);
    DibCanvas canvas(50, 50);
    EXPECT_TRUE(file->PaintInRegion(canvas.dc(), nullptr));
  }
  EXPECT_EQ(start, Registered());

  // a dialog file that fails is still kept by its parent
  ElementPtr<CBkDialog> parent =
      LoadElement("<dlg><dlgfile id=\"1\" src=\"924\"/><dlgfile id=\"2\"/><dlg id=\"3\"/></dlg>");
  ASSERT_EQ(3u, parent->ChildCount());
  EXPECT_EQ(0u, AsPanel(parent->ChildAt(0))->ChildCount());
  EXPECT_STREQ("dlgfile", parent->ChildAt(1)->GetTag());
  EXPECT_EQ(3, parent->ChildAt(2)->GetElementId());
}

// One load (load_budget.h) fails as a whole and leaves nothing behind when
// its documents include one another past the document count, or hold more
// elements or bytes than it may take; the next load starts afresh.
TEST_F(DialogFiles, OneLoadStopsAtItsBudgetAndKeepsNothing) {
  ASSERT_TRUE(folder_.WriteIncludeFan(940, 4, 12, 0));  // 1,885 documents
  std::string many;
  for (size_t i = 0; i <= kMaxLoadElements; ++i) many += "<text/>";
  ASSERT_TRUE(folder_.Write(944, many));
  ASSERT_TRUE(folder_.Write(945, "<text/><!--" + std::string(kMaxLoadDocumentBytes, 'x') + "-->"));
  ASSERT_TRUE(folder_.WriteIncludeFan(946, 2, kMaxLoadDocuments - 1, 0));
  const struct {
    unsigned src;
    bool loaded;
    size_t elements;  // below the outer dialog
  } cases[] = {{940, false, 0}, {944, false, 0}, {945, false, 0}, {946, true, 1 + 2 * (kMaxLoadDocuments - 1)}};
  const size_t start = Registered();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.src);
    bool loaded = !c.loaded;
    ElementPtr<CBkDialog> dialog = LoadElement("<dlg><dlgfile src=\"" + std::to_string(c.src) + "\"/></dlg>", &loaded);
    EXPECT_EQ(c.loaded, loaded);
    EXPECT_EQ(start + 1 + c.elements, Registered());
  }
}

std::string Nested(const std::string& open, int depth, const std::string& inner, const std::string& close) {
  std::string text;
  text.reserve((open.size() + close.size()) * depth + inner.size());
  for (int i = 0; i < depth; ++i) text += open;
  text += inner;
  for (int i = 0; i < depth; ++i) text += close;
  return text;
}

TEST_F(DialogFiles, DocumentNestedTooDeeplyFailsQuietly) {
  ASSERT_TRUE(folder_.Write(930, Nested("<dlg>", 100000, "", "</dlg>")));
  const size_t start = Registered();
  bool loaded = true;
  ElementPtr<CBkDialogFile> file = LoadElement<CBkDialogFile>("<dlgfile src=\"930\"/>", &loaded);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(0u, file->ChildCount());
  EXPECT_EQ(start + 1, Registered());
}

// The deepest element below `root`, following first children.
CBkWindow* Deepest(CBkWindow* root) {
  CBkWindow* element = root;
  while (CBkPanel* panel = AsPanel(element)) {
    if (panel->ChildCount() == 0) break;
    element = panel->ChildAt(0);
  }
  return element;
}

TEST_F(DialogFiles, ChainOfDialogFilesStopsAtTheDepthLimit) {
  // ten documents of 200 nested dialogs each, every one ending in a dialog
  // file that names the next: 2000 levels in all
  for (unsigned i = 0; i < 10; ++i) {
    const std::string next = "<dlgfile pos=\"0,0,-0,-0\" src=\"" + std::to_string(941 + i) + "\"/>";
    ASSERT_TRUE(folder_.Write(940 + i, Nested("<dlg pos=\"0,0,-0,-0\">", 200, next, "</dlg>")));
  }
  const size_t start = Registered();
  {
    ElementPtr<CBkDialog> root = LoadElement("<dlg pos=\"0,0,-0,-0\"><dlgfile pos=\"0,0,-0,-0\" src=\"940\"/></dlg>");
    CBkWindow* deepest = Deepest(root.get());
    EXPECT_LE(deepest->Depth(), kMaxElementDepth);
    EXPECT_GT(deepest->Depth(), 200);  // the first document is loaded whole
    EXPECT_LE(Registered() - start, static_cast<size_t>(kMaxElementDepth) + 1);

    PlaceElement(*root, 0, 0, 64, 48);
    EXPECT_TRUE(RectIs(deepest->GetRect(), 0, 0, 64, 48));
    EXPECT_EQ(deepest->GetHandle(), root->HitTest(10, 10, 0));
    EXPECT_EQ(nullptr, root->FindElementById(12345));
    DibCanvas canvas(64, 48);
    EXPECT_TRUE(root->PaintInRegion(canvas.dc(), nullptr));
    root->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  }
  EXPECT_EQ(start, Registered());
}

TEST_F(DialogFiles, DeepDocumentWithinTheParserLimitIsCutAtTheDepthLimit) {
  ASSERT_TRUE(folder_.Write(950, Nested("<dlg id=\"1\">", 250, "", "</dlg>")));
  const size_t start = Registered();
  ElementPtr<CBkDialog> root = LoadElement(Nested("<dlg>", 200, "<dlgfile src=\"950\"/>", "</dlg>"));
  CBkWindow* deepest = Deepest(root.get());
  EXPECT_LE(deepest->Depth(), kMaxElementDepth);
  EXPECT_GE(deepest->Depth(), kMaxElementDepth - 1);
  EXPECT_LE(Registered() - start, static_cast<size_t>(kMaxElementDepth) + 1);
}

TEST(Containers, MebibyteAttributeValuesAndUnknownSubtrees) {
  const std::string big(1 << 20, 'x');
  const std::string digits(1 << 20, '9');
  const size_t start = Registered();
  ElementPtr<CBkDialog> root = LoadElement(
      "<dlg pos=\"0,0,-0,-0\">"
      "<dlg tip=\"" +
      big + "\" href=\"" + big + "\" id=\"" + digits + "\" pos=\"" + digits + ",|" + digits + "\" crbg=\"" + big +
      "\" class=\"" + big + "\" valign=\"" + big +
      "\"/>"
      "<nosuchtag><dlg id=\"5\"/><dlg><dlg id=\"6\"/></dlg></nosuchtag>"
      "<Dlg id=\"8\"/><div id=\"9\"/>"
      "<dlg id=\"7\"/>"
      "</dlg>");
  ASSERT_EQ(2u, root->ChildCount());
  EXPECT_EQ(start + 3, Registered());
  const CBkWindow* bigElement = root->ChildAt(0);
  EXPECT_EQ(size_t{1} << 20, bigElement->GetTip().size());
  EXPECT_EQ(size_t{1} << 20, bigElement->GetHref().size());
  EXPECT_EQ(INT_MAX, bigElement->GetElementId());
  EXPECT_EQ(VAlignTop, bigElement->GetVAlign());
  EXPECT_EQ(7, root->ChildAt(1)->GetElementId());
  for (int id : {5, 6, 8, 9}) EXPECT_EQ(nullptr, root->FindElementById(id)) << id;
  PlaceElement(*root, 0, 0, 100, 100);
  EXPECT_EQ(INT_MAX, bigElement->GetRect().left);  // 0 + INT_MAX saturates
  EXPECT_EQ(INT_MAX, bigElement->GetRect().top);   // 50 + INT_MAX saturates
}

}  // namespace
