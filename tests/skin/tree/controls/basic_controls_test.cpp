#include "skin/tree/basic_controls.h"

#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "skin/resources/image_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/style.h"
#include "skin/tree/check_controls.h"
#include "skin/tree/element_factory.h"
#include "skin/tree/hosted_controls.h"
#include "skin/tree/line_control.h"
#include "skin/tree/memory_images.h"
#include "tests/skin/tree/controls/controls_test_util.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
// The program's header buttons and busy image draw light pictures on
// transparent ground: they are looked at over a dark blue.
const COLORREF kDark = RGB(0x23, 0x84, 0xC6);

// ---- factory --------------------------------------------------------------------

TEST(ControlFactory, EveryControlTagMakesItsClass) {
  struct Row {
    const char* tag;
    bool (*isClass)(CBkWindow*);
  };
  const Row rows[] = {
      {"text", [](CBkWindow* e) { return dynamic_cast<CBkStatic*>(e) != nullptr; }},
      {"button", [](CBkWindow* e) { return dynamic_cast<CBkButton*>(e) != nullptr; }},
      {"img", [](CBkWindow* e) { return dynamic_cast<CBkImageWnd*>(e) && !dynamic_cast<CBkImageBtnWnd*>(e); }},
      {"imgbtn", [](CBkWindow* e) { return dynamic_cast<CBkImageBtnWnd*>(e) != nullptr; }},
      {"realwnd", [](CBkWindow* e) { return dynamic_cast<CBkRealWnd*>(e) != nullptr; }},
      {"hr", [](CBkWindow* e) { return dynamic_cast<CBkLine*>(e) != nullptr; }},
      {"check", [](CBkWindow* e) { return dynamic_cast<CBkCheckBox*>(e) != nullptr; }},
      {"checkex", [](CBkWindow* e) { return dynamic_cast<CBkCheckBoxEx*>(e) != nullptr; }},
      {"link", [](CBkWindow* e) { return dynamic_cast<CBkLink*>(e) != nullptr; }},
      {"memimage", [](CBkWindow* e) { return dynamic_cast<CBkMemoryImage*>(e) != nullptr; }},
  };
  for (const Row& row : rows) {
    std::unique_ptr<CBkWindow> element = CreateChildByName(row.tag);
    ASSERT_NE(element, nullptr) << row.tag;
    EXPECT_TRUE(row.isClass(element.get())) << row.tag;
    EXPECT_STREQ(element->GetTag(), row.tag);
    EXPECT_TRUE(element->HasTag(row.tag));
    EXPECT_FALSE(element->IsContainer());
  }
  // Tags compare exactly.
  for (const char* tag : {"Text", "IMG", "checkEx", "hr ", "static"}) EXPECT_EQ(CreateChildByName(tag), nullptr) << tag;
}

TEST(ControlFactory, WhoIsRepaintedOnAStateChange) {
  LoadProgramSkins();
  struct Row {
    const char* xml;
    bool looksDifferent;
  };
  const Row rows[] = {
      {"<text>a</text>", false},
      {"<link href='x'>a</link>", false},
      {"<button>a</button>", true},
      {"<img skin='test48x24'/>", false},
      // "img" draws `sub`, not the state: only a style skin could show it.
      {"<img skin='test4states'/>", false},
      {"<img skin='test4states' class='mainbody'/>", false},
      {"<imgbtn skin='search'/>", true},  // a stateless skin, still repainted
      {"<imgbtn/>", true},
      {"<memimage/>", false},
      {"<check/>", true},
      {"<checkex/>", true},
      {"<hr/>", false},
      {"<realwnd/>", false},
  };
  for (const Row& row : rows) {
    auto document = ParseXml(row.xml);
    ASSERT_TRUE(document);
    std::unique_ptr<CBkWindow> element = CreateChildByName(document->RootElement()->Value());
    ASSERT_TRUE(element) << row.xml;
    element->Load(document->RootElement());
    EXPECT_EQ(element->LooksDifferentByState(), row.looksDifferent) << row.xml;
  }
  // A stateful style skin makes even a hosted window's element no different.
  auto real = LoadAs<CBkRealWnd>("<realwnd crbg='FF0000'/>");
  real->SetAttribute("class", "mainbody", false);
  EXPECT_FALSE(real->LooksDifferentByState());
}

// ---- "text", "link", "button" -------------------------------------------------------

