// The controls of the program's main layer (resource 103): its body loaded
// and laid out in a 680 x 430 client area of a real host window, with real
// native children for the hosted windows.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/basic_controls.h"
#include "skin/tree/check_controls.h"
#include "skin/tree/hosted_controls.h"
#include "skin/tree/memory_images.h"
#include "tests/skin/tree/controls/controls_test_util.h"

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 430;
const COLORREF kBody = RGB(0xFB, 0xFC, 0xFD);

// The body section of layer 103, loaded and placed as the host places it
// when the whole client area is the body.
ElementPtr<CBkDialog> LoadBody(HWND host) {
  std::string bytes;
  if (!LoadSkinResource(103, bytes, L"xml")) {
    ADD_FAILURE() << "layer 103 is missing";
    return nullptr;
  }
  TiXmlDocument document;
  if (!ParseSkinDocument(std::move(bytes), document) || !document.RootElement()) {
    ADD_FAILURE() << "layer 103 does not parse";
    return nullptr;
  }
  const TiXmlElement* xml = document.RootElement()->FirstChildElement("body");
  if (!xml) {
    ADD_FAILURE() << "layer 103 has no body";
    return nullptr;
  }
  ElementPtr<CBkDialog> body(new CBkDialog);
  body->SetHostWindow(host);
  body->Load(xml);
  body->SetAttribute("pos", "0,0,-0,-0", true);
  PlaceElement(*body, 0, 0, kWidth, kHeight);
  return body;
}

void CollectCheckBoxes(CBkWindow* element, std::vector<CBkCheckBoxEx*>& found) {
  if (auto* box = dynamic_cast<CBkCheckBoxEx*>(element)) found.push_back(box);
  if (auto* panel = dynamic_cast<CBkPanel*>(element)) {
    for (size_t i = 0; i < panel->ChildCount(); ++i) CollectCheckBoxes(panel->ChildAt(i), found);
  }
}

class MainLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadProgramSkins();
    ASSERT_NE(host_.hwnd(), nullptr);
    // The application makes the native windows before the tree is laid out.
    for (int id : {2220, 2230, 2240, 2250}) edits_.push_back(host_.AddChild(id, L"EDIT"));
    list_ = host_.AddChild(2100, L"STATIC");
    body_ = LoadBody(host_.hwnd());
    ASSERT_TRUE(body_);
  }

  HostWindow host_;
  std::vector<HWND> edits_;
  HWND list_ = nullptr;
  ElementPtr<CBkDialog> body_;
};

