// tavora.exe as assistive technology sees it: its objects walked from this
// process through oleacc, its default actions done, its events heard by an
// out-of-context hook.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "skin/host/accessible_object.h"
#include "tests/app/entry/running_program.h"

namespace {

constexpr int kViewId = 1000;

struct Node {
  long id = CHILDID_SELF;         // the id in its parent, or CHILDID_SELF for an object
  ComRef<IAccessible> container;  // whom to ask about it (the object itself for objects)
  long role = 0;
  std::wstring name;
  long state = 0;
  RECT place = {};
};

VARIANT Child(long id) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

std::wstring NameOf(IAccessible* object, long id) {
  BSTR name = nullptr;
  object->get_accName(Child(id), &name);
  std::wstring text = name ? name : L"";
  SysFreeString(name);
  return text;
}

long StateOf(IAccessible* object, long id) {
  VARIANT state;
  VariantInit(&state);
  return SUCCEEDED(object->get_accState(Child(id), &state)) && state.vt == VT_I4 ? state.lVal : -1;
}

Node Describe(ComRef<IAccessible> container, long id) {
  Node node;
  node.id = id;
  node.container = std::move(container);
  IAccessible* object = node.container.get();
  VARIANT role;
  VariantInit(&role);
  if (SUCCEEDED(object->get_accRole(Child(id), &role)) && role.vt == VT_I4) node.role = role.lVal;
  node.name = NameOf(object, id);
  node.state = StateOf(object, id);
  long x = 0, y = 0, cx = 0, cy = 0;
  if (object->accLocation(&x, &y, &cx, &cy, Child(id)) == S_OK) node.place = RECT{x, y, x + cx, y + cy};
  return node;
}

// The children as AccessibleChildren lists them.
std::vector<Node> ChildrenOf(IAccessible* parent) {
  std::vector<Node> nodes;
  long count = 0;
  if (FAILED(parent->get_accChildCount(&count)) || count <= 0 || count > 500) return nodes;
  std::vector<VARIANT> children(static_cast<size_t>(count));
  long obtained = 0;
  if (FAILED(AccessibleChildren(parent, 0, count, children.data(), &obtained))) return nodes;
  for (long i = 0; i < obtained; ++i) {
    VARIANT& child = children[static_cast<size_t>(i)];
    if (child.vt == VT_DISPATCH && child.pdispVal) {
      ComRef<IAccessible> object;
      child.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(object.put()));
      if (object) nodes.push_back(Describe(std::move(object), CHILDID_SELF));
    } else if (child.vt == VT_I4) {
      parent->AddRef();
      nodes.push_back(Describe(ComRef<IAccessible>(parent), child.lVal));
    }
    VariantClear(&child);
  }
  return nodes;
}

ComRef<IAccessible> ClientObject(HWND window) {
  ComRef<IAccessible> object;
  AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                             reinterpret_cast<void**>(object.put()));
  return object;
}