TEST(TextControls, DrawTheirTextInTheTextColourByState) {
  LoadProgramSkins();
  const BkColor red = RGB(220, 0, 0);
  BkStyle hover = GetStyle("");
  hover.crtext = red;
  hover.crhover = RGB(0, 0, 230);
  hover.crdisabled = RGB(0, 150, 0);
  BkStylePool::Instance().Styles()["test_hover"] = hover;

  struct Row {
    unsigned state;
    COLORREF ink;
  };
  const Row rows[] = {{0, RGB(220, 0, 0)}, {StateHover, RGB(0, 0, 230)}, {StateDisabled, RGB(0, 150, 0)}};
  for (const char* tag : {"text", "link", "button"}) {
    for (const Row& row : rows) {
      const std::string xml = std::string("<dlg><") + tag + " pos='2,2,118,28' class='test_hover'>出发站：北京</" + tag +
                              "></dlg>";
      auto root = LayOut(xml, 120, 30);
      ASSERT_TRUE(root);
      CBkWindow* element = root->ChildAt(0);
      ASSERT_NE(element, nullptr);
      EXPECT_STREQ(element->GetTag(), tag);
      element->ChangeState(row.state, 0);
      DibCanvas canvas(120, 30, kWhite);
      ASSERT_TRUE(Paint(*element, canvas.dc()));
      int ink = 0;
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x) ink += canvas.Pixel(x, y) == row.ink;
      // Six CJK glyphs leave many fully inked pixels.
      EXPECT_GT(ink, 40) << tag << " state " << row.state;
      EXPECT_EQ(canvas.CountOutside(RECT{2, 2, 118, 28}, kWhite), 0) << tag;
    }
  }
}

TEST(TextControls, NaturalSizeIsTheMeasuredTextPlusMargins) {
  LoadProgramSkins();
  auto plain = LayOut("<dlg><text pos='0,0'>余票查询</text></dlg>", 300, 100);
  auto margins = LayOut("<dlg><button pos='0,0' class='mainfoot'>余票查询</button></dlg>", 300, 100);
  const RECT& a = plain->ChildAt(0)->GetRect();
  const RECT& b = margins->ChildAt(0)->GetRect();
  EXPECT_GT(a.right - a.left, 20);
  EXPECT_GT(a.bottom - a.top, 8);
  // "mainfoot": x-margin 10, y-margin 1 (and the same base font).
  EXPECT_EQ(b.right - b.left, a.right - a.left + 20);
  EXPECT_EQ(b.bottom - b.top, a.bottom - a.top + 2);
}

// ---- "img" ------------------------------------------------------------------------

TEST(ImageControl, SkinSizeWinsUnlessAutosizeIsOff) {
  LoadProgramSkins();
  struct Row {
    const char* attributes;
    RECT expected;
  };
  const Row rows[] = {
      {"", {6, 6, 54, 30}},                    // 48 x 24 from the skin
      {"autosize='1'", {6, 6, 54, 30}},
      {"autosize='0'", {6, 6, 94, 74}},        // the inset box of 100 x 80
      {"autosize='abc'", {6, 6, 94, 74}},      // not a number: 0
      {"skin='nosuchskin'", {6, 6, 94, 74}},   // no skin: the "pos" size
  };
  for (const Row& row : rows) {
    const bool ownSkin = std::strstr(row.attributes, "skin=") != nullptr;
    std::string xml = std::string("<dlg><img ") + (ownSkin ? "" : "skin='test48x24' ") + "pos='6,6,-6,-6' " +
                      row.attributes + "/></dlg>";
    auto root = LayOut(xml, 100, 80);
    ASSERT_TRUE(root);
    EXPECT_TRUE(RectIs(root->ChildAt(0)->GetRect(), row.expected.left, row.expected.top, row.expected.right,
                       row.expected.bottom))
        << row.attributes;
  }
  // Two items: the skin's size.
  auto two = LayOut("<dlg><img skin='test48x24' pos='-50,3'/></dlg>", 100, 80);
  EXPECT_TRUE(RectIs(two->ChildAt(0)->GetRect(), 50, 3, 98, 27));
}

TEST(ImageControl, DrawsTheSkinWithSubAndNoText) {
  LoadProgramSkins();
  StateSkin* skin = TestSkin("test4states");
  ASSERT_NE(skin, nullptr);
  struct Row {
    const char* sub;
    int state;
  };
  const Row rows[] = {{nullptr, -1}, {"0", 0}, {"2", 2}, {"3", 3}};
  for (const Row& row : rows) {
    std::string xml = "<dlg><img skin='test4states' pos='5,5,25,15' autosize='0' crtext='000000'";
    if (row.sub) xml += std::string(" sub='") + row.sub + "'";
    xml += ">text</img></dlg>";
    auto root = LayOut(xml, 40, 20);
    CBkWindow* img = root->ChildAt(0);
    // The element's own state does not matter to "img".
    img->ChangeState(StatePushed | StateHover, 0);
    skin->drawn.clear();
    DibCanvas canvas(40, 20, kWhite);
    Paint(*img, canvas.dc());
    ASSERT_EQ(skin->drawn.size(), 1u);
    EXPECT_EQ(skin->drawn[0], row.state);
    const COLORREF fill = row.state >= 0 ? kStateColours[row.state] : kWhite;
    EXPECT_TRUE(canvas.AllPixels(RECT{5, 5, 25, 15}, fill)) << row.state;
    EXPECT_EQ(canvas.CountOutside(RECT{5, 5, 25, 15}, kWhite), 0);
  }
}

