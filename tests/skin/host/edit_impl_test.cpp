#include "skin/host/edit_impl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "tests/skin/host/host_test_windows.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/test_support.h"

namespace {

constexpr COLORREF kHintGrey = RGB(0x96, 0x96, 0x96);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kEditWidth = 200;
constexpr int kEditHeight = 24;
// Repeat count 3, scan code 0x1C: what the frame must receive unchanged.
constexpr LPARAM kKeyData = 0x001C0003;

std::pair<DWORD, DWORD> Selection(HWND edit) {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

int CountPixels(const DibCanvas& canvas, COLORREF colour) {
  int count = 0;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) count += canvas.Pixel(x, y) == colour;
  }
  return count;
}

// The smallest rectangle holding every pixel that is not `background`.
RECT InkBounds(const DibCanvas& canvas, COLORREF background) {
  RECT bounds = {canvas.width(), canvas.height(), 0, 0};
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      if (canvas.Pixel(x, y) == background) continue;
      bounds.left = std::min<LONG>(bounds.left, x);
      bounds.top = std::min<LONG>(bounds.top, y);
      bounds.right = std::max<LONG>(bounds.right, x + 1);
      bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
    }
  }
  return bounds;
}

int CountDark(const DibCanvas& canvas) {
  int count = 0;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) count += GetRValue(canvas.Pixel(x, y)) < 0x80;
  }
  return count;
}

int CountDifferences(const DibCanvas& a, const DibCanvas& b) {
  int count = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) count += a.Pixel(x, y) != b.Pixel(x, y);
  }
  return count;
}

// The hint as it must look: white, grey text in the base font one pixel
// smaller, single line, vertically centred at the left edge.
void DrawExpectedHint(DibCanvas& canvas, const std::wstring& hint) {
  canvas.Fill(kWhite);
  RECT client = {0, 0, canvas.width(), canvas.height()};
  SetTextColor(canvas.dc(), kHintGrey);
  const HGDIOBJ old = SelectObject(canvas.dc(), BkFontPool::GetFontByFlags(false, false, false, -1));
  DrawTextW(canvas.dc(), hint.c_str(), static_cast<int>(hint.size()), &client, DT_SINGLELINE | DT_VCENTER);
  SelectObject(canvas.dc(), old);
  GdiFlush();
}

// A frame around a view, the view holding the edit, as the main dialog builds
// them: the edit posts Enter, Escape and Tab to the frame.
class EditImplTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadStrings(102));
    BkFontPool::SetDefaultFont(GetString(0), -12);
    const RECT frameRect = {0, 0, 300, 120};
    ASSERT_NE(frame_.Create(nullptr, &frameRect, L"frame", WS_POPUP), nullptr);
    const RECT viewRect = {0, 0, 300, 120};
    ASSERT_NE(view_.Create(frame_.GetHwnd(), &viewRect, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 1000),
              nullptr);
    edit_ = edit.Create(view_.GetHwnd());
    ASSERT_NE(edit_, nullptr);
    SetWindowLongPtrW(edit_, GWLP_ID, 2220);
    font_ = BkFontPool::GetFontByFlags(false, false, false, 1);
    SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    edit.SetHintText(GetString(70));
    MoveWindow(edit_, 10, 10, kEditWidth, kEditHeight, TRUE);
    ASSERT_TRUE(BringToFront(frame_.GetHwnd()));
    SetFocus(view_.GetHwnd());
    PumpUntil([] { return false; }, 50);
  }

  // The edit as it is on the screen, once its pending painting is done.
  std::unique_ptr<DibCanvas> Capture() {
    UpdateWindow(edit_);
    auto canvas = std::make_unique<DibCanvas>(kEditWidth, kEditHeight, RGB(1, 2, 3));
    EXPECT_TRUE(CaptureClient(edit_, *canvas));
    return canvas;
  }

  // Removes and returns the key-down messages posted to the frame.
  std::vector<MSG> TakePostedKeys() {
    std::vector<MSG> keys;
    MSG msg;
    while (PeekMessageW(&msg, frame_.GetHwnd(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) keys.push_back(msg);
    return keys;
  }

  RecordingWindow frame_;
  RecordingWindow view_;
  CEditImpl edit;
  HWND edit_ = nullptr;
  HFONT font_ = nullptr;
};

TEST_F(EditImplTest, IsANativeEditChildWithTheEditTag) {
  EXPECT_EQ(GetParent(edit_), view_.GetHwnd());
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(edit_, GWL_STYLE)) & 0xFFFF0000u, CEditImpl::kCreateStyle);
  EXPECT_EQ(SendMessageW(edit_, EM_GETLIMITTEXT, 0, 0) > 0, true);
  EXPECT_TRUE(edit.HasTag("edit"));
  EXPECT_FALSE(edit.HasTag("Edit"));
  EXPECT_EQ(edit.SetAttribute("text", "abc", true), kAttributeNotHandled);
  EXPECT_EQ(edit.SetAttribute("pos", "0,0,10,10", false), kAttributeNotHandled);

  // Created without a style of its own, it takes the class's default.
  CEditImpl plain;
  const RECT rect = {0, 40, 100, 60};
  ASSERT_NE(plain.CWindowImplBase::Create(view_.GetHwnd(), &rect), nullptr);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(plain.GetHwnd(), GWL_STYLE)) & 0xFFFF0000u, CEditImpl::kDefaultStyle);
}

