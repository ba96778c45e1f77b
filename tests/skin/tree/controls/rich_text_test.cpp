#include "skin/tree/rich_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/resources/font_pool.h"
#include "skin/resources/style.h"
#include "skin/tree/element_factory.h"
#include "tests/skin/tree/controls/controls_test_util.h"
#include "tests/skin/tree/controls/notify_host.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kLinkBlue = RGB(0, 0, 230);
constexpr COLORREF kLinkRed = RGB(230, 0, 0);

// "rt_box": margins 4 and 2, spacing 3, lines 18 apart. "rt_link": the link
// style, underlined, blue, red while hovered.
constexpr int kMarginX = 4;
constexpr int kMarginY = 2;
constexpr int kSpacing = 3;
constexpr int kLineSpacing = 18;

void AddRichTextStyles() {
  LoadProgramSkins();
  BkStyle box;
  box.xMargin = kMarginX;
  box.yMargin = kMarginY;
  box.spacing = kSpacing;
  box.linespacing = kLineSpacing;
  BkStylePool::Instance().Styles()["rt_box"] = box;
  BkStyle link;
  link.font = BkFontPool::GetFont(BkFontPool::kUnderline);
  link.crtext = kLinkBlue;
  link.crhover = kLinkRed;
  BkStylePool::Instance().Styles()["rt_link"] = link;
}