TEST(ImageControl, ProgramBusyImageShowsItsFrames) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><img id='10001' pos='6,6,-6,-6' skin='ing' sub='0' autosize='0'/></dlg>", 60, 60);
  auto* img = Find<CBkImageWnd>(*root, 10001);
  ASSERT_NE(img, nullptr);
  ASSERT_NE(img->Skin(), nullptr);
  EXPECT_TRUE(RectIs(img->GetRect(), 6, 6, 54, 54));
  std::vector<std::vector<COLORREF>> frames;
  for (const char* sub : {"0", "1", "5"}) {
    img->SetAttribute("sub", sub, false);
    DibCanvas canvas(60, 60, kDark);
    Paint(*img, canvas.dc());
    EXPECT_GT(canvas.CountOutside(RECT{0, 0, 0, 0}, kDark), 100) << sub;
    EXPECT_EQ(canvas.CountOutside(RECT{6, 6, 54, 54}, kDark), 0) << sub;
    frames.push_back(AreaPixels(canvas, RECT{6, 6, 54, 54}));
  }
  EXPECT_NE(frames[0], frames[1]);
  EXPECT_NE(frames[1], frames[2]);
}

// ---- "imgbtn" ---------------------------------------------------------------------

struct ButtonState {
  const char* name;
  unsigned state;
};
const ButtonState kButtonStates[] = {
    {"normal", 0}, {"hover", StateHover}, {"pushed", StatePushed | StateHover}, {"disabled", StateDisabled}};

TEST(ImageButton, DrawsTheSkinByStateIndex) {
  LoadProgramSkins();
  StateSkin* skin = TestSkin("test4states");
  auto root = LayOut("<dlg><imgbtn pos='0,0' skin='test4states' sub='2'/></dlg>", 40, 20);
  CBkWindow* button = root->ChildAt(0);
  EXPECT_TRUE(RectIs(button->GetRect(), 0, 0, 20, 10));
  for (size_t index = 0; index < 4; ++index) {
    SetState(*button, kButtonStates[index].state);
    skin->drawn.clear();
    DibCanvas canvas(40, 20, kWhite);
    Paint(*button, canvas.dc());
    ASSERT_EQ(skin->drawn.size(), 1u);
    EXPECT_EQ(skin->drawn[0], static_cast<int>(index)) << kButtonStates[index].name;
    EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 20, 10}, kStateColours[index])) << kButtonStates[index].name;
  }
}

TEST(ImageButton, ProgramHeaderButtonsShowEachStateAndTakeTheirSkinSize) {
  LoadProgramSkins();
  // The header's minimise and close buttons, placed by two items.
  auto root = LayOut(
      "<dlg><imgbtn id='60003' pos='-67,0' skin='minbtn'/><imgbtn id='60001' pos='-39,0' skin='closebtn'/></dlg>",
      200, 29);
  auto* minimise = Find<CBkImageBtnWnd>(*root, 60003);
  auto* close = Find<CBkImageBtnWnd>(*root, 60001);
  ASSERT_TRUE(minimise && close);
  EXPECT_TRUE(RectIs(minimise->GetRect(), 133, 0, 162, 19));
  EXPECT_TRUE(RectIs(close->GetRect(), 161, 0, 200, 19));
  for (CBkImageBtnWnd* button : {minimise, close}) {
    std::vector<std::vector<COLORREF>> looks;
    for (const ButtonState& state : kButtonStates) {
      SetState(*button, state.state);
      DibCanvas canvas(200, 29, kDark);
      Paint(*button, canvas.dc());
      EXPECT_EQ(canvas.CountOutside(button->GetRect(), kDark), 0);
      looks.push_back(AreaPixels(canvas, button->GetRect()));
    }
    // Three pictures in the strip: normal, hover and pushed differ; the
    // disabled index lies past the strip and draws nothing.
    EXPECT_NE(looks[0], looks[1]);
    EXPECT_NE(looks[1], looks[2]);
    EXPECT_NE(looks[0], looks[2]);
    EXPECT_EQ(looks[3], std::vector<COLORREF>(looks[3].size(), kDark));
    EXPECT_NE(looks[0], looks[3]);
  }
}