// The index of the first node with this role and name; -1 when none.
int Find(const std::vector<Node>& nodes, long role, const std::wstring& name) {
  for (size_t i = 0; i < nodes.size(); ++i) {
    if (nodes[i].role == role && nodes[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

int FindRole(const std::vector<Node>& nodes, long role) {
  for (size_t i = 0; i < nodes.size(); ++i) {
    if (nodes[i].role == role) return static_cast<int>(i);
  }
  return -1;
}

// Events heard from the program, out of context.
struct Heard {
  DWORD event;
  HWND window;
  LONG object;
  LONG child;
};
std::vector<Heard> heard;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  heard.push_back(Heard{event, window, object, child});
}

bool WasHeard(DWORD event, HWND window, LONG child) {
  for (const Heard& h : heard) {
    if (h.event == event && (!window || h.window == window) && h.object == OBJID_CLIENT && h.child == child)
      return true;
  }
  return false;
}

class AccessibilityTest : public RunningProgramTest {
 protected:
  void SetUp() override {
    RunningProgramTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_NE(nullptr, program_.WaitForWindow());
    view_ = program_.Child(kViewId);
    ASSERT_NE(nullptr, view_);
    root_ = ClientObject(view_);
    ASSERT_TRUE(root_);
    nodes_ = ChildrenOf(root_.get());
  }
  void TearDown() override {
    nodes_.clear();
    root_.reset();
    CoUninitialize();
  }

  RunningProgram program_{ProgramPath()};
  HWND view_ = nullptr;
  ComRef<IAccessible> root_;
  std::vector<Node> nodes_;
};

TEST_F(AccessibilityTest, WalkFindsNamedRolesStatesAndPlacesInReadingOrder) {
  RECT window = {};
  GetWindowRect(GetAncestor(view_, GA_ROOT), &window);
  const struct {
    long role;
    const wchar_t* name;
    long present;  // state bits it has
    long absent;   // state bits it lacks
  } expected[] = {
      {ROLE_SYSTEM_PUSHBUTTON, L"最小化", STATE_SYSTEM_FOCUSABLE, STATE_SYSTEM_UNAVAILABLE},
      {ROLE_SYSTEM_PUSHBUTTON, L"最大化", STATE_SYSTEM_FOCUSABLE, STATE_SYSTEM_UNAVAILABLE},
      {ROLE_SYSTEM_PUSHBUTTON, L"关闭", STATE_SYSTEM_FOCUSABLE, 0},
      {ROLE_SYSTEM_PAGETABLIST, L"", 0, 0},
      {ROLE_SYSTEM_CHECKBUTTON, L"只看有票", 0, 0},
      {ROLE_SYSTEM_TEXT, L"监控间隔（秒）", 0, 0},
      {ROLE_SYSTEM_TEXT, L"出发站", 0, 0},
      {ROLE_SYSTEM_TEXT, L"到达站", 0, 0},
      {ROLE_SYSTEM_TEXT, L"发车时间", 0, 0},
      {ROLE_SYSTEM_PUSHBUTTON, L"选择日期", 0, 0},
      {ROLE_SYSTEM_CHECKBUTTON, L"全选", STATE_SYSTEM_CHECKED, 0},
      {ROLE_SYSTEM_CHECKBUTTON, L"返程", 0, STATE_SYSTEM_CHECKED},
      {ROLE_SYSTEM_PUSHBUTTON, L"查询余票", 0, 0},
      {ROLE_SYSTEM_LIST, L"余票列表", 0, 0},
  };
  int previous = -1;
  for (const auto& e : expected) {
    SCOPED_TRACE(testing::Message() << "expected entry " << (&e - expected));
    const int at = Find(nodes_, e.role, e.name);
    ASSERT_GE(at, 0);
    EXPECT_GT(at, previous) << "reading order";
    previous = at;
    const Node& node = nodes_[static_cast<size_t>(at)];
    EXPECT_EQ(node.state & e.present, e.present);
    EXPECT_EQ(node.state & e.absent, 0);
    RECT inside = {};
    EXPECT_TRUE(IntersectRect(&inside, &node.place, &window) && EqualRect(&inside, &node.place));
    EXPECT_FALSE(IsRectEmpty(&node.place));
  }
  // The status line comes last; decorative images are not there.
  ASSERT_GE(FindRole(nodes_, ROLE_SYSTEM_STATUSBAR), 0);
  EXPECT_EQ(FindRole(nodes_, ROLE_SYSTEM_STATUSBAR), static_cast<int>(nodes_.size()) - 1);
  EXPECT_EQ(FindRole(nodes_, ROLE_SYSTEM_GROUPING), -1);

  // The heads, the first selected; a hit test finds a check box.
  const std::vector<Node> tabs = ChildrenOf(nodes_[static_cast<size_t>(FindRole(nodes_, ROLE_SYSTEM_PAGETABLIST))]
                                                .container.get());
  ASSERT_EQ(tabs.size(), 4u);
  const wchar_t* titles[] = {L"余票查询", L"时刻表查询", L"票价查询", L"帮 助"};
  for (size_t i = 0; i < tabs.size(); ++i) {
    EXPECT_EQ(tabs[i].role, ROLE_SYSTEM_PAGETAB);
    EXPECT_EQ(tabs[i].name, titles[i]);
    EXPECT_EQ((tabs[i].state & STATE_SYSTEM_SELECTED) != 0, i == 0);
  }
  const Node& all = nodes_[static_cast<size_t>(Find(nodes_, ROLE_SYSTEM_CHECKBUTTON, L"全选"))];
  VARIANT hit;
  VariantInit(&hit);
  ASSERT_EQ(S_OK, root_->accHitTest((all.place.left + all.place.right) / 2, (all.place.top + all.place.bottom) / 2, &hit));
  EXPECT_EQ(hit.vt, VT_I4);
  EXPECT_EQ(hit.lVal, all.id);
}

TEST_F(AccessibilityTest, ActionsChangeTheWindowAndEventsTellOfIt) {
  DWORD process = 0;
  GetWindowThreadProcessId(view_, &process);
  heard.clear();
  const HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_MENUPOPUPSTART, EVENT_OBJECT_NAMECHANGE, nullptr, OnEvent,
                                             process, 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(nullptr, hook);

  // A check box toggles both ways, and each change is announced.
  const int back = Find(nodes_, ROLE_SYSTEM_CHECKBUTTON, L"返程");
  ASSERT_GE(back, 0);
  const long box = nodes_[static_cast<size_t>(back)].id;
  for (const bool checked : {true, false}) {
    heard.clear();
    ASSERT_EQ(S_OK, root_->accDoDefaultAction(Child(box)));
    EXPECT_TRUE(PumpUntil([&] { return ((StateOf(root_.get(), box) & STATE_SYSTEM_CHECKED) != 0) == checked; }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return WasHeard(EVENT_OBJECT_STATECHANGE, view_, box); }, 5000));
  }

  // A query: the status line's new text is announced, the rows read in
  // column order.
  heard.clear();
  const long status = nodes_[static_cast<size_t>(FindRole(nodes_, ROLE_SYSTEM_STATUSBAR))].id;
  const HWND listWindow = program_.Child(kListId);
  ComRef<IAccessible> list = ClientObject(listWindow);
  ASSERT_TRUE(list);
  long rows = 0;
  ASSERT_EQ(S_OK, list->get_accChildCount(&rows));
  EXPECT_EQ(rows, 0) << "blank filler rows are no rows";
  SendMessageW(program_.Child(kFromEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"北京"));
  SendMessageW(program_.Child(kToEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"上海"));
  // An edit box tells its text as its value.
  ComRef<IAccessible> from = ClientObject(program_.Child(kFromEditId));
  BSTR value = nullptr;
  ASSERT_TRUE(from);
  EXPECT_EQ(S_OK, from->get_accValue(Child(CHILDID_SELF), &value));
  EXPECT_EQ(std::wstring(value ? value : L""), L"北京");
  SysFreeString(value);
  ClickSearch(program_);
  ASSERT_TRUE(PumpUntil([&] { return list->get_accChildCount(&rows) == S_OK && rows > 0; }, 60000));
  EXPECT_LE(rows, ItemCount(listWindow));
  EXPECT_TRUE(PumpUntil([&] { return WasHeard(EVENT_OBJECT_NAMECHANGE, view_, status); }, 5000));
  EXPECT_FALSE(NameOf(root_.get(), status).empty());
  EXPECT_TRUE(PumpUntil([&] { return WasHeard(EVENT_OBJECT_REORDER, listWindow, CHILDID_SELF); }, 5000));
  const std::wstring first = NameOf(list.get(), 1);
  std::vector<std::wstring> cells;
  for (size_t start = 0, comma; start <= first.size(); start = comma + 2) {
    comma = first.find(L", ", start);
    if (comma == std::wstring::npos) comma = first.size();
    cells.push_back(first.substr(start, comma - start));
  }
  ASSERT_EQ(cells.size(), 14u) << std::string(first.begin(), first.end());
  EXPECT_NE(cells[1].find(L"北京"), std::wstring::npos);
  EXPECT_NE(cells[2].find(L"上海"), std::wstring::npos);
  ASSERT_EQ(S_OK, list->accDoDefaultAction(Child(2)));
  EXPECT_TRUE(PumpUntil([&] { return (StateOf(list.get(), 2) & STATE_SYSTEM_SELECTED) != 0; }, 5000));

  // The departure-time link opens its menu, which lists its items.
  const int link = FindRole(ChildrenOf(root_.get()), ROLE_SYSTEM_LINK);
  ASSERT_GE(link, 0);
  heard.clear();
  ASSERT_EQ(S_OK, root_->accDoDefaultAction(Child(ChildrenOf(root_.get())[static_cast<size_t>(link)].id)));
  HWND menuWindow = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        for (const Heard& h : heard) {
          if (h.event == EVENT_SYSTEM_MENUPOPUPSTART) menuWindow = h.window;
        }
        return menuWindow != nullptr;
      },
      5000));
  ComRef<IAccessible> menu = ClientObject(menuWindow);
  ASSERT_TRUE(menu);
  EXPECT_EQ(Describe(menu.Share(), CHILDID_SELF).role, ROLE_SYSTEM_MENUPOPUP);
  const std::vector<Node> items = ChildrenOf(menu.get());
  const wchar_t* names[] = {L"全天", L"00:00–06:00", L"06:00–12:00", L"12:00–18:00", L"18:00–24:00"};
  ASSERT_EQ(items.size(), 5u);
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].role, ROLE_SYSTEM_MENUITEM);
    EXPECT_EQ(items[i].name, names[i]);
  }

  // A head's default action selects its page, and the selection is announced.
  const ComRef<IAccessible>& tabs = nodes_[static_cast<size_t>(FindRole(nodes_, ROLE_SYSTEM_PAGETABLIST))].container;
  const std::vector<Node> heads = ChildrenOf(tabs.get());
  ASSERT_EQ(heads.size(), 4u);
  ASSERT_EQ(S_OK, tabs->accDoDefaultAction(Child(heads[1].id)));
  EXPECT_TRUE(PumpUntil([&] { return (StateOf(tabs.get(), heads[1].id) & STATE_SYSTEM_SELECTED) != 0; }, 5000));
  EXPECT_EQ(StateOf(tabs.get(), heads[0].id) & STATE_SYSTEM_SELECTED, 0);
  EXPECT_TRUE(PumpUntil([&] { return WasHeard(EVENT_OBJECT_SELECTION, view_, heads[1].id); }, 5000));
  UnhookWinEvent(hook);
}

}  // namespace