TEST_F(EditImplTest, EmptyUnfocusedEditShowsTheGreyHint) {
  ASSERT_EQ(edit.GetHintText(), L"北京");
  const auto shown = Capture();
  DibCanvas expected(kEditWidth, kEditHeight);
  DrawExpectedHint(expected, L"北京");
  EXPECT_EQ(CountDifferences(*shown, expected), 0);
  // Antialiased grey on white: every pixel a grey between the hint colour
  // and white, the darkest exactly the hint colour.
  int ink = 0;
  BYTE darkest = 255;
  for (int y = 0; y < kEditHeight; ++y) {
    for (int x = 0; x < kEditWidth; ++x) {
      const COLORREF c = shown->Pixel(x, y);
      ASSERT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c) && GetRValue(c) >= 0x96)
          << x << "," << y << " " << std::hex << c;
      ink += c != kWhite;
      darkest = std::min(darkest, GetRValue(c));
    }
  }
  EXPECT_GT(ink, 20);
  EXPECT_EQ(darkest, 0x96);
  // Left-aligned and vertically centred.
  const RECT bounds = InkBounds(*shown, kWhite);
  EXPECT_LE(bounds.left, 2);
  EXPECT_LE(std::abs(bounds.top - (kEditHeight - bounds.bottom)), 2);
}

TEST_F(EditImplTest, FocusHidesTheHintAndLeavingTheEmptyEditShowsItAgain) {
  DibCanvas expected(kEditWidth, kEditHeight);
  DrawExpectedHint(expected, L"北京");
  ASSERT_EQ(CountDifferences(*Capture(), expected), 0);

  SetFocus(edit_);
  ASSERT_EQ(GetFocus(), edit_);
  EXPECT_EQ(CountPixels(*Capture(), kHintGrey), 0);

  SetFocus(view_.GetHwnd());
  EXPECT_EQ(CountDifferences(*Capture(), expected), 0);
}

TEST_F(EditImplTest, TextShowsNativelyWithOrWithoutFocus) {
  SetWindowTextW(edit_, L"abc");
  for (bool focused : {false, true}) {
    SetFocus(focused ? edit_ : view_.GetHwnd());
    InvalidateRect(edit_, nullptr, TRUE);
    const auto shown = Capture();
    EXPECT_EQ(CountPixels(*shown, kHintGrey), 0) << focused;
    EXPECT_GT(CountDark(*shown), 10) << focused;
  }
}

TEST_F(EditImplTest, SettingTheHintDoesNotRepaint) {
  DibCanvas expected(kEditWidth, kEditHeight);
  DrawExpectedHint(expected, L"北京");
  ASSERT_EQ(CountDifferences(*Capture(), expected), 0);
  edit.SetHintText(GetString(71));
  RECT update;
  EXPECT_FALSE(GetUpdateRect(edit_, &update, FALSE));
  InvalidateRect(edit_, nullptr, FALSE);
  DrawExpectedHint(expected, L"上海");
  EXPECT_EQ(CountDifferences(*Capture(), expected), 0);

  // Without a hint the native control paints the empty edit.
  edit.SetHintText(L"");
  InvalidateRect(edit_, nullptr, TRUE);
  EXPECT_EQ(CountPixels(*Capture(), kHintGrey), 0);
}