TEST(ImageButton, CaptionIsDrawnOverTheWholeRectInTheTextColourOnly) {
  LoadProgramSkins();
  BkStyle style = GetStyle("");
  style.crtext = RGB(200, 0, 0);
  style.crhover = RGB(0, 0, 200);
  style.crdisabled = RGB(0, 200, 0);
  style.xMargin = 30;  // margins do not apply to the caption
  style.textmode = DT_SINGLELINE | DT_LEFT | DT_TOP;
  BkStylePool::Instance().Styles()["test_caption"] = style;
  auto root = LayOut("<dlg><imgbtn pos='0,0,60,20' class='test_caption'>WWWW</imgbtn></dlg>", 60, 20);
  CBkWindow* button = root->ChildAt(0);
  for (const ButtonState& state : kButtonStates) {
    SetState(*button, state.state);
    DibCanvas canvas(60, 20, kWhite);
    Paint(*button, canvas.dc());
    int red = 0, other = 0, leftOfMargin = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 60; ++x) {
        const COLORREF pixel = canvas.Pixel(x, y);
        if (pixel == RGB(200, 0, 0)) {
          ++red;
          if (x < 30) ++leftOfMargin;
        } else if (pixel == RGB(0, 0, 200) || pixel == RGB(0, 200, 0)) {
          ++other;
        }
      }
    EXPECT_GT(red, 10) << state.name;
    EXPECT_GT(leftOfMargin, 0) << state.name;
    EXPECT_EQ(other, 0) << state.name;
  }
  // The device context keeps its own font and colour afterwards.
  DibCanvas canvas(60, 20, kWhite);
  SetTextColor(canvas.dc(), RGB(1, 2, 3));
  HGDIOBJ font = GetCurrentObject(canvas.dc(), OBJ_FONT);
  Paint(*button, canvas.dc());
  EXPECT_EQ(GetTextColor(canvas.dc()), RGB(1, 2, 3));
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), font);
}

TEST(ImageButton, MissingSkinPaintsOnlyTheCaption) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><imgbtn pos='0,0,60,20' skin='nosuchskin' crtext='C80000'>WW</imgbtn></dlg>", 60, 20);
  auto* button = dynamic_cast<CBkImageBtnWnd*>(root->ChildAt(0));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->Skin(), nullptr);
  DibCanvas canvas(60, 20, kWhite);
  Paint(*button, canvas.dc());
  EXPECT_GT(canvas.CountOutside(RECT{0, 0, 0, 0}, kWhite), 0);
}

// ---- "memimage" -------------------------------------------------------------------

// A 4 x 2 picture of eight colours, owned by the test as an application owns
// its images.
class TestPicture {
 public:
  TestPicture() {
    BkPngPool::GetImage(0, false);  // the pool keeps GDI+ running
    bitmap_ = std::make_unique<Gdiplus::Bitmap>(4, 2, PixelFormat32bppARGB);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) {
        const COLORREF c = Colour(x, y);
        bitmap_->SetPixel(x, y, Gdiplus::Color(255, GetRValue(c), GetGValue(c), GetBValue(c)));
      }
  }
  static COLORREF Colour(int x, int y) { return RGB(40 + 50 * x, 30 + 100 * y, 200 - 40 * x); }
  Gdiplus::Image* get() const { return bitmap_.get(); }

 private:
  std::unique_ptr<Gdiplus::Bitmap> bitmap_;
};

std::string MemImageXml(unsigned long long number, const char* autosize) {
  std::string xml = "<dlg><memimage pos='2,2,42,22' mempointer='" + std::to_string(number) + "'";
  if (autosize) xml += std::string(" autosize='") + autosize + "'";
  return xml + "/></dlg>";
}