int TextWidth(unsigned font, const std::wstring& text) {
  DibCanvas canvas(1, 1);
  SelectObject(canvas.dc(), BkFontPool::GetFont(font));
  SIZE size = {};
  GetTextExtentPoint32W(canvas.dc(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// One piece of text of the expected picture.
struct Piece {
  unsigned font;
  int x;
  int y;
  std::wstring text;
  COLORREF colour;
};

void PrepareCanvas(DibCanvas& canvas) {
  SetBkMode(canvas.dc(), TRANSPARENT);
  SetTextColor(canvas.dc(), kBlack);
}

void DrawPieces(DibCanvas& canvas, const std::vector<Piece>& pieces, const RECT& clip) {
  SaveDC(canvas.dc());
  IntersectClipRect(canvas.dc(), clip.left, clip.top, clip.right, clip.bottom);
  for (const Piece& piece : pieces) {
    SelectObject(canvas.dc(), BkFontPool::GetFont(piece.font));
    SetTextColor(canvas.dc(), piece.colour);
    TextOutW(canvas.dc(), piece.x, piece.y, piece.text.c_str(), static_cast<int>(piece.text.size()));
  }
  RestoreDC(canvas.dc(), -1);
}

// The rich text of `xml` placed at (0, 0) in a width x height box.
ElementPtr<CBkRichText> PlacedRichText(const std::string& xml, int width, int height, HWND host = nullptr) {
  auto text = LoadAs<CBkRichText>(xml, host);
  if (text) PlaceElement(*text, 0, 0, width, height);
  return text;
}

int DifferingPixels(const DibCanvas& a, const DibCanvas& b) {
  int differing = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) differing += a.Pixel(x, y) != b.Pixel(x, y);
  }
  return differing;
}

// ---- rendering ------------------------------------------------------------------

TEST(RichText, MarkupDrawsFontsColoursAndLinesLikePlainTextCalls) {
  AddRichTextStyles();
  constexpr int kWidth = 300;
  constexpr int kHeight = 80;
  const int left = kMarginX;
  const int top = kMarginY;
  const int ab = TextWidth(0, L"ab");
  const int cd = TextWidth(BkFontPool::kBold, L"cd");
  const int r = TextWidth(0, L"r");
  struct Case {
    const char* markup;
    std::vector<Piece> expected;
  };
  const Case cases[] = {
      {"ab<b>cd</b>e",
       {{0, left, top, L"ab", kBlack},
        {BkFontPool::kBold, left + ab + kSpacing, top, L"cd", kBlack},
        {0, left + ab + kSpacing + cd + kSpacing, top, L"e", kBlack}}},
      {"ab<br/>cd", {{0, left, top, L"ab", kBlack}, {0, left, top + kLineSpacing, L"cd", kBlack}}},
      {"<i>ab</i><u>cd</u>",
       {{BkFontPool::kItalic, left, top, L"ab", kBlack},
        {BkFontPool::kUnderline, left + TextWidth(BkFontPool::kItalic, L"ab") + kSpacing, top, L"cd", kBlack}}},
      {"<b><u>ab</u></b>", {{BkFontPool::kBold | BkFontPool::kUnderline, left, top, L"ab", kBlack}}},
      {"<c color='FF0000'>r</c>k<c color='zz'>x</c>",
       {{0, left, top, L"r", RGB(255, 0, 0)},
        {0, left + r + kSpacing, top, L"k", kBlack},
        {0, left + r + kSpacing + TextWidth(0, L"k") + kSpacing, top, L"x", kBlack}}},
      {"<B>ab</B><Br/>cd", {{BkFontPool::kBold, left, top, L"ab", kBlack}, {0, left, top + kLineSpacing, L"cd", kBlack}}},
      {"<span>ab</span><unknown>cd</unknown>",
       {{0, left, top, L"ab", kBlack}, {0, left + ab + kSpacing, top, L"cd", kBlack}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.markup);
    auto text = PlacedRichText(std::string("<richtext class='rt_box' pos='0,0,-0,-0'>") + c.markup + "</richtext>",
                               kWidth, kHeight);
    DibCanvas drawn(kWidth, kHeight, kWhite);
    PrepareCanvas(drawn);
    ASSERT_TRUE(Paint(*text, drawn.dc()));
    DibCanvas expected(kWidth, kHeight, kWhite);
    PrepareCanvas(expected);
    DrawPieces(expected, c.expected, RECT{kMarginX, kMarginY, kWidth - kMarginX, kHeight - kMarginY});
    EXPECT_EQ(DifferingPixels(drawn, expected), 0);
    EXPECT_FALSE(drawn.AllPixels(RECT{0, 0, kWidth, kHeight}, kWhite));
    // The colour in force before the paint is the one in force after it.
    EXPECT_EQ(GetTextColor(drawn.dc()), kBlack);
  }
}

TEST(RichText, DefaultFontIsTheStartingFontId) {
  AddRichTextStyles();
  auto text = PlacedRichText("<richtext defaultfont='0004' pos='0,0,-0,-0'>ab<i>cd</i></richtext>", 200, 30);
  EXPECT_EQ(text->DefaultFont(), 4u);
  DibCanvas drawn(200, 30, kWhite);
  PrepareCanvas(drawn);
  Paint(*text, drawn.dc());
  DibCanvas expected(200, 30, kWhite);
  PrepareCanvas(expected);
  DrawPieces(expected,
             {{4, 0, 0, L"ab", kBlack}, {4 | BkFontPool::kItalic, TextWidth(4, L"ab"), 0, L"cd", kBlack}},
             RECT{0, 0, 200, 30});
  EXPECT_EQ(DifferingPixels(drawn, expected), 0);
}

TEST(RichText, AWordLongerThanTheLineBreaksWhereItStopsFitting) {
  AddRichTextStyles();
  // Room for exactly four "m"s between the margins.
  const int four = TextWidth(0, L"mmmm");
  const int width = four + 2 * kMarginX;
  auto text = PlacedRichText("<richtext class='rt_box' pos='0,0,-0,-0'>mmmmmmmmmm</richtext>", width, 80);
  DibCanvas drawn(width, 80, kWhite);
  PrepareCanvas(drawn);
  Paint(*text, drawn.dc());
  DibCanvas expected(width, 80, kWhite);
  PrepareCanvas(expected);
  DrawPieces(expected,
             {{0, kMarginX, kMarginY, L"mmmm", kBlack},
              {0, kMarginX, kMarginY + kLineSpacing, L"mmmm", kBlack},
              {0, kMarginX, kMarginY + 2 * kLineSpacing, L"mm", kBlack}},
             RECT{kMarginX, kMarginY, width - kMarginX, 80 - kMarginY});
  EXPECT_EQ(DifferingPixels(drawn, expected), 0);
}

TEST(RichText, AreaNarrowerThanACharacterPlacesOneCharacterPerLine) {
  AddRichTextStyles();
  for (const int width : {1, 0, -40}) {
    SCOPED_TRACE(width);
    auto text = LoadAs<CBkRichText>("<richtext>abc</richtext>");
    text->MoveRect(RECT{10, 0, 10 + width, 80});
    DibCanvas drawn(60, 80, kWhite);
    PrepareCanvas(drawn);
    text->SendElementMessage(WM_PAINT, reinterpret_cast<WPARAM>(drawn.dc()));
    if (width <= 0) {
      EXPECT_TRUE(drawn.AllPixels(RECT{0, 0, 60, 80}, kWhite));
      continue;
    }
    DibCanvas expected(60, 80, kWhite);
    PrepareCanvas(expected);
    DrawPieces(expected, {{0, 10, 0, L"a", kBlack}, {0, 10, 20, L"b", kBlack}, {0, 10, 40, L"c", kBlack}},
               RECT{10, 0, 10 + width, 80});
    EXPECT_EQ(DifferingPixels(drawn, expected), 0);
  }
}

TEST(RichText, MarkupNestedPastTheCapIsNotRendered) {
  AddRichTextStyles();
  auto nested = [](int depth) {
    std::string open;
    std::string close;
    for (int level = 0; level < depth; ++level) {
      open += "<span>";
      close = "</span>" + close;
    }
    return "<richtext pos='0,0,-0,-0'>top" + open + "deep" + close + "</richtext>";
  };
  const int top = TextWidth(0, L"top");
  struct Case {
    int depth;
    bool deepDrawn;
  };
  for (const Case& c : {Case{CBkRichText::kMaxMarkupDepth, true}, Case{CBkRichText::kMaxMarkupDepth + 1, false},
                        Case{250, false}}) {
    SCOPED_TRACE(c.depth);
    auto text = PlacedRichText(nested(c.depth), 200, 30);
    DibCanvas drawn(200, 30, kWhite);
    PrepareCanvas(drawn);
    Paint(*text, drawn.dc());
    DibCanvas expected(200, 30, kWhite);
    PrepareCanvas(expected);
    std::vector<Piece> pieces = {{0, 0, 0, L"top", kBlack}};
    if (c.deepDrawn) pieces.push_back({0, top, 0, L"deep", kBlack});
    DrawPieces(expected, pieces, RECT{0, 0, 200, 30});
    EXPECT_EQ(DifferingPixels(drawn, expected), 0);
  }
}

// ---- links ----------------------------------------------------------------------

const char kTwoLinks[] =
    "<richtext class='rt_box' linkclass='rt_link' pos='0,0,-0,-0'>go<a id='7'>here</a>or<a>there</a></richtext>";

// kTwoLinks in a 400 x 60 box, painted once so that its links are laid out.
ElementPtr<CBkRichText> WithLinksLaidOut(HWND host = nullptr) {
  auto text = PlacedRichText(kTwoLinks, 400, 60, host);
  DibCanvas canvas(400, 60, kWhite);
  PrepareCanvas(canvas);
  Paint(*text, canvas.dc());
  EXPECT_EQ(text->Links().size(), 2u);
  return text;
}

LPARAM InsideOf(const RECT& rect) { return MAKELPARAM(rect.left + 1, rect.top + 1); }

TEST(RichText, LinksAreLaidOutOnTheFirstPaintInTheLinkFont) {
  AddRichTextStyles();
  auto text = PlacedRichText(kTwoLinks, 400, 60);
  EXPECT_TRUE(text->Links().empty());
  EXPECT_FALSE(text->LinksLaidOut());
  DibCanvas drawn(400, 60, kWhite);
  PrepareCanvas(drawn);
  Paint(*text, drawn.dc());
  ASSERT_TRUE(text->LinksLaidOut());
  ASSERT_EQ(text->Links().size(), 2u);
  const RichLink& here = text->Links()[0];
  const RichLink& there = text->Links()[1];
  const int hereLeft = kMarginX + TextWidth(0, L"go") + kSpacing;
  const int hereWidth = TextWidth(BkFontPool::kUnderline, L"here");
  EXPECT_EQ(here.text, L"here");
  EXPECT_EQ(here.id, 7);
  EXPECT_EQ(here.rect.left, hereLeft);
  EXPECT_EQ(here.rect.top, kMarginY);
  EXPECT_EQ(here.rect.right, hereLeft + hereWidth);
  EXPECT_GT(here.rect.bottom, here.rect.top);
  EXPECT_EQ(there.id, 0);
  EXPECT_EQ(there.rect.left, hereLeft + hereWidth + kSpacing + TextWidth(0, L"or") + kSpacing);

  // The links are drawn in the link style's colour; a second paint reuses the
  // list and draws the same picture.
  EXPECT_FALSE(drawn.AllPixels(here.rect, kWhite));
  int blue = 0;
  for (COLORREF pixel : AreaPixels(drawn, here.rect)) blue += pixel == kLinkBlue;
  EXPECT_GT(blue, 0);
  DibCanvas again(400, 60, kWhite);
  PrepareCanvas(again);
  Paint(*text, again.dc());
  EXPECT_EQ(text->Links().size(), 2u);
  EXPECT_EQ(DifferingPixels(drawn, again), 0);

  // Moving the element forgets the links until the next paint.
  PlaceElement(*text, 0, 10, 400, 60);
  EXPECT_TRUE(text->Links().empty());
  EXPECT_FALSE(text->LinksLaidOut());
}

TEST(RichText, HoverSendsOneRedrawPerLinkChangeAndDrawsTheHoverColour) {
  AddRichTextStyles();
  NotifyHost host;
  auto text = WithLinksLaidOut(host.host());
  ASSERT_EQ(text->Links().size(), 2u);
  const RECT here = text->Links()[0].rect;
  const RECT there = text->Links()[1].rect;
  auto moveTo = [&](const RECT& rect) { text->SendElementMessage(WM_MOUSEMOVE, 0, InsideOf(rect)); };

  moveTo(here);
  ASSERT_EQ(host.redraws.size(), 1u);
  EXPECT_TRUE(EqualRect(&host.redraws[0].rect, &here));
  EXPECT_EQ(host.redraws[0].hdr.code, SKN_REDRAWRECT);
  EXPECT_EQ(host.redraws[0].hbkWnd, text->GetHandle());
  EXPECT_EQ(text->HoveredLink(), 0);
  moveTo(here);
  EXPECT_EQ(host.redraws.size(), 1u) << "the same link again sends nothing";

  moveTo(there);
  ASSERT_EQ(host.redraws.size(), 3u);
  EXPECT_TRUE(EqualRect(&host.redraws[1].rect, &here));
  EXPECT_TRUE(EqualRect(&host.redraws[2].rect, &there));
  EXPECT_EQ(text->HoveredLink(), 1);

  DibCanvas hovered(400, 60, kWhite);
  PrepareCanvas(hovered);
  Paint(*text, hovered.dc());
  int red = 0;
  for (COLORREF pixel : AreaPixels(hovered, there)) red += pixel == kLinkRed;
  EXPECT_GT(red, 0);
  for (COLORREF pixel : AreaPixels(hovered, here)) EXPECT_NE(pixel, kLinkRed);

  text->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1, 55));
  ASSERT_EQ(host.redraws.size(), 4u);
  EXPECT_TRUE(EqualRect(&host.redraws[3].rect, &there));
  EXPECT_EQ(text->HoveredLink(), -1);
  text->SendElementMessage(WM_MOUSELEAVE);
  EXPECT_EQ(host.redraws.size(), 4u);

  // Hidden elements ask for no repaint.
  text->SetVisible(false);
  moveTo(here);
  EXPECT_EQ(host.redraws.size(), 4u);
  EXPECT_EQ(text->HoveredLink(), 0);
}

