// The dialog view on a real parent window: layer loading, section layout,
// double-buffered painting read back from the screen, mouse routing into
// element states and SKN_COMMAND, and the by-id operations.
#include "skin/host/dialog_view.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "skin/host/list_view.h"
#include "skin/resources/style.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/notifications.h"
#include "tests/skin/host/host_test_windows.h"
#include "tests/skin/host/view_test_util.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 160;
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kCyan = RGB(0, 255, 255);
constexpr COLORREF kOrange = RGB(255, 128, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

// Header 0..30 (a drag text and button 7), body 30..140, footer 140..160.
// In client coordinates: button 20 at (10,40)-(60,70), button 21 at
// (70,40)-(120,70), text 22 at (130,40)-(180,70), a button without id at
// (190,40)-(230,70).
const char kLayer[] =
    "<layer title=\"Probe\" width=\"240\" height=\"160\" resize=\"1\">"
    "<header height=\"30\" crbg=\"0000FF\">"
    "<text pos=\"0,0,100,-0\">drag</text>"
    "<button id=\"7\" pos=\"150,5,190,25\" crbg=\"00FF00\"/>"
    "</header>"
    "<body crbg=\"FFFFFF\">"
    "<button id=\"20\" class=\"hot\" pos=\"10,10,60,40\" crbg=\"FF00FF\"/>"
    "<button id=\"21\" class=\"hand\" tip=\"second\" pos=\"70,10,120,40\" crbg=\"00FFFF\"/>"
    "<text id=\"22\" pos=\"130,10,180,40\" crbg=\"808000\"/>"
    "<button pos=\"190,10,230,40\" crbg=\"000080\"/>"
    "</body>"
    "<footer height=\"20\" crbg=\"808080\"/>"
    "</layer>";

const POINT kOnHeaderText = {50, 15};
const POINT kOnButton7 = {170, 15};
const POINT kOnButton20 = {35, 55};
const POINT kOnButton21 = {95, 55};
const POINT kOnText22 = {155, 55};
const POINT kOnNoIdButton = {210, 55};
const POINT kOutside = {-5, -5};

class DialogViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The real cursor may still rest where an earlier test left it: keep it
    // off the test windows, so that nothing starts out hovered.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    BkStyle hot;
    hot.crbghover = kOrange;
    BkStylePool::Instance().Styles()["hot"] = hot;
    BkStyle hand;
    hand.cursor = 32649;  // IDC_HAND
    BkStylePool::Instance().Styles()["hand"] = hand;
    parent_.handler = [this](RecordingWindow&, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
      if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        ReceivedCommand command;
        if (ReadCommand(lParam, command)) commands_.push_back(command);
        if (header->code == SKN_MOUSEENTER && onMouseEnter_) onMouseEnter_();
        if (header->code == SKN_COMMAND && onCommand_) onCommand_();
        notifyCodes_.push_back(header->code);
        result = 55;
        return true;
      }
      if (message == WM_SYSCOMMAND) {
        sysCommands_.push_back(wParam);
        return true;
      }
      if (message == WM_COMMAND) {
        result = 77;
        return true;
      }
      return false;
    };
    const RECT frame = {100, 100, 100 + kWidth, 100 + kHeight};
    ASSERT_NE(nullptr, parent_.Create(nullptr, &frame, L"", WS_POPUP | WS_VISIBLE));
  }

  void MakeView(const char* layer = kLayer) {
    view_ = std::make_unique<CBkDialogView>();
    ASSERT_TRUE(view_->LoadLayer(layer));
    const RECT area = {0, 0, kWidth, kHeight};
    ASSERT_NE(nullptr, view_->Create(parent_.GetHwnd(), VIEW_ID, &area));
  }

  LRESULT Mouse(UINT message, POINT at) {
    return SendMessageW(view_->GetHwnd(), message, message == WM_MOUSEMOVE ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
  }

  COLORREF PixelAt(POINT at) {
    UpdateWindow(view_->GetHwnd());
    DibCanvas canvas(kWidth, kHeight);
    if (!CaptureClient(view_->GetHwnd(), canvas)) return CLR_INVALID;
    return canvas.Pixel(at.x, at.y);
  }

  std::vector<int> Items() const {
    std::vector<int> items;
    for (const ReceivedCommand& command : commands_) items.push_back(command.item);
    return items;
  }

  RecordingWindow parent_;
  std::unique_ptr<CBkDialogView> view_;
  std::vector<ReceivedCommand> commands_;
  std::vector<UINT> notifyCodes_;
  std::vector<WPARAM> sysCommands_;
  std::function<void()> onMouseEnter_;
  std::function<void()> onCommand_;
};

