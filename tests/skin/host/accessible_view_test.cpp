// A dialog view's accessible object in this process: what it lists, how it
// names a native child by the label drawn left of it, where it places
// elements at another scale, and that it is cut off with its window.
#include "skin/host/accessible_view.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/host/dialog_view.h"
#include "skin/host/edit_impl.h"
#include "tests/skin/host/host_test_windows.h"
#include "tests/skin/host/view_test_util.h"
#include "tests/support/test_support.h"

namespace {

const char kLayer[] =
    "<layer width=\"240\" height=\"160\"><body>"
    "<img pos=\"0,0,10,10\"/>"
    "<text pos=\"10,10,60,30\">姓名(&amp;N)：</text>"
    "<realwnd id=\"300\" pos=\"70,10,200,30\"/>"
    "<dlg pos=\"0,40,-0,-0\">"
    "<radio pos=\"10,0,80,20\" group=\"g\">甲</radio>"
    "<radio pos=\"90,0,160,20\" group=\"g\">乙</radio>"
    "<link pos=\"10,30,80,50\">帮助</link>"
    "<button pos=\"100,30,140,50\" show=\"0\">隐藏</button>"
    "<richtext pos=\"10,60,200,80\">见<a id=\"9\">说明</a></richtext>"
    "</dlg>"
    "</body></layer>";

VARIANT Child(long id) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

class AccessibleViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const RECT frame = {100, 100, 340, 260};
    ASSERT_NE(nullptr, parent_.Create(nullptr, &frame, L"", WS_POPUP | WS_VISIBLE));
    ASSERT_TRUE(view_.LoadLayer(kLayer));
    const RECT area = {0, 0, 240, 160};
    ASSERT_NE(nullptr, view_.Create(parent_.GetHwnd(), VIEW_ID, &area));
    ASSERT_NE(nullptr, edit_.Create(view_.GetHwnd()));
    SetWindowLongPtrW(edit_.GetHwnd(), GWLP_ID, 300);
    view_.ShowHostedWindows();
    ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(view_.GetHwnd(), static_cast<DWORD>(OBJID_CLIENT),
                                                     IID_IAccessible, reinterpret_cast<void**>(root_.put()))));
  }
  void TearDown() override {
    root_.reset();
    CoUninitialize();
  }

  // (role, name) of each child the enumeration lists.
  std::vector<std::pair<long, std::wstring>> Listed() {
    std::vector<std::pair<long, std::wstring>> listed;
    VARIANT children[16];
    long count = 0;
    EXPECT_TRUE(SUCCEEDED(AccessibleChildren(root_.get(), 0, 16, children, &count)));
    for (long i = 0; i < count; ++i) {
      ComRef<IAccessible> object;
      long id = children[i].vt == VT_I4 ? children[i].lVal : CHILDID_SELF;
      IAccessible* asked = root_.get();
      if (children[i].vt == VT_DISPATCH) {
        children[i].pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(object.put()));
        asked = object.get();
      }
      VARIANT role;
      BSTR name = nullptr;
      asked->get_accRole(Child(id), &role);
      asked->get_accName(Child(id), &name);
      listed.emplace_back(role.lVal, name ? name : L"");
      SysFreeString(name);
      VariantClear(&children[i]);
    }
    return listed;
  }

  long IdOf(const wchar_t* text) {
    VARIANT children[16];
    long count = 0;
    long found = -1;
    AccessibleChildren(root_.get(), 0, 16, children, &count);
    for (long i = 0; i < count; ++i) {
      BSTR name = nullptr;
      if (children[i].vt == VT_I4 && root_->get_accName(children[i], &name) == S_OK && std::wstring(name) == text)
        found = children[i].lVal;
      SysFreeString(name);
      VariantClear(&children[i]);
    }
    return found;
  }

  RecordingWindow parent_;
  CBkDialogView view_;
  CEditImpl edit_;
  ComRef<IAccessible> root_;
};