TEST_F(MainLayer, HostedWindowsGetTheRectanglesOfTheLayout) {
  // Body (0,0)-(680,430), x-margin 3: content (3,0)-(677,430).
  //  "0,80,-0,-0"    -> (3,80)-(677,430)
  //  "10,0,-10,-0"   -> (13,80)-(667,430), 654 x 350
  //  "0,0,-0,60"     -> (13,80)-(667,140)
  //  "0,0,-115,-0"   -> (13,80)-(552,140), 539 x 60
  //  "0,0,-0,|0"     -> (13,80)-(552,110), 539 x 30
  //   "0,0,180,-0"      -> (13,80)-(193,110):  2220 "70,9,-20,-4" -> (83,89)-(173,106)
  //   "|-90,0,|90,-0"   -> 539/2 = 269: (192,80)-(372,110): 2230 "65,9,-20,-4" -> (257,89)-(352,106)
  //   "-180,0,-0,-0"    -> (372,80)-(552,110): 2240 "83,9,-24,-4" -> (455,89)-(528,106)
  //  "0,60,-0,-0"    -> (13,140)-(667,430): 2100 "0,0,-0,-0" -> (13,140)-(667,430)
  // The watch group "-172,46,-12,74" -> (505,46)-(665,74): 2250 "83,7,121,-3" -> (588,53)-(626,71)
  // First in the document, the timetable page (layer 108) in the second tab:
  // the tab control (3,4)-(677,429) has 71-pixel heads, so its pages are
  // (3,75)-(677,429); "10,0,-10,-0" -> (13,75)-(667,429):
  //   "0,0,180,-0" of "0,0,-115,30" -> (13,75)-(193,105): 2260 "70,9,-20,-4" -> (83,84)-(173,101)
  //   "180,0,380,-0"                -> (193,75)-(393,105): 2270 "63,9,-24,-4" -> (256,84)-(369,101)
  //   "0,60,-0,-0"                  -> (13,135)-(667,429): 2110
  // then the fare page (layer 112) in the third, laid out alike:
  //   "0,0,160,-0"   -> (13,75)-(173,105):  2280 "70,9,-10,-4" -> (83,84)-(163,101)
  //   "186,0,326,-0" -> (199,75)-(339,105): 2290 "10,9,-10,-4" -> (209,84)-(329,101)
  //   "-200,0,-0,-0" -> (352,75)-(552,105): 2300 "63,9,-24,-4" -> (415,84)-(528,101)
  struct Row {
    int id;
    RECT rect;
  };
  const Row rows[] = {{2260, {83, 84, 173, 101}},  {2270, {256, 84, 369, 101}}, {2110, {13, 135, 667, 429}},
                      {2280, {83, 84, 163, 101}},  {2290, {209, 84, 329, 101}}, {2300, {415, 84, 528, 101}},
                      {2120, {13, 135, 667, 429}}, {2250, {588, 53, 626, 71}},  {2220, {83, 89, 173, 106}},
                      {2230, {257, 89, 352, 106}}, {2240, {455, 89, 528, 106}}, {2100, {13, 140, 667, 430}}};
  for (const Row& row : rows) {
    auto* real = Find<CBkRealWnd>(*body_, row.id);
    ASSERT_NE(real, nullptr) << row.id;
    EXPECT_TRUE(RectIs(real->GetRect(), row.rect.left, row.rect.top, row.rect.right, row.rect.bottom)) << row.id;
    HWND native = GetDlgItem(host_.hwnd(), row.id);
    EXPECT_EQ(real->NativeWindow(), native);
    if (native) {
      EXPECT_TRUE(RectIs(ChildRect(native), row.rect.left, row.rect.top, row.rect.right, row.rect.bottom)) << row.id;
    }
  }
  // One notification each, in document order.
  ASSERT_EQ(host_.notifications.size(), 12u);
  for (size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(host_.notifications[i].id, rows[i].id);
    EXPECT_TRUE(RectIs(host_.notifications[i].rect, rows[i].rect.left, rows[i].rect.top, rows[i].rect.right,
                       rows[i].rect.bottom));
  }
  // Laid out again at the same size: nothing moves, nothing is sent.
  PlaceElement(*body_, 0, 0, kWidth, kHeight);
  EXPECT_EQ(host_.notifications.size(), 12u);
  // Destroying the tree hides them.
  body_.reset();
  for (HWND edit : edits_) EXPECT_FALSE(GetWindowLongW(edit, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(MainLayer, TrainKindBoxesStartCheckedAndToggle) {
  std::vector<CBkCheckBoxEx*> boxes;
  CollectCheckBoxes(body_.get(), boxes);
  const char* const names[] = {"全选", "城际", "高铁", "动车", "直达", "特快", "快速", "普快", "临客", "返程"};
  // The first is 只看有票 and the second the watch box, above the query bar
  // (below); the query bar's follow.
  ASSERT_EQ(boxes.size(), 12u);
  constexpr size_t kFirstKind = 2;
  // First group: dialog (13,110)-(193,140); "10,7,60,-7" is 50 x 16, and the
  // box adds 13 + 10: (23,117)-(96,133).
  const LONG lefts[] = {23, 83, 143, 202, 262, 322, 382, 442, 502};
  for (size_t i = 0; i < 10; ++i) {
    CBkCheckBoxEx* box = boxes[kFirstKind + i];
    EXPECT_EQ(box->GetText(), Utf8ToWide(names[i]));
    EXPECT_EQ(box->Skin(), GetSkin("checkbox_bg"));
    EXPECT_EQ(box->Spacing(), 10);
    const bool homeward = i == 9;
    EXPECT_EQ((box->GetState() & StateChecked) != 0, !homeward) << names[i];
    if (!homeward) {
      EXPECT_TRUE(RectIs(box->GetRect(), lefts[i], 117, lefts[i] + 73, 133)) << names[i];
    } else {
      // (552,80)-(667,140): "10,7,60,-7" is 50 x 46.
      EXPECT_TRUE(RectIs(box->GetRect(), 562, 87, 635, 133));
    }
    box->SendElementMessage(WM_LBUTTONUP);
    EXPECT_EQ((box->GetState() & StateChecked) != 0, homeward) << names[i];
    box->SendElementMessage(WM_LBUTTONUP);
    EXPECT_EQ((box->GetState() & StateChecked) != 0, !homeward) << names[i];
  }
  // The filters "-352,46,-180,74" -> (325,46)-(497,74): "0,0,76,-0" is 76 x
  // 28, and the box adds 13 + 8.
  EXPECT_TRUE(RectIs(boxes[0]->GetRect(), 325, 46, 422, 74));
  // (505,46)-(665,74): "0,0,56,-0" is 56 x 28, and the box adds 13 + 8.
  EXPECT_TRUE(RectIs(boxes[1]->GetRect(), 505, 46, 582, 74));
}

// Each box reaches 23 pixels past its neighbour's left edge (its text area),
// and the neighbour's box is drawn over it: a press on any box's square, and
// on the search button over its background image, reaches that control.
TEST_F(MainLayer, PressesReachTheControlDrawnOnTop) {
  std::vector<CBkCheckBoxEx*> boxes;
  CollectCheckBoxes(body_.get(), boxes);
  ASSERT_EQ(boxes.size(), 12u);
  for (CBkCheckBoxEx* box : boxes) {
    const RECT& area = box->GetRect();
    const int squareX = area.left + 6;
    const int squareY = (area.top + area.bottom) / 2;
    EXPECT_EQ(box->GetHandle(), body_->HitTest(squareX, squareY, 0)) << area.left;
  }
  CBkWindow* search = body_->FindElementById(10000);
  ASSERT_NE(search, nullptr);
  const RECT& button = search->GetRect();
  EXPECT_EQ(search->GetHandle(), body_->HitTest((button.left + button.right) / 2, (button.top + button.bottom) / 2, 0));
}

TEST_F(MainLayer, SearchButtonIsRepaintedOnEveryStateButItsSkinHasOneLook) {
  auto* search = Find<CBkImageBtnWnd>(*body_, 10000);
  ASSERT_NE(search, nullptr);
  // Search frame "-54,6,-6,-6" in (552,80)-(667,140): (613,86)-(661,134).
  EXPECT_TRUE(RectIs(search->GetRect(), 613, 86, 661, 134));
  EXPECT_TRUE(search->LooksDifferentByState());
  ASSERT_NE(search->Skin(), nullptr);
  EXPECT_TRUE(search->Skin()->IsStateless());
  std::vector<std::vector<COLORREF>> looks;
  for (unsigned state : {0u, unsigned{StateHover}, unsigned{StateHover | StatePushed}}) {
    SetState(*search, state);
    DibCanvas canvas(kWidth, kHeight, kBody);
    Paint(*search, canvas.dc());
    EXPECT_GT(canvas.CountOutside(RECT{0, 0, 0, 0}, kBody), 200);
    EXPECT_EQ(canvas.CountOutside(search->GetRect(), kBody), 0);
    looks.push_back(AreaPixels(canvas, search->GetRect()));
  }
  // The search face is one picture without state images: every state
  // shows it unchanged.
  EXPECT_EQ(looks[0], looks[1]);
  EXPECT_EQ(looks[0], looks[2]);

  // The busy image over it starts hidden; its frames differ.
  auto* busy = Find<CBkImageWnd>(*body_, 10001);
  ASSERT_NE(busy, nullptr);
  EXPECT_FALSE(busy->IsVisible(false));
  EXPECT_TRUE(RectIs(busy->GetRect(), 619, 92, 655, 128));
}

TEST_F(MainLayer, QueryBarRendersFieldsBoxesAndSearchButton) {
  // The query bar, rows 80 to 430 of the client area, drawn as the host
  // draws the body.
  DibCanvas canvas(kWidth, kHeight - 80, RGB(255, 0, 255));
  SetViewportOrgEx(canvas.dc(), 0, -80, nullptr);
  ASSERT_TRUE(Paint(*body_, canvas.dc()));
  SetViewportOrgEx(canvas.dc(), 0, 0, nullptr);
  // The body's frame skin covers everything.
  EXPECT_EQ(canvas.CountOutside(RECT{0, 0, 0, 0}, RGB(255, 0, 255)), kWidth * (kHeight - 80));

  // Each field frame ("edit_bg") differs from the plain body inside it.
  struct Field {
    RECT rect;  // client coordinates
  };
  const Field fields[] = {{{73, 80, 183, 110}}, {{247, 80, 362, 110}}, {{447, 80, 542, 110}}};
  for (const Field& field : fields) {
    int framed = 0;
    for (int x = field.rect.left; x < field.rect.right; ++x) framed += canvas.Pixel(x, field.rect.top - 80) != kBody;
    EXPECT_GT(framed, (field.rect.right - field.rect.left) / 2) << field.rect.left;
  }
  // The check boxes show the skin's checked picture, the homeward one the
  // unchecked picture.
  CBkSkinBase* skin = GetSkin("checkbox_bg");
  ASSERT_NE(skin, nullptr);
  for (const POINT& at : {POINT{23, 117}, POINT{502, 117}, POINT{562, 102}}) {
    const bool homeward = at.x == 562;
    DibCanvas expected(16, 16, kBody);
    skin->Draw(expected.dc(), RECT{0, 0, 13, 16}, homeward ? 0 : static_cast<int>(StateChecked));
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 13; ++x)
        EXPECT_EQ(canvas.Pixel(at.x + x, at.y - 80 + y), expected.Pixel(x, y)) << at.x << " " << x << "," << y;
  }
  // The first label is drawn 23 right of its box in the accent colour
  // (45B1E5, blended at the glyphs' edges): blue ink and nothing else.
  int ink = 0, other = 0;
  for (int y = 117; y < 133; ++y)
    for (int x = 39; x < 83; ++x) {
      const COLORREF pixel = canvas.Pixel(x, y - 80);
      if (pixel == kBody) continue;
      if (x >= 46 && GetBValue(pixel) > GetRValue(pixel) + 8) {
        ++ink;
      } else {
        ++other;
      }
    }
  EXPECT_GT(ink, 40);
  EXPECT_EQ(other, 0);

  if (const char* folder = std::getenv("TAVORA_RENDER_DIR")) {
    EXPECT_TRUE(SaveCanvasBmp(canvas, Utf8ToWide(folder) + L"\\query_bar.bmp"));
  }
}

TEST_F(MainLayer, ThousandHoverPressToggleCyclesLeaveNothingBehind) {
  auto* search = Find<CBkImageBtnWnd>(*body_, 10000);
  std::vector<CBkCheckBoxEx*> boxes;
  CollectCheckBoxes(body_.get(), boxes);
  ASSERT_TRUE(search && boxes.size() == 12u);
  CBkCheckBoxEx* homeward = boxes[11];
  auto check = LayOut("<dlg><check pos='0,0,60,16'>check</check><hr pos='0,20,-0,20' crbg='CCCCCC'/></dlg>", 100, 30);
  CBkWindow* classic = check->ChildAt(0);
  CBkWindow* rule = check->ChildAt(1);
  const size_t elements = BkWindowRegistry::Instance().Count();
  const size_t images = MemoryImageCount();

  DibCanvas canvas(kWidth, kHeight, kBody);
  const HDC dc = canvas.dc();
  const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
  const HGDIOBJ brush = GetCurrentObject(dc, OBJ_BRUSH);
  const HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
  const COLORREF textColour = GetTextColor(dc);
  const int bkMode = GetBkMode(dc);
  for (int cycle = 0; cycle < 1000; ++cycle) {
    for (CBkWindow* element : {static_cast<CBkWindow*>(search), static_cast<CBkWindow*>(homeward), classic}) {
      element->ChangeState(StateHover, 0);
      Paint(*element, dc);
      element->ChangeState(StatePushed, 0);
      element->SendElementMessage(WM_LBUTTONDOWN);
      Paint(*element, dc);
      element->SendElementMessage(WM_LBUTTONUP);
      element->ChangeState(0, StatePushed | StateHover);
      Paint(*element, dc);
    }
    Paint(*rule, dc);
  }
  EXPECT_EQ(BkWindowRegistry::Instance().Count(), elements);
  EXPECT_EQ(MemoryImageCount(), images);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
  EXPECT_EQ(GetTextColor(dc), textColour);
  EXPECT_EQ(GetBkMode(dc), bkMode);
  // An even number of toggles: back where they started.
  EXPECT_EQ(homeward->GetState(), 0u);
  EXPECT_EQ(classic->GetState(), 0u);
  EXPECT_EQ(search->GetState(), 0u);
}

}  // namespace