TEST_F(EditImplTest, NeverErasesItsBackground) {
  UpdateWindow(edit_);
  HDC dc = GetDC(edit_);
  const RECT all = {0, 0, kEditWidth, kEditHeight};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &all, red);
  DeleteObject(red);
  EXPECT_EQ(SendMessageW(edit_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  ReleaseDC(edit_, dc);
  DibCanvas shown(kEditWidth, kEditHeight);
  ASSERT_TRUE(CaptureClient(edit_, shown));
  EXPECT_EQ(CountPixels(shown, RGB(255, 0, 0)), kEditWidth * kEditHeight);
}

TEST_F(EditImplTest, KeepsTheIBeamCursorEverywhereOverIt) {
  const HCURSOR iBeam = LoadCursorW(nullptr, IDC_IBEAM);
  for (WORD hitTest : {static_cast<WORD>(HTCLIENT), static_cast<WORD>(HTBORDER), static_cast<WORD>(HTNOWHERE)}) {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(SendMessageW(edit_, WM_SETCURSOR, reinterpret_cast<WPARAM>(edit_), MAKELPARAM(hitTest, WM_MOUSEMOVE)),
              1)
        << hitTest;
    EXPECT_EQ(GetCursor(), iBeam) << hitTest;
  }
}

TEST_F(EditImplTest, KeysGoToTheFrameOrAreSwallowedOrPassedOn) {
  struct Case {
    const char* name;
    const wchar_t* text;
    bool focused;
    bool enabled;
    bool ctrl;
    WPARAM key;
    WPARAM postedKey;  // 0: nothing reaches the frame
    const wchar_t* textAfter;
    DWORD caretAfter;  // the selection starts and ends here
  } const cases[] = {
      {"Escape clears a focused edit with text", L"abc", true, true, false, VK_ESCAPE, 0, L"", 0},
      {"Escape in an empty focused edit", L"", true, true, false, VK_ESCAPE, VK_ESCAPE, L"", 0},
      {"Escape in an unfocused edit with text", L"abc", false, true, false, VK_ESCAPE, VK_ESCAPE, L"abc", 3},
      {"Enter", L"abc", true, true, false, VK_RETURN, VK_RETURN, L"abc", 3},
      {"Enter in an unfocused edit", L"", false, true, false, VK_RETURN, VK_RETURN, L"", 0},
      {"Tab", L"abc", true, true, false, VK_TAB, VK_TAB, L"abc", 3},
      {"Left is the native control's", L"abc", true, true, false, VK_LEFT, 0, L"abc", 2},
      {"Ctrl+Left", L"abc", true, true, true, VK_LEFT, 0, L"abc", 3},
      {"Ctrl+Enter", L"abc", true, true, true, VK_RETURN, 0, L"abc", 3},
      {"Ctrl+Escape", L"abc", true, true, true, VK_ESCAPE, 0, L"abc", 3},
      {"Ctrl+Tab changes the frame's page", L"abc", true, true, true, VK_TAB, VK_TAB, L"abc", 3},
      {"Ctrl+2 too", L"abc", true, true, true, '2', '2', L"abc", 3},
      {"Enter when disabled", L"abc", true, false, false, VK_RETURN, 0, L"abc", 3},
      {"Escape when disabled", L"abc", true, false, false, VK_ESCAPE, 0, L"abc", 3},
      {"Left when disabled", L"abc", true, false, false, VK_LEFT, 0, L"abc", 3},
  };
  for (const Case& c : cases) {
    EnableWindow(edit_, TRUE);
    SetWindowTextW(edit_, c.text);
    SetFocus(c.focused ? edit_ : view_.GetHwnd());
    const DWORD end = static_cast<DWORD>(wcslen(c.text));
    SendMessageW(edit_, EM_SETSEL, end, end);
    EnableWindow(edit_, c.enabled);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = c.ctrl ? 0x80 : 0;
    SetKeyboardState(keys);
    TakePostedKeys();

    SendMessageW(edit_, WM_KEYDOWN, c.key, kKeyData);

    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    const std::vector<MSG> posted = TakePostedKeys();
    if (c.postedKey) {
      ASSERT_EQ(posted.size(), 1u) << c.name;
      EXPECT_EQ(posted[0].wParam, c.postedKey) << c.name;
      EXPECT_EQ(posted[0].lParam, kKeyData) << c.name;
    } else {
      EXPECT_TRUE(posted.empty()) << c.name;
    }
    EXPECT_EQ(WindowText(edit_), c.textAfter) << c.name;
    EXPECT_EQ(Selection(edit_), std::make_pair(c.caretAfter, c.caretAfter)) << c.name;
    // Disabling the focused edit takes the focus away; otherwise it stays.
    if (c.enabled) {
      EXPECT_EQ(GetFocus(), c.focused ? edit_ : view_.GetHwnd()) << c.name;
    }
  }
}

TEST_F(EditImplTest, TypedEscapeClearsThenReachesTheFrame) {
  SetFocus(edit_);
  SendKeys({'A', -'A', 'B', -'B'});
  ASSERT_TRUE(PumpUntil([this] { return WindowText(edit_).size() == 2; }, 5000));
  EXPECT_EQ(WindowText(edit_), L"ab");

  SendKeys({VK_ESCAPE, -VK_ESCAPE});
  ASSERT_TRUE(PumpUntil([this] { return WindowText(edit_).empty(); }, 5000));
  EXPECT_EQ(GetFocus(), edit_);
  EXPECT_EQ(frame_.Count(WM_KEYDOWN), 0);

  SendKeys({VK_ESCAPE, -VK_ESCAPE});
  ASSERT_TRUE(PumpUntil([this] { return frame_.Count(WM_KEYDOWN) == 1; }, 5000));
  const RecordedMessage escape = frame_.Received(WM_KEYDOWN)[0];
  EXPECT_EQ(escape.wParam, static_cast<WPARAM>(VK_ESCAPE));
  EXPECT_EQ(LOWORD(escape.lParam), 1);
  EXPECT_EQ(HIWORD(escape.lParam) & 0xFF, MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC));
}