TEST(DialogViewLayer, LoadLayer_ComputesFrameStylesFromAttributes) {
  struct Case {
    const char* layer;
    DWORD style;
    DWORD exStyle;
    bool maximizable;
  };
  const Case cases[] = {
      {"<layer resize=\"1\" appwin=\"1\"/>", 0x800F0000, 0x40300, true},
      {"<layer/>", 0x80080000, 0x300, false},
      {"<layer resize=\"1\" nomaxsize=\"1\"/>", 0x800E0000, 0x300, false},
      {"<layer nomaxsize=\"1\"/>", 0x80080000, 0x300, false},
      {"<layer noborder=\"1\" nosysmenu=\"1\"/>", 0x80000000, 0x88, false},
      {"<layer appwin=\"x1\" resize=\"2junk\"/>", 0x800F0000, 0x300, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layer);
    CBkDialogView view;
    ASSERT_TRUE(view.LoadLayer(c.layer));
    EXPECT_TRUE(view.IsLayerLoaded());
    EXPECT_EQ(c.style, view.GetFrameStyle());
    EXPECT_EQ(c.exStyle, view.GetFrameExStyle());
    EXPECT_EQ(c.maximizable, view.IsMaximizable());
  }
}

TEST(DialogViewLayer, LoadLayer_ReadsTitleAndSize) {
  CBkDialogView view;
  ASSERT_TRUE(view.LoadLayer("<layer title=\"\xE4\xBD\x99\xE7\xA5\xA8\" width=\"680\" height=\"430\"/>"));
  EXPECT_EQ(std::wstring(L"\x4F59\x7968"), view.GetTitle());
  EXPECT_EQ(680, view.GetLayerWidth());
  EXPECT_EQ(430, view.GetLayerHeight());
}

TEST(DialogViewLayer, LoadLayer_RefusesOtherDocumentsAndEmptiesSections) {
  for (const char* refused : {"<dialog><header height=\"9\"><text id=\"5\"/></header></dialog>", "<layer", ""}) {
    SCOPED_TRACE(refused);
    CBkDialogView view;
    ASSERT_TRUE(view.LoadLayer("<layer><body><text id=\"5\"/></body></layer>"));
    ASSERT_NE(nullptr, view.FindElement(5));
    EXPECT_FALSE(view.LoadLayer(refused));
    EXPECT_FALSE(view.IsLayerLoaded());
    EXPECT_EQ(nullptr, view.FindElement(5));
    EXPECT_EQ(CBkDialogView::kBaseFrameStyle, view.GetFrameStyle());
  }
}

TEST_F(DialogViewTest, Layout_PlacesHeaderFooterAndBodyBetween) {
  MakeView();
  struct Expected {
    int section;
    RECT rect;
  };
  for (const Expected& e :
       {Expected{0, {0, 0, kWidth, 30}}, Expected{1, {0, 30, kWidth, 140}}, Expected{2, {0, 140, kWidth, kHeight}}}) {
    const RECT& rect = view_->Section(e.section)->GetRect();
    EXPECT_TRUE(EqualRect(&rect, &e.rect))
        << "section " << e.section << ": " << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
  }
}

TEST_F(DialogViewTest, Layout_WithoutFooterBodyReachesTheBottom) {
  MakeView("<layer><header height=\"25\"/><body/></layer>");
  const RECT expected = {0, 25, kWidth, kHeight};
  const RECT& body = view_->Section(1)->GetRect();
  EXPECT_TRUE(EqualRect(&body, &expected));
}

