// The program's own documents: the main layer's sections built as the host
// builds them, the header and footer fragments and the list-item template,
// laid out in the main window's 680 x 430 client area.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <string>
#include <vector>

#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/style.h"
#include "skin/tree/element_factory.h"
#include "skin/tree/window_registry.h"
#include "tests/skin/tree/tree_test_util.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kClientWidth = 680;
constexpr int kClientHeight = 430;

// The resources in start-up order: strings, base font, skins, styles.
class ProgramDocuments : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSkinFolder(L"");
    ASSERT_TRUE(LoadStrings(102));
    BkFontPool::SetDefaultFont(GetString(0), -12);
    ASSERT_TRUE(LoadSkins(100));
    ASSERT_TRUE(LoadStyles(101));
    ASSERT_NE(nullptr, host_.hwnd());
  }

  // A section loaded from the layer's first `name` child, its pos formatted
  // from `format` and the child's height; null when the layer has none.
  ElementPtr<CBkDialog> LoadSection(const TiXmlElement* layer, const char* name, const char* format) {
    const TiXmlElement* xml = layer->FirstChildElement(name);
    if (!xml) return nullptr;
    ElementPtr<CBkDialog> section(new CBkDialog);
    section->SetHostWindow(host_.hwnd());
    section->Load(xml);
    int height = 0;
    xml->QueryIntAttribute("height", &height);
    char pos[64];
    std::snprintf(pos, sizeof(pos), format, height);
    section->SetAttribute("pos", pos, true);
    return section;
  }

  // Header at the top, footer at the bottom, body between them, placed the
  // way the host window places its sections.
  void LoadLayer() {
    ASSERT_TRUE(LoadSkinDocument(103, layer_));
    const TiXmlElement* root = layer_.RootElement();
    ASSERT_NE(nullptr, root);
    ASSERT_STREQ("layer", root->Value());
    header_ = LoadSection(root, "header", "0,0,-0,%d");
    footer_ = LoadSection(root, "footer", "0,-%d,-0,-0");
    body_ = LoadSection(root, "body", "0,0,-0,-0");
    ASSERT_TRUE(header_ && footer_ && body_);
    PlaceElement(*header_, 0, 0, kClientWidth, kClientHeight);
    const int headerBottom = header_->GetRect().bottom;
    PlaceElement(*footer_, 0, 0, kClientWidth, kClientHeight);
    const int footerHeight = footer_->GetRect().bottom - footer_->GetRect().top;
    PlaceElement(*footer_, 0, kClientHeight - footerHeight, kClientWidth, footerHeight);
    PlaceElement(*body_, 0, headerBottom, kClientWidth, kClientHeight - footerHeight - headerBottom);
  }

  TiXmlDocument layer_;
  MessageCounterWindow host_;
  ElementPtr<CBkDialog> header_, footer_, body_;
};

// The element reached from `from` by taking, at each step, the n-th "dlg" child.
CBkWindow* DialogAt(CBkWindow* from, const std::vector<size_t>& path) {
  CBkWindow* element = from;
  for (size_t index : path) {
    element = NthChildWithTag(element, "dlg", index);
    if (!element) return nullptr;
  }
  return element;
}

// The tree below `element` holds one child per XML element whose tag the
// factory knows, in document order, dialog files expanded from their documents.
void ExpectTreeMatches(const CBkWindow* element, const TiXmlElement* firstXml) {
  const CBkPanel* panel = dynamic_cast<const CBkPanel*>(element);
  ASSERT_NE(nullptr, panel);
  size_t index = 0;
  for (const TiXmlElement* xml = firstXml; xml; xml = xml->NextSiblingElement()) {
    if (!CreateChildByName(xml->Value())) continue;
    ASSERT_LT(index, panel->ChildCount()) << xml->Value() << " on line " << xml->Row();
    const CBkWindow* child = panel->ChildAt(index++);
    EXPECT_STREQ(xml->Value(), child->GetTag()) << "line " << xml->Row();
    int id = 0;
    xml->QueryIntAttribute("id", &id);
    EXPECT_EQ(id, child->GetElementId()) << "line " << xml->Row();
    const std::string tag = xml->Value();
    if (tag == "dlg") {
      ExpectTreeMatches(child, xml->FirstChildElement());
    } else if (tag == "dlgfile") {
      int src = 0;
      xml->QueryIntAttribute("src", &src);
      TiXmlDocument document;
      ASSERT_TRUE(LoadSkinDocument(static_cast<unsigned>(src), document)) << src;
      ExpectTreeMatches(child, document.FirstChildElement());
    }
  }
  EXPECT_EQ(index, panel->ChildCount());
}

TEST_F(ProgramDocuments, LayerSectionsHoldTheDocumentsElements) {
  LoadLayer();
  const TiXmlElement* root = layer_.RootElement();
  ExpectTreeMatches(header_.get(), root->FirstChildElement("header")->FirstChildElement());
  ExpectTreeMatches(body_.get(), root->FirstChildElement("body")->FirstChildElement());
  ExpectTreeMatches(footer_.get(), root->FirstChildElement("footer")->FirstChildElement());
}