TEST_F(EditImplTest, TypedEnterAndTabReachTheFrame) {
  SetFocus(edit_);
  SendKeys({VK_RETURN, -VK_RETURN, VK_TAB, -VK_TAB});
  ASSERT_TRUE(PumpUntil([this] { return frame_.Count(WM_KEYDOWN) == 2; }, 5000));
  const std::vector<RecordedMessage> keys = frame_.Received(WM_KEYDOWN);
  EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>(VK_RETURN));
  EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>(VK_TAB));
  for (const RecordedMessage& key : keys) EXPECT_EQ(LOWORD(key.lParam), 1);
  EXPECT_EQ(GetFocus(), edit_);
  EXPECT_EQ(WindowText(edit_), L"");
}

TEST_F(EditImplTest, TypedCtrlLeftDoesNothingAndLeftMovesTheCaret) {
  SetWindowTextW(edit_, L"abc def");
  SetFocus(edit_);
  SendMessageW(edit_, EM_SETSEL, 7, 7);
  SendKeys({VK_CONTROL, VK_LEFT, -VK_LEFT, -VK_CONTROL, 'X', -'X'});
  // The X typed after it shows that the keys before it have been handled.
  ASSERT_TRUE(PumpUntil([this] { return WindowText(edit_).size() == 8; }, 5000));
  EXPECT_EQ(WindowText(edit_), L"abc defx");

  SendKeys({VK_LEFT, -VK_LEFT, VK_LEFT, -VK_LEFT, 'Y', -'Y'});
  ASSERT_TRUE(PumpUntil([this] { return WindowText(edit_).size() == 9; }, 5000));
  EXPECT_EQ(WindowText(edit_), L"abc deyfx");
  EXPECT_EQ(frame_.Count(WM_KEYDOWN), 0);
}

TEST_F(EditImplTest, ChineseTextArrivesByCharacterMessagesUnicodeInputAndPaste) {
  SetFocus(edit_);
  for (wchar_t c : std::wstring(L"北京")) SendMessageW(edit_, WM_CHAR, c, 1);
  EXPECT_EQ(WindowText(edit_), L"北京");

  SendUnicodeText(L"上海");
  ASSERT_TRUE(PumpUntil([this] { return WindowText(edit_).size() == 4; }, 5000));
  EXPECT_EQ(WindowText(edit_), L"北京上海");

  const std::wstring pasted = L"20110927北京";
  ASSERT_TRUE(OpenClipboard(frame_.GetHwnd()));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
  ASSERT_NE(block, nullptr);
  memcpy(GlobalLock(block), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(block);
  ASSERT_NE(SetClipboardData(CF_UNICODETEXT, block), nullptr);  // the clipboard owns it now
  CloseClipboard();
  SendMessageW(edit_, EM_SETSEL, 0, -1);
  SendMessageW(edit_, WM_PASTE, 0, 0);
  EXPECT_EQ(WindowText(edit_), pasted);

  // Typed text is the native control's: no hint once the focus leaves.
  SetFocus(view_.GetHwnd());
  EXPECT_EQ(CountPixels(*Capture(), kHintGrey), 0);
}

TEST_F(EditImplTest, KeepsTheFontItWasGiven) {
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit_, WM_GETFONT, 0, 0)), font_);
  const HFONT bold = BkFontPool::GetFontByFlags(true, false, false, 0);
  SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit_, WM_GETFONT, 0, 0)), bold);
}

TEST_F(EditImplTest, DestroyingTheObjectDestroysTheControl) {
  auto extra = std::make_unique<CEditImpl>();
  const HWND hwnd = extra->Create(view_.GetHwnd());
  ASSERT_NE(hwnd, nullptr);
  SetFocus(hwnd);
  extra.reset();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(IsWindow(edit_));
}

}  // namespace