TEST(MemoryImage, RegisteredImageIsStretchedDrawnUnscaledOrNotDrawn) {
  LoadProgramSkins();
  TestPicture picture;
  const unsigned number = RegisterMemoryImage(picture.get());
  ASSERT_NE(number, 0u);
  ASSERT_EQ(LookupMemoryImage(number), picture.get());

  {  // autosize 1 (also the default): 40 x 20, each source pixel a 10 x 10 block
    for (const char* autosize : {static_cast<const char*>(nullptr), "1", ""}) {
      auto root = LayOut(MemImageXml(number, autosize), 50, 30);
      DibCanvas canvas(50, 30, kWhite);
      Paint(*root->ChildAt(0), canvas.dc());
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
          EXPECT_TRUE(canvas.AllPixels(RECT{2 + 10 * x, 2 + 10 * y, 12 + 10 * x, 12 + 10 * y}, TestPicture::Colour(x, y)))
              << x << "," << y;
      EXPECT_EQ(canvas.CountOutside(RECT{2, 2, 42, 22}, kWhite), 0);
    }
  }
  {  // autosize 0: its own 4 x 2 pixels at the top-left corner
    auto root = LayOut(MemImageXml(number, "0"), 50, 30);
    DibCanvas canvas(50, 30, kWhite);
    Paint(*root->ChildAt(0), canvas.dc());
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(canvas.Pixel(2 + x, 2 + y), TestPicture::Colour(x, y));
    EXPECT_EQ(canvas.CountOutside(RECT{2, 2, 6, 4}, kWhite), 0);
  }
  for (const char* autosize : {"2", "-1", "abc1"}) {
    auto root = LayOut(MemImageXml(number, autosize), 50, 30);
    DibCanvas canvas(50, 30, kWhite);
    Paint(*root->ChildAt(0), canvas.dc());
    // "abc1" reads as 0: drawn unscaled.
    const int expected = std::strcmp(autosize, "abc1") == 0 ? 8 : 0;
    EXPECT_EQ(canvas.CountOutside(RECT{0, 0, 0, 0}, kWhite), expected) << autosize;
  }
  UnregisterMemoryImage(number);
}

TEST(MemoryImage, NumbersThatNameNoRegisteredImageDrawNothing) {
  LoadProgramSkins();
  TestPicture registered;
  TestPicture stray;
  const unsigned number = RegisterMemoryImage(registered.get());
  const size_t count = MemoryImageCount();
  const unsigned long long strayAddress = reinterpret_cast<uintptr_t>(stray.get());
  const unsigned long long registeredAddress = reinterpret_cast<uintptr_t>(registered.get());
  const std::string values[] = {"0",
                                "",
                                "12345678",
                                "4294967295",
                                "-1",
                                "99999999999999999999999",
                                std::to_string(strayAddress),
                                std::to_string(registeredAddress),
                                std::to_string(number + 1)};
  for (const std::string& value : values) {
    auto root = LayOut("<dlg><memimage pos='0,0,-0,-0' mempointer='" + value + "'/></dlg>", 30, 20);
    DibCanvas canvas(30, 20, kWhite);
    Paint(*root->ChildAt(0), canvas.dc());
    EXPECT_EQ(canvas.CountOutside(RECT{0, 0, 0, 0}, kWhite), 0) << value;
  }
  EXPECT_EQ(MemoryImageCount(), count);

  // An image unregistered after the element took its number draws nothing.
  auto root = LayOut(MemImageXml(number, "1"), 50, 30);
  DibCanvas before(50, 30, kWhite);
  Paint(*root->ChildAt(0), before.dc());
  EXPECT_GT(before.CountOutside(RECT{0, 0, 0, 0}, kWhite), 0);
  UnregisterMemoryImage(number);
  EXPECT_EQ(MemoryImageCount(), count - 1);
  EXPECT_EQ(LookupMemoryImage(number), nullptr);
  DibCanvas after(50, 30, kWhite);
  Paint(*root->ChildAt(0), after.dc());
  EXPECT_EQ(after.CountOutside(RECT{0, 0, 0, 0}, kWhite), 0);

  // Numbers are never handed out twice, and null is no image.
  const unsigned again = RegisterMemoryImage(registered.get());
  EXPECT_NE(again, number);
  EXPECT_EQ(RegisterMemoryImage(nullptr), 0u);
  UnregisterMemoryImage(again);
  UnregisterMemoryImage(123456789);  // unknown: ignored
}

TEST(MemoryImage, NaturalSizeIsTheBaseOneAndNoTextIsDrawn) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><memimage pos='3,4' crtext='000000'>WWW</memimage></dlg>", 100, 40);
  auto* image = dynamic_cast<CBkMemoryImage*>(root->ChildAt(0));
  ASSERT_NE(image, nullptr);
  auto text = LayOut("<dlg><text pos='3,4'>WWW</text></dlg>", 100, 40);
  EXPECT_TRUE(RectIs(image->GetRect(), 3, 4, text->ChildAt(0)->GetRect().right, text->ChildAt(0)->GetRect().bottom));
  DibCanvas canvas(100, 40, kWhite);
  Paint(*image, canvas.dc());
  EXPECT_EQ(canvas.CountOutside(RECT{0, 0, 0, 0}, kWhite), 0);
}

}  // namespace