TEST_F(ProgramDocuments, SectionsAndQueryBarAreWhereTheirPosPutsThem) {
  LoadLayer();
  // header "0,0,-0,29" over the whole client area; footer "0,-23,-0,-0",
  // 23 high, placed at 430 - 23 = 407; body from 29 to 407, 378 high.
  EXPECT_TRUE(RectIs(header_->GetRect(), 0, 0, 680, 29));
  EXPECT_TRUE(RectIs(footer_->GetRect(), 0, 407, 680, 430));
  EXPECT_TRUE(RectIs(body_->GetRect(), 0, 29, 680, 407));

  // header: no margins; its dialog file "0,0,-0,-0" fills it
  CBkWindow* headerFile = NthChildWithTag(header_.get(), "dlgfile", 0);
  ASSERT_NE(nullptr, headerFile);
  EXPECT_TRUE(RectIs(headerFile->GetRect(), 0, 0, 680, 29));

  // footer: "mainfoot" has x-margin 10, y-margin 1: content (10, 408)-(670, 429),
  // 660 x 21; 105's dialog "0,0,-0,-3" inside the file: 660 x 18
  CBkWindow* footerFile = NthChildWithTag(footer_.get(), "dlgfile", 0);
  ASSERT_NE(nullptr, footerFile);
  EXPECT_TRUE(RectIs(footerFile->GetRect(), 10, 408, 670, 429));
  CBkWindow* footerDialog = NthChildWithTag(footerFile, "dlg", 0);
  ASSERT_NE(nullptr, footerDialog);
  EXPECT_TRUE(RectIs(footerDialog->GetRect(), 10, 408, 670, 426));

  // body: "mainbody" has x-margin 3: content (3, 29)-(677, 407), 674 x 378
  EXPECT_TRUE(RectIs(body_->ContentBox(), 3, 29, 677, 407));
  const struct {
    const char* name;
    std::vector<size_t> path;
    RECT expected;
  } dialogs[] = {
      // The page's dialog, after the filter and watch bars: "0,80,-0,-0":
      // y 29 + 80, height 378 - 80 = 298
      {"page", {2}, {3, 109, 677, 407}},
      // "10,0,-10,-0": x 3 + 10, width 674 - 20 = 654
      {"inset", {2, 0}, {13, 109, 667, 407}},
      // query bar "0,0,-0,60"
      {"query bar", {2, 0, 0}, {13, 109, 667, 169}},
      // left part "0,0,-115,-0": 654 - 115 = 539 wide
      {"left part", {2, 0, 0, 0}, {13, 109, 552, 169}},
      // upper half "0,0,-0,|0": 60 / 2 = 30 high
      {"upper half", {2, 0, 0, 0, 0}, {13, 109, 552, 139}},
      // "0,0,180,-0"
      {"departure", {2, 0, 0, 0, 0, 0}, {13, 109, 193, 139}},
      // "|-90,0,|90,-0": 13 + 539 / 2 - 90 = 13 + 269 - 90 = 192, 180 wide
      {"arrival", {2, 0, 0, 0, 0, 1}, {192, 109, 372, 139}},
      // "-180,0,-0,-0": 13 + 539 - 180 = 372
      {"date", {2, 0, 0, 0, 0, 2}, {372, 109, 552, 139}},
      // lower half "0,|0,-0,-0": from 109 + 30
      {"lower half", {2, 0, 0, 0, 1}, {13, 139, 552, 169}},
      {"types 1", {2, 0, 0, 0, 1, 0}, {13, 139, 193, 169}},
      {"types 2", {2, 0, 0, 0, 1, 1}, {192, 139, 372, 169}},
      {"types 3", {2, 0, 0, 0, 1, 2}, {372, 139, 552, 169}},
      // search group "-115,0,-0,-0": 13 + 654 - 115 = 552
      {"search group", {2, 0, 0, 1}, {552, 109, 667, 169}},
      // search frame "-54,6,-6,-6": 552 + 115 - 54 = 613, 48 wide; 109 + 6, 60 - 12 = 48 high
      {"search frame", {2, 0, 0, 1, 0}, {613, 115, 661, 163}},
      // result area "0,60,-0,-0": from 109 + 60 to 407
      {"result area", {2, 0, 1}, {13, 169, 667, 407}},
  };
  for (const auto& d : dialogs) {
    SCOPED_TRACE(d.name);
    CBkWindow* dialog = DialogAt(body_.get(), d.path);
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(RectIs(dialog->GetRect(), d.expected.left, d.expected.top, d.expected.right, d.expected.bottom));
    EXPECT_EQ(host_.hwnd(), dialog->GetHostWindow());
  }

  // points inside a dialog hit it or one of its parts
  CBkWindow* frame = DialogAt(body_.get(), {2, 0, 0, 1, 0});
  CBkWindow* results = DialogAt(body_.get(), {2, 0, 1});
  CBkWindow* arrival = DialogAt(body_.get(), {2, 0, 0, 0, 0, 1});
  CBkWindow* page = DialogAt(body_.get(), {2});
  EXPECT_TRUE(IsSelfOrDescendant(page->HitTest(637, 139, 0), frame));
  EXPECT_TRUE(IsSelfOrDescendant(page->HitTest(300, 300, 0), results));
  EXPECT_TRUE(IsSelfOrDescendant(page->HitTest(200, 120, 0), arrival));
  EXPECT_TRUE(IsSelfOrDescendant(header_->HitTest(300, 10, 0), headerFile));
  EXPECT_EQ(0u, body_->HitTest(300, 10, 0));
}