TEST(RichText, ClickOnALinkNotifiesTheHostsParentWithItsId) {
  AddRichTextStyles();
  NotifyHost host(4321);
  auto text = WithLinksLaidOut(host.host());
  ASSERT_EQ(text->Links().size(), 2u);
  const RECT here = text->Links()[0].rect;
  const RECT there = text->Links()[1].rect;
  const LPARAM onHere = InsideOf(here);
  const LPARAM onThere = InsideOf(there);

  text->SendElementMessage(WM_MOUSEMOVE, 0, onHere);
  text->SendElementMessage(WM_LBUTTONDOWN, MK_LBUTTON, onHere);
  EXPECT_EQ(text->PressedLink(), 0);
  text->SendElementMessage(WM_LBUTTONUP, 0, onHere);
  ASSERT_EQ(host.commands.size(), 1u);
  EXPECT_EQ(host.commands[0].item, 7);
  EXPECT_EQ(host.commands[0].itemClass, "richtext");
  EXPECT_EQ(host.commands[0].from, host.host());
  EXPECT_EQ(host.commands[0].fromId, 4321u);
  EXPECT_EQ(host.commands[0].wParam, 4321u);
  EXPECT_EQ(text->PressedLink(), -1);

  // Released over another link: nothing, and the press is forgotten.
  text->SendElementMessage(WM_LBUTTONDOWN, MK_LBUTTON, onHere);
  text->SendElementMessage(WM_MOUSEMOVE, 0, onThere);
  text->SendElementMessage(WM_LBUTTONUP, 0, onThere);
  EXPECT_EQ(host.commands.size(), 1u);
  EXPECT_EQ(text->PressedLink(), -1);

  // A link without an id still reports, with 0.
  text->SendElementMessage(WM_LBUTTONDOWN, MK_LBUTTON, onThere);
  text->SendElementMessage(WM_LBUTTONUP, 0, onThere);
  ASSERT_EQ(host.commands.size(), 2u);
  EXPECT_EQ(host.commands[1].item, 0);

  // A press beside every link presses nothing.
  text->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1, 55));
  text->SendElementMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 55));
  text->SendElementMessage(WM_LBUTTONUP, 0, MAKELPARAM(1, 55));
  EXPECT_EQ(host.commands.size(), 2u);
}