TEST_F(AccessibleViewTest, ListsMeaningfulElementsAndNamesTheEditByItsLabel) {
  const std::vector<std::pair<long, std::wstring>> expected = {
      {ROLE_SYSTEM_STATICTEXT, L"姓名"},   {ROLE_SYSTEM_TEXT, L"姓名"}, {ROLE_SYSTEM_RADIOBUTTON, L"甲"},
      {ROLE_SYSTEM_RADIOBUTTON, L"乙"}, {ROLE_SYSTEM_LINK, L"帮助"},       {ROLE_SYSTEM_STATICTEXT, L"见"},
  };
  EXPECT_EQ(Listed(), expected);
}

TEST_F(AccessibleViewTest, RichTextLinksAreChildrenThatReportTheirClick) {
  std::vector<int> clicked;
  parent_.handler = [&](RecordingWindow&, UINT message, WPARAM, LPARAM lParam, LRESULT&) {
    ReceivedCommand command;
    if (message == WM_NOTIFY && ReadCommand(lParam, command)) clicked.push_back(command.item);
    return false;
  };
  UpdateWindow(view_.GetHwnd());  // a paint lays the links out
  VARIANT children[16];
  long count = 0;
  ASSERT_TRUE(SUCCEEDED(AccessibleChildren(root_.get(), 0, 16, children, &count)));
  ComRef<IAccessible> text;
  // The last child (the edit box is an object too).
  for (long i = 0; i < count; ++i) {
    if (children[i].vt == VT_DISPATCH && i == count - 1)
      children[i].pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(text.put()));
    VariantClear(&children[i]);
  }
  ASSERT_TRUE(text);
  VARIANT role;
  BSTR name = nullptr;
  ASSERT_EQ(S_OK, text->get_accRole(Child(1), &role));
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_LINK);
  ASSERT_EQ(S_OK, text->get_accName(Child(1), &name));
  EXPECT_EQ(std::wstring(name), L"说明");
  SysFreeString(name);
  ASSERT_EQ(S_OK, text->accDoDefaultAction(Child(1)));
  EXPECT_TRUE(PumpUntil([&] { return clicked == std::vector<int>{9}; }, 2000));
}

TEST_F(AccessibleViewTest, PlacesScaleWithTheViewsDpiAndActionsSelectRadios) {
  const long link = IdOf(L"帮助");
  ASSERT_GT(link, 0);
  POINT origin = {0, 0};
  ClientToScreen(view_.GetHwnd(), &origin);
  const struct {
    int dpi;
    RECT place;  // in client pixels
  } cases[] = {{96, {10, 70, 80, 90}}, {144, {15, 105, 120, 135}}};
  for (const auto& c : cases) {
    view_.SetDpi(c.dpi);
    long x = 0, y = 0, cx = 0, cy = 0;
    ASSERT_EQ(S_OK, root_->accLocation(&x, &y, &cx, &cy, Child(link)));
    EXPECT_EQ(x - origin.x, c.place.left) << c.dpi;
    EXPECT_EQ(y - origin.y, c.place.top) << c.dpi;
    EXPECT_EQ(cx, c.place.right - c.place.left) << c.dpi;
    EXPECT_EQ(cy, c.place.bottom - c.place.top) << c.dpi;
  }
  const long second = IdOf(L"乙");
  ASSERT_EQ(S_OK, root_->accDoDefaultAction(Child(second)));
  VARIANT state;
  EXPECT_TRUE(PumpUntil(
      [&] { return root_->get_accState(Child(second), &state) == S_OK && (state.lVal & STATE_SYSTEM_CHECKED); },
      2000));
}

TEST_F(AccessibleViewTest, ObjectIsCutOffWithItsWindow) {
  view_.DestroyWindow();
  long count = 0;
  EXPECT_EQ(RPC_E_DISCONNECTED, root_->get_accChildCount(&count));
  BSTR name = nullptr;
  EXPECT_EQ(RPC_E_DISCONNECTED, root_->get_accName(Child(CHILDID_SELF), &name));
}

}  // namespace