TEST_F(ProgramDocuments, SectionsPaintTheWholeClientArea) {
  LoadLayer();
  const COLORREF sentinel = RGB(255, 0, 255);
  DibCanvas canvas(kClientWidth, kClientHeight, sentinel);
  EXPECT_TRUE(header_->PaintInRegion(canvas.dc(), nullptr));
  EXPECT_TRUE(body_->PaintInRegion(canvas.dc(), nullptr));
  EXPECT_TRUE(footer_->PaintInRegion(canvas.dc(), nullptr));
  int untouched = 0;
  for (int y = 0; y < kClientHeight; ++y)
    for (int x = 0; x < kClientWidth; ++x) untouched += canvas.Pixel(x, y) == sentinel;
  EXPECT_EQ(0, untouched);
}

TEST_F(ProgramDocuments, FragmentsLoadThroughDialogFiles) {
  for (unsigned id : {104u, 105u}) {
    SCOPED_TRACE(id);
    bool loaded = false;
    ElementPtr<CBkDialogFile> file = LoadElement<CBkDialogFile>(
        "<dlgfile pos=\"0,0,-0,-0\" src=\"" + std::to_string(id) + "\"/>", &loaded, host_.hwnd());
    EXPECT_TRUE(loaded);
    TiXmlDocument document;
    ASSERT_TRUE(LoadSkinDocument(id, document));
    ExpectTreeMatches(file.get(), document.FirstChildElement());
  }
}

TEST_F(ProgramDocuments, ListItemTemplateColumns) {
  TiXmlDocument document;
  ASSERT_TRUE(LoadSkinDocument(106, document));
  const TiXmlElement* root = document.RootElement();
  ASSERT_NE(nullptr, root);
  ASSERT_STREQ("listitem", root->Value());
  int height = 0;
  ASSERT_EQ(TIXML_SUCCESS, root->QueryIntAttribute("height", &height));
  ASSERT_EQ(24, height);
  const size_t start = BkWindowRegistry::Instance().Count();
  {
    ElementPtr<CBkDialog> item(new CBkDialog);
    item->SetHostWindow(host_.hwnd());
    EXPECT_TRUE(item->Load(root));
    item->SetAttribute("pos", "0,0,-0," + std::to_string(height), true);
    ExpectTreeMatches(item.get(), root->FirstChildElement());
    PlaceElement(*item, 0, 0, kClientWidth, kClientHeight);
    EXPECT_TRUE(RectIs(item->GetRect(), 0, 0, 680, 24));
    CBkWindow* row = NthChildWithTag(item.get(), "dlg", 0);
    ASSERT_NE(nullptr, row);
    EXPECT_TRUE(RectIs(row->GetRect(), 0, 0, 680, 24));  // "0,0,-0,-0"
    // each column "L,0,R,-0" of the 24-high row; the first four pass the mouse on
    const struct {
      int id;
      int left, right;
      bool transparent;
    } columns[] = {
        {20010, 0, 50, true},     {20011, 50, 120, true},   {20012, 120, 190, true},  {20013, 190, 240, true},
        {20014, 240, 290, false}, {20015, 290, 370, false}, {20016, 370, 450, false}, {20017, 450, 490, false},
        {20018, 490, 530, false}, {20019, 530, 580, false}, {20101, 580, 620, false}, {20102, 620, 740, false},
        {20103, 740, 820, false}, {20104, 820, 870, false},
    };
    for (const auto& c : columns) {
      SCOPED_TRACE(c.id);
      CBkWindow* column = item->FindElementById(c.id);
      ASSERT_NE(nullptr, column);
      EXPECT_STREQ("dlg", column->GetTag());
      EXPECT_EQ(row, column->GetParentElement());
      EXPECT_TRUE(RectIs(column->GetRect(), c.left, 0, c.right, 24));
      EXPECT_EQ(c.transparent, column->IsTransparent());
    }
  }
  EXPECT_EQ(start, BkWindowRegistry::Instance().Count());
}

}  // namespace