TEST(RichText, HostHandlerThatDestroysTheElementEndsTheMoveQuietly) {
  AddRichTextStyles();
  NotifyHost host;
  auto text = WithLinksLaidOut(host.host());
  ASSERT_EQ(text->Links().size(), 2u);
  const RECT here = text->Links()[0].rect;
  const RECT there = text->Links()[1].rect;
  text->SendElementMessage(WM_MOUSEMOVE, 0, InsideOf(here));
  host.onRedraw = [&text] { text.reset(); };
  CBkRichText* raw = text.get();
  raw->SendElementMessage(WM_MOUSEMOVE, 0, InsideOf(there));
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(host.redraws.size(), 2u) << "the second request is not sent for a destroyed element";
}

TEST(RichText, CursorIsTheHandOnlyOverALink) {
  AddRichTextStyles();
  auto text = WithLinksLaidOut();
  ASSERT_EQ(text->Links().size(), 2u);
  const RECT here = text->Links()[0].rect;
  text->SendElementMessage(WM_MOUSEMOVE, 0, InsideOf(here));
  text->SetCursor();
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  text->SendElementMessage(WM_MOUSELEAVE);
  text->SetCursor();
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST(RichText, FactoryMakesItAndAttributesAreRead) {
  AddRichTextStyles();
  std::unique_ptr<CBkWindow> made = CreateChildByName("richtext");
  ASSERT_NE(dynamic_cast<CBkRichText*>(made.get()), nullptr);
  EXPECT_STREQ(made->GetTag(), "richtext");
  EXPECT_EQ(CreateChildByName("RichText"), nullptr);
  auto text = LoadAs<CBkRichText>("<richtext defaultfont='0106' linkclass='rt_link'/>");
  EXPECT_EQ(text->DefaultFont(), 0x106u);
  EXPECT_EQ(text->LinkStyle().crhover, kLinkRed);
  EXPECT_EQ(text->SetAttribute("unknown", "1", false), kAttributeNotHandled);
}

TEST(RichText, HostileValuesPaintQuietlyAndKeepGdiObjectsFlat) {
  AddRichTextStyles();
  BkStyle wild;
  wild.xMargin = 2000000000;
  wild.yMargin = -2000000000;
  wild.spacing = 2147483647;
  wild.linespacing = -2147483647;
  BkStylePool::Instance().Styles()["rt_wild"] = wild;
  const char* documents[] = {
      "<richtext class='rt_wild' linkclass='missing'>a<a>b</a>c<br/>d</richtext>",
      "<richtext defaultfont='zzzz'><c>x</c><a/><a id='-5'></a></richtext>",
      "<richtext pos='0,0,-0,-0'><b><i><u>\xE4\xBD\x99\xF0\x9F\x98\x80\xE7\xA5\xA8</u></i></b></richtext>",
      "<richtext pos='0,0,-0,-0'/>",
  };
  DibCanvas canvas(120, 60, kWhite);
  PrepareCanvas(canvas);
  for (const char* document : documents) {
    SCOPED_TRACE(document);
    auto text = PlacedRichText(document, 120, 60);
    ASSERT_NE(text, nullptr);
    Paint(*text, canvas.dc());
    for (const RichLink& link : text->Links()) {
      text->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(link.rect.left, link.rect.top));
    }
    text->SendElementMessage(WM_LBUTTONDOWN);
    text->SendElementMessage(WM_LBUTTONUP);
  }
  // The device context is handed back as it came.
  EXPECT_EQ(GetTextColor(canvas.dc()), kBlack);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), GetStockObject(SYSTEM_FONT));
}

}  // namespace