TEST_F(DialogViewTest, Paint_ShowsSectionsAndElements) {
  MakeView();
  EXPECT_EQ(kBlue, PixelAt({120, 15}));
  EXPECT_EQ(kWhite, PixelAt({200, 100}));
  EXPECT_EQ(kGrey, PixelAt({200, 150}));
  EXPECT_EQ(kMagenta, PixelAt(kOnButton20));
  EXPECT_EQ(kCyan, PixelAt(kOnButton21));
}

TEST_F(DialogViewTest, Click_ReportsCommandOnlyWhenReleasedOverThePressedElement) {
  struct Step {
    UINT message;
    POINT at;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<int> items;
  };
  const Case cases[] = {
      {"press and release", {{WM_LBUTTONDOWN, kOnButton20}, {WM_LBUTTONUP, kOnButton20}}, {20}},
      {"release elsewhere",
       {{WM_LBUTTONDOWN, kOnButton20}, {WM_MOUSEMOVE, kOnButton21}, {WM_LBUTTONUP, kOnButton21}},
       {}},
      {"away and back",
       {{WM_LBUTTONDOWN, kOnButton20},
        {WM_MOUSEMOVE, kOnButton21},
        {WM_MOUSEMOVE, kOnButton20},
        {WM_LBUTTONUP, kOnButton20}},
       {20}},
      {"outside every section keeps the hovered element",
       {{WM_LBUTTONDOWN, kOnButton20}, {WM_MOUSEMOVE, kOutside}, {WM_LBUTTONUP, kOutside}},
       {20}},
      {"text with an id", {{WM_LBUTTONDOWN, kOnText22}, {WM_LBUTTONUP, kOnText22}}, {22}},
      {"element without id", {{WM_LBUTTONDOWN, kOnNoIdButton}, {WM_LBUTTONUP, kOnNoIdButton}}, {}},
      {"header button", {{WM_LBUTTONDOWN, kOnButton7}, {WM_LBUTTONUP, kOnButton7}}, {7}},
      {"double click is no click",
       {{WM_LBUTTONDOWN, kOnButton20},
        {WM_LBUTTONUP, kOnButton20},
        {WM_LBUTTONDBLCLK, kOnButton20},
        {WM_LBUTTONUP, kOnButton20}},
       {20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    commands_.clear();
    MakeView();
    for (const Step& step : c.steps) Mouse(step.message, step.at);
    EXPECT_EQ(c.items, Items());
    for (const ReceivedCommand& command : commands_) {
      EXPECT_EQ(VIEW_ID, command.from);
      EXPECT_EQ(command.item == 22 ? "text" : "button", command.itemClass);
    }
    EXPECT_NE(view_->GetHwnd(), GetCapture());
  }
}

TEST_F(DialogViewTest, DoubleClick_OnHeaderAskForMaximiseOnlyWhenAllowed) {
  struct Case {
    const char* layer;
    POINT at;
    std::vector<int> items;
  };
  const std::string fixedSize =
      std::string(kLayer).replace(std::string(kLayer).find("resize=\"1\""), 10, "resize=\"1\" nomaxsize=\"1\"");
  const Case cases[] = {
      {kLayer, kOnHeaderText, {ID_MAXIMIZE}},
      {kLayer, kOnButton7, {}},
      {kLayer, kOnButton20, {}},
      {fixedSize.c_str(), kOnHeaderText, {}},
  };
  for (const Case& c : cases) {
    commands_.clear();
    MakeView(c.layer);
    Mouse(WM_LBUTTONDBLCLK, c.at);
    EXPECT_EQ(c.items, Items());
  }
}

TEST_F(DialogViewTest, HeaderPress_DragsTheParentUnlessItIsMaximised) {
  struct Case {
    const char* name;
    POINT at;
    LONG parentStyle;
    std::vector<WPARAM> sysCommands;
  };
  const Case cases[] = {
      {"header text", kOnHeaderText, 0, {0xF012}},
      {"header button", kOnButton7, 0, {}},
      {"body", kOnButton20, 0, {}},
      {"maximised", kOnHeaderText, WS_MAXIMIZE, {}},
      {"minimised", kOnHeaderText, WS_MINIMIZE, {}},
  };
  const LONG style = GetWindowLongW(parent_.GetHwnd(), GWL_STYLE);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sysCommands_.clear();
    MakeView();
    SetWindowLongW(parent_.GetHwnd(), GWL_STYLE, style | c.parentStyle);
    Mouse(WM_LBUTTONDOWN, c.at);
    SetWindowLongW(parent_.GetHwnd(), GWL_STYLE, style);
    Mouse(WM_LBUTTONUP, c.at);
    EXPECT_EQ(c.sysCommands, sysCommands_);
  }
}

TEST_F(DialogViewTest, DisabledElement_GetsNoStateAndNoClick) {
  MakeView();
  CBkWindow* button = view_->FindElement(20);
  button->ChangeState(StateDisabled, 0);
  Mouse(WM_MOUSEMOVE, kOnButton20);
  Mouse(WM_LBUTTONDOWN, kOnButton20);
  EXPECT_EQ(0u, button->GetState() & (StateHover | StatePushed));
  EXPECT_NE(view_->GetHwnd(), GetCapture());
  Mouse(WM_LBUTTONUP, kOnButton20);
  EXPECT_TRUE(commands_.empty());
}

TEST_F(DialogViewTest, HoveredElement_SetsItsCursorAndTooltipText) {
  MakeView();
  ASSERT_NE(nullptr, view_->GetTooltip());
  Mouse(WM_MOUSEMOVE, kOnButton21);
  EXPECT_EQ(1, SendMessageW(view_->GetHwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(view_->GetHwnd()),
                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(LoadCursorW(nullptr, IDC_HAND), GetCursor());
  wchar_t text[64] = {};
  TOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = parent_.GetHwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(view_->GetHwnd());
  tool.lpszText = text;
  SendMessageW(view_->GetTooltip(), TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(std::wstring(L"second"), text);

  Mouse(WM_MOUSEMOVE, kOnButton20);
  SendMessageW(view_->GetHwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(view_->GetHwnd()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), GetCursor());
}

TEST_F(DialogViewTest, CustomDraw_GoesToTheChildFirstAndToTheParentWhenUnanswered) {
  MakeView();
  LRESULT childAnswer = 0;
  RecordingWindow child;
  child.handler = [&](RecordingWindow&, UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != WM_NOTIFY + kReflectedMessageBase) return false;
    result = childAnswer;
    return true;
  };
  const RECT area = {0, 0, 10, 10};
  ASSERT_NE(nullptr, child.Create(view_->GetHwnd(), &area, L"", WS_CHILD, 0, 31));
  NMHDR draw = {child.GetHwnd(), 31, static_cast<UINT>(NM_CUSTOMDRAW)};
  childAnswer = CDRF_NOTIFYITEMDRAW;
  EXPECT_EQ(CDRF_NOTIFYITEMDRAW, SendMessageW(view_->GetHwnd(), WM_NOTIFY, 31, reinterpret_cast<LPARAM>(&draw)));
  EXPECT_TRUE(notifyCodes_.empty());
  childAnswer = 0;
  EXPECT_EQ(55, SendMessageW(view_->GetHwnd(), WM_NOTIFY, 31, reinterpret_cast<LPARAM>(&draw)));
  EXPECT_EQ(std::vector<UINT>{static_cast<UINT>(NM_CUSTOMDRAW)}, notifyCodes_);
}

TEST_F(DialogViewTest, Hover_RepaintsTheElementUnderTheMouse) {
  MakeView();
  EXPECT_EQ(kMagenta, PixelAt(kOnButton20));
  Mouse(WM_MOUSEMOVE, kOnButton20);
  EXPECT_EQ(kOrange, PixelAt(kOnButton20));
  EXPECT_TRUE(LookupElement(view_->GetHoveredElement())->GetState() & StateHover);
  Mouse(WM_MOUSEMOVE, kOnButton21);
  EXPECT_EQ(kMagenta, PixelAt(kOnButton20));
  Mouse(WM_MOUSEMOVE, kOnButton20);
  EXPECT_EQ(kOrange, PixelAt(kOnButton20));
  SendMessageW(view_->GetHwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(kMagenta, PixelAt(kOnButton20));
  EXPECT_EQ(0u, view_->GetHoveredElement());
  EXPECT_EQ(SKN_MOUSELEAVE, notifyCodes_.back());
}

TEST_F(DialogViewTest, CaptureLost_ClearsThePressAndLaterPressesStillWork) {
  MakeView();
  Mouse(WM_LBUTTONDOWN, kOnButton20);
  ASSERT_EQ(view_->GetHwnd(), GetCapture());
  const BkHandle pressed = view_->GetPushedElement();
  ASSERT_TRUE(LookupElement(pressed)->GetState() & StatePushed);

  SetCapture(parent_.GetHwnd());
  EXPECT_EQ(0u, view_->GetPushedElement());
  EXPECT_FALSE(LookupElement(pressed)->GetState() & StatePushed);
  ReleaseCapture();
  Mouse(WM_LBUTTONUP, kOnButton20);
  EXPECT_TRUE(commands_.empty());

  Mouse(WM_LBUTTONDOWN, kOnButton20);
  EXPECT_EQ(view_->GetHwnd(), GetCapture());
  Mouse(WM_LBUTTONUP, kOnButton20);
  EXPECT_EQ(std::vector<int>{20}, Items());
}

TEST_F(DialogViewTest, ElementsReplacedDuringNotificationsAreLookedUpAgain) {
  MakeView();
  onMouseEnter_ = [this] { view_->LoadLayer(kLayer); };
  onCommand_ = [this] { view_->LoadLayer(kLayer); };
  Mouse(WM_MOUSEMOVE, kOnButton20);
  ASSERT_NE(nullptr, LookupElement(view_->GetHoveredElement()));
  Mouse(WM_LBUTTONDOWN, kOnButton20);
  const BkHandle pressed = view_->GetPushedElement();
  Mouse(WM_LBUTTONUP, kOnButton20);
  EXPECT_EQ(nullptr, LookupElement(pressed));
  Mouse(WM_LBUTTONDOWN, kOnButton20);
  Mouse(WM_LBUTTONUP, kOnButton20);
  EXPECT_EQ((std::vector<int>{20, 20}), Items());
  EXPECT_EQ(kMagenta, PixelAt(kOnButton20));
}

TEST_F(DialogViewTest, ByIdOperations_ChangeWhatIsPainted) {
  MakeView();
  ASSERT_EQ(kMagenta, PixelAt(kOnButton20));

  EXPECT_TRUE(view_->SetElementVisible(20, false));
  EXPECT_EQ(kWhite, PixelAt(kOnButton20));
  EXPECT_TRUE(view_->SetElementVisible(20, true));
  EXPECT_EQ(kMagenta, PixelAt(kOnButton20));

  EXPECT_TRUE(view_->SetElementAttribute(21, "pos", "10,80,60,100"));
  EXPECT_EQ(kWhite, PixelAt(kOnButton21));
  EXPECT_EQ(kCyan, PixelAt({35, 120}));

  EXPECT_TRUE(view_->SetElementAttribute(21, "crbg", "FF0000"));
  EXPECT_EQ(kRed, PixelAt({35, 120}));

  EXPECT_TRUE(view_->SetElementIntAttribute(22, "id", 42));
  EXPECT_EQ(nullptr, view_->FindElement(22));
  ASSERT_NE(nullptr, view_->FindElement(42));
  EXPECT_TRUE(view_->SetElementText(42, L"abc"));
  EXPECT_EQ(std::wstring(L"abc"), view_->FindElement(42)->GetText());

  EXPECT_FALSE(view_->SetElementVisible(99, false));
  EXPECT_FALSE(view_->SetElementAttribute(99, "crbg", "000000"));
  EXPECT_FALSE(view_->SetElementIntAttribute(99, "id", 1));
  EXPECT_FALSE(view_->SetElementText(99, L"x"));
}

TEST_F(DialogViewTest, Paint_CopiesTheKeptPictureUntilARedrawIsRequested) {
  MakeView();
  ASSERT_EQ(kMagenta, PixelAt(kOnButton20));
  CBkWindow* button = view_->FindElement(20);
  button->SetAttribute("crbg", "FF0000", false);
  InvalidateRect(view_->GetHwnd(), nullptr, FALSE);
  EXPECT_EQ(kMagenta, PixelAt(kOnButton20));

  RedrawRectNotify notify = {};
  notify.hdr.code = SKN_REDRAWRECT;
  notify.hdr.idFrom = 20;
  notify.hbkWnd = button->GetHandle();
  notify.rect = button->GetRect();
  EXPECT_EQ(0, SendMessageW(view_->GetHwnd(), WM_NOTIFY, 20, reinterpret_cast<LPARAM>(&notify)));
  EXPECT_EQ(kRed, PixelAt(kOnButton20));
  EXPECT_TRUE(notifyCodes_.empty());
}

TEST_F(DialogViewTest, ChildMessages_GoOnToTheParent) {
  MakeView();
  NMHDR other = {nullptr, 5, static_cast<UINT>(LVN_ITEMCHANGED)};
  EXPECT_EQ(55, SendMessageW(view_->GetHwnd(), WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&other)));
  EXPECT_EQ(std::vector<UINT>{static_cast<UINT>(LVN_ITEMCHANGED)}, notifyCodes_);
  EXPECT_EQ(77, SendMessageW(view_->GetHwnd(), WM_COMMAND, MAKEWPARAM(2220, EN_CHANGE), 0));
}

TEST_F(DialogViewTest, PaintingAndResizingReleaseTheirGdiObjects) {
  MakeView();
  PixelAt(kOnButton20);
  const auto cycle = [this](int round) {
    view_->RedrawRect({0, 0, 10, 10});
    view_->RedrawRect({20, 20, 40, 40});
    UpdateWindow(view_->GetHwnd());
    Mouse(WM_MOUSEMOVE, round % 2 ? kOnButton20 : kOnButton21);
    UpdateWindow(view_->GetHwnd());
    SetWindowPos(view_->GetHwnd(), nullptr, 0, 0, kWidth - round % 2, kHeight, SWP_NOZORDER | SWP_NOMOVE);
    UpdateWindow(view_->GetHwnd());
  };
  cycle(0);
  view_.reset();
  MakeView();
  cycle(1);
  const int before = CountLiveGdiObjects();
  for (int round = 0; round < 20; ++round) cycle(round);
  view_.reset();
  MakeView();
  cycle(0);
  EXPECT_EQ(before, CountLiveGdiObjects());

  // The census sees an object that is not released.
  HRGN probe = CreateRectRgn(0, 0, 1, 1);
  EXPECT_EQ(before + 1, CountLiveGdiObjects());
  DeleteObject(probe);
}

// The tooltips of the view and of the list: the system makes the host's
// top-level window their owner, so each host destroys its own when its
// window goes, however that goes, and a new window gets a new tooltip.
TEST_F(DialogViewTest, TooltipsLiveExactlyAsLongAsTheirHostWindows) {
  CBkDialogView view;
  CBkListView list;
  const struct {
    const char* name;
    std::function<HWND()> create;
    std::function<HWND()> tooltip;
  } hosts[] = {
      {"view", [&] { return view.Create(parent_.GetHwnd()); }, [&] { return view.GetTooltip(); }},
      {"list", [&] { return list.Create(parent_.GetHwnd(), 2100); }, [&] { return list.GetTooltip(); }},
  };
  for (const auto& host : hosts) {
    for (int round = 0; round < 2; ++round) {
      const HWND window = host.create();
      const HWND tooltip = host.tooltip();
      ASSERT_TRUE(window && IsWindow(tooltip)) << host.name;
      EXPECT_EQ(parent_.GetHwnd(), GetWindow(tooltip, GW_OWNER)) << host.name;
      DestroyWindow(window);
      EXPECT_EQ(nullptr, host.tooltip()) << host.name;
      EXPECT_FALSE(IsWindow(tooltip)) << host.name;
    }
  }
}

LRESULT CALLBACK PassOn(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Under Wine a handle is a slot of the server's table and a generation (1 to
// 0xFFFE) that grows each time the slot is taken, a freed slot being the next
// one taken. Hooks take slots of the same table, so this takes `value`'s slot
// with hooks until the next window made there gets `value`, and makes it.
HWND MakeWindowWithHandle(HWND value, RecordingWindow& window) {
  const auto slot = [](const void* h) { return reinterpret_cast<UINT_PTR>(h) & 0xFFFF; };
  const auto nextGeneration = [](const void* h) { return (reinterpret_cast<UINT_PTR>(h) >> 16) % 0xFFFE + 1; };
  const auto take = [] { return SetWindowsHookExW(WH_MSGFILTER, PassOn, nullptr, GetCurrentThreadId()); };
  std::vector<HHOOK> others;
  HHOOK hook = take();
  while (hook && slot(hook) != slot(value) && others.size() < 256) others.push_back(std::exchange(hook, take()));
  while (hook && slot(hook) == slot(value) && nextGeneration(hook) != reinterpret_cast<UINT_PTR>(value) >> 16) {
    UnhookWindowsHookEx(hook);
    hook = take();
  }
  UnhookWindowsHookEx(hook);
  const RECT area = {0, 0, 10, 10};
  const HWND made = window.Create(nullptr, &area, L"", WS_POPUP);
  for (const HHOOK other : others) UnhookWindowsHookEx(other);
  return made;
}

// When the top-level window goes, the system destroys the tooltips it owns
// before any window of its tree hears WM_DESTROY. Windows made then with the
// tooltips' very handle values (in the top-level window's WM_DESTROY, before
// the hosts hear theirs) are someone else's: they outlive the hosts.
TEST_F(DialogViewTest, ATooltipTheSystemTookIsNeverActedOn) {
  RecordingWindow frame;
  CBkDialogView view;
  CBkListView list;
  const RECT area = {0, 0, kWidth, kHeight};
  ASSERT_NE(nullptr, frame.Create(nullptr, &area, L"", WS_POPUP));
  ASSERT_TRUE(view.Create(frame.GetHwnd(), VIEW_ID, &area) && list.Create(frame.GetHwnd(), 2100));
  const HWND tooltips[] = {view.GetTooltip(), list.GetTooltip()};
  RecordingWindow others[2];
  frame.handler = [&](RecordingWindow&, UINT message, WPARAM, LPARAM, LRESULT&) {
    for (int i = 0; i < 2 && message == WM_DESTROY; ++i) {
      EXPECT_FALSE(IsWindow(tooltips[i]));
      EXPECT_EQ(tooltips[i], MakeWindowWithHandle(tooltips[i], others[i])) << i;
    }
    return false;
  };
  frame.DestroyWindow();
  for (const RecordingWindow& other : others) EXPECT_TRUE(IsWindow(other.GetHwnd()) && other.Count(WM_DESTROY) == 0);
  EXPECT_EQ(nullptr, view.GetTooltip());
  EXPECT_EQ(nullptr, list.GetTooltip());
}

// A click on an element with an href opens it through the shell and sends no
// command, even though the element has an id: here the href is a small
// program that writes its command line to the file the environment names.
TEST_F(DialogViewTest, ClickOnAnElementWithHrefOpensItAndSendsNoCommand) {
  const std::wstring folder = MakeScratchFolder("view_href");
  const std::wstring record = folder + L"\\opened.txt";
  const std::wstring program = ProgramFolder() + L"href_target.exe";
  ASSERT_NE(GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(SetEnvironmentVariableW(L"TAVORA_RECORD_ARGS_FILE", record.c_str()));
  const std::string layer = "<layer width=\"240\" height=\"160\"><body crbg=\"FFFFFF\">"
                            "<button id=\"30\" pos=\"10,10,60,40\" crbg=\"FF00FF\" href=\"" +
                            WideToUtf8(program) +
                            "\"/>"
                            "<button id=\"31\" pos=\"70,10,120,40\" crbg=\"00FFFF\"/>"
                            "</body></layer>";
  MakeView(layer.c_str());
  const POINT onLinked = {35, 25};
  const POINT onPlain = {95, 25};

  Mouse(WM_MOUSEMOVE, onLinked);
  Mouse(WM_LBUTTONDOWN, onLinked);
  Mouse(WM_LBUTTONUP, onLinked);
  EXPECT_TRUE(commands_.empty());
  ASSERT_TRUE(PumpUntil([&] { return GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000));
  const std::string written = ReadFileBytes(record);
  EXPECT_NE(written.find("href_target.exe"), std::string::npos) << written;
  EXPECT_TRUE(commands_.empty());

  // The element beside it, without an href, still reports its click.
  Mouse(WM_MOUSEMOVE, onPlain);
  Mouse(WM_LBUTTONDOWN, onPlain);
  Mouse(WM_LBUTTONUP, onPlain);
  EXPECT_EQ(Items(), std::vector<int>{31});
  SetEnvironmentVariableW(L"TAVORA_RECORD_ARGS_FILE", nullptr);
}

// Keyboard focus among drawn elements and native children: the stops in
// document order (kinds that take the focus, "tabstop", hidden ones left
// out), the focus event with the element's handle as child id, and Space
// acting as a click.
std::vector<std::pair<HWND, LONG>> g_focusEvents;
void CALLBACK RecordFocusEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  if (object == OBJID_CLIENT) g_focusEvents.emplace_back(hwnd, child);
}

TEST_F(DialogViewTest, FocusWalksStopsInDocumentOrderAnnouncesThemAndSpaceClicks) {
  MakeView(
      "<layer width=\"240\" height=\"160\"><header height=\"20\"><imgbtn id=\"1\" tabstop=\"0\" pos=\"0,0,20,20\"/>"
      "</header><body><check id=\"30\" pos=\"10,10,60,30\">a</check><button pos=\"70,10,90,30\"/>"
      "<realwnd id=\"31\" pos=\"100,10,150,30\"/><link id=\"32\" pos=\"160,10,200,30\">b</link>"
      "<text tabstop=\"1\" id=\"33\" pos=\"10,40,60,60\">c</text><check id=\"34\" show=\"0\" pos=\"70,40,90,60\"/>"
      "<button id=\"35\" pos=\"100,40,150,60\"/></body></layer>");
  const HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 10, 10, view_->GetHwnd(),
                                    reinterpret_cast<HMENU>(31), nullptr, nullptr);
  ASSERT_NE(nullptr, edit);
  view_->ShowHostedWindows();
  std::vector<int> ids;
  for (const FocusStop& stop : view_->FocusStops())
    ids.push_back(stop.native ? GetDlgCtrlID(stop.native) : LookupElement(stop.element)->GetElementId());
  EXPECT_EQ((std::vector<int>{30, 31, 32, 33, 35}), ids);

  ASSERT_TRUE(BringToFront(parent_.GetHwnd()));
  g_focusEvents.clear();
  const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, RecordFocusEvent,
                                             GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  const BkHandle check = view_->FindElement(30)->GetHandle();
  EXPECT_FALSE(view_->SetFocusedElement(view_->FindElement(34)->GetHandle())) << "a hidden element";
  ASSERT_TRUE(view_->SetFocusedElement(check));
  EXPECT_EQ(GetFocus(), view_->GetHwnd());
  EXPECT_TRUE(PumpUntil([&] { return !g_focusEvents.empty(); }, 2000));
  if (hook) UnhookWinEvent(hook);
  ASSERT_FALSE(g_focusEvents.empty());
  EXPECT_EQ(g_focusEvents.back(), std::make_pair(view_->GetHwnd(), static_cast<LONG>(check)));

  SendKeys({VK_SPACE, -VK_SPACE});
  EXPECT_TRUE(PumpUntil([&] { return Items() == std::vector<int>{30}; }, 2000));
  EXPECT_NE(0u, view_->FindElement(30)->GetState() & StateChecked);
  // Tab goes on into the native child, which then holds the focus alone.
  SendKeys({VK_TAB, -VK_TAB});
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == edit; }, 2000));
  EXPECT_EQ(0u, view_->GetFocusedElement());
}

}  // namespace
