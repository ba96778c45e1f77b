#include "skin/host/window_impl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/skin/host/host_test_windows.h"
#include "tests/support/test_support.h"

namespace {

constexpr UINT kAnswer = WM_APP + 1;
constexpr UINT kDestroyInside = WM_APP + 2;
constexpr UINT kClickCode = static_cast<UINT>(-2);

const RECT kFrameRect = {10, 10, 310, 210};
const RECT kChildRect = {5, 5, 105, 30};

size_t IndexOf(const std::vector<RecordedMessage>& messages, UINT message) {
  const auto found = std::find_if(messages.begin(), messages.end(),
                                  [message](const RecordedMessage& m) { return m.message == message; });
  return static_cast<size_t>(found - messages.begin());
}

TEST(WindowImpl, BindsTheObjectFromTheWindowsFirstMessage) {
  RecordingWindow window;
  const HWND hwnd = window.Create(nullptr, &kFrameRect, L"frame");
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(window.GetHwnd(), hwnd);
  // A top-level window is asked for its size limits before WM_NCCREATE;
  // the object sees that question too.
  ASSERT_FALSE(window.messages.empty());
  EXPECT_EQ(window.messages.front().message, static_cast<UINT>(WM_GETMINMAXINFO));
  EXPECT_LT(IndexOf(window.messages, WM_NCCREATE), IndexOf(window.messages, WM_CREATE));
  EXPECT_LT(IndexOf(window.messages, WM_CREATE), window.messages.size());
  EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & WS_OVERLAPPEDWINDOW, static_cast<LONG>(WS_OVERLAPPEDWINDOW));
}

TEST(WindowImpl, HandledMessagesAnswerFromTheObjectAndTheRestReachTheDefaultProcedure) {
  RecordingWindow window;
  window.handler = [](RecordingWindow&, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != kAnswer) return false;
    result = static_cast<LRESULT>(wParam) * 2;
    return true;
  };
  ASSERT_NE(window.Create(nullptr, &kFrameRect), nullptr);
  const HWND hwnd = window.GetHwnd();

  struct Case {
    UINT message;
    WPARAM wParam;
    const wchar_t* text;
    LRESULT expected;
  } const cases[] = {
      {kAnswer, 21, nullptr, 42},
      {WM_SETTEXT, 0, L"glue", TRUE},
      {WM_GETTEXTLENGTH, 0, nullptr, 4},
      {kAnswer + 5, 7, nullptr, 0},  // unknown to everyone: DefWindowProc answers 0
  };
  for (const Case& c : cases) {
    window.messages.clear();
    const LRESULT result = SendMessageW(hwnd, c.message, c.wParam, reinterpret_cast<LPARAM>(c.text));
    EXPECT_EQ(result, c.expected) << std::hex << c.message;
    EXPECT_EQ(window.Count(c.message), 1) << std::hex << c.message;
  }
  EXPECT_EQ(WindowText(hwnd), L"glue");
}

// Deletes itself in its final call, as a window that owns its object does.
class SelfDeletingWindow : public RecordingWindow {
 public:
  explicit SelfDeletingWindow(std::vector<std::string>& events) : events_(events) {}
  ~SelfDeletingWindow() override { events_.push_back("deleted"); }
  void OnFinalMessage(HWND) override {
    events_.push_back("final");
    delete this;
  }

 private:
  std::vector<std::string>& events_;
};

TEST(WindowImpl, DestroyingTheWindowInsideAHandlerDefersTheFinalCall) {
  std::vector<std::string> events;
  auto* window = new SelfDeletingWindow(events);
  window->handler = [&events](RecordingWindow& self, UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message == WM_DESTROY) events.push_back("destroy");
    if (message != kDestroyInside) return false;
    events.push_back("handler");
    EXPECT_TRUE(self.DestroyWindow());
    // The binding is gone at once; the object lives until the handler returns.
    EXPECT_EQ(self.GetHwnd(), nullptr);
    events.push_back("handler end");
    result = 7;
    return true;
  };
  const HWND hwnd = window->Create(nullptr, &kFrameRect);
  ASSERT_NE(hwnd, nullptr);

  EXPECT_EQ(SendMessageW(hwnd, kDestroyInside, 0, 0), 7);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(events, (std::vector<std::string>{"handler", "destroy", "handler end", "final", "deleted"}));
}

TEST(WindowImpl, DestroyingTheWindowFromOutsideCallsFinalOnce) {
  RecordingWindow window;
  int finals = 0;
  window.onFinal = [&finals](HWND) { ++finals; };
  const HWND hwnd = window.Create(nullptr, &kFrameRect);
  ASSERT_NE(hwnd, nullptr);
  ASSERT_TRUE(DestroyWindow(hwnd));
  EXPECT_EQ(finals, 1);
  EXPECT_EQ(window.GetHwnd(), nullptr);
  EXPECT_EQ(window.Count(WM_NCDESTROY), 1);
  // The object can own a new window afterwards.
  EXPECT_NE(window.Create(nullptr, &kFrameRect), nullptr);
}

TEST(WindowImpl, DeletingTheObjectDestroysItsWindow) {
  auto window = std::make_unique<RecordingWindow>();
  const HWND frame = window->Create(nullptr, &kFrameRect);
  ASSERT_NE(frame, nullptr);
  RecordingWindow child;
  const HWND childHwnd = child.Create(frame, &kChildRect, nullptr, WS_CHILD | WS_VISIBLE);
  ASSERT_NE(childHwnd, nullptr);

  window.reset();
  EXPECT_FALSE(IsWindow(frame));
  // The child went with its parent and its own object heard of it.
  EXPECT_FALSE(IsWindow(childHwnd));
  EXPECT_EQ(child.GetHwnd(), nullptr);
  EXPECT_EQ(child.Count(WM_NCDESTROY), 1);
}

TEST(WindowImpl, CreationFailuresLeaveTheObjectUnbound) {
  RecordingWindow window;
  EXPECT_EQ(window.Create(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF0)), &kChildRect, nullptr,
                          WS_CHILD),
            nullptr);
  EXPECT_EQ(window.GetHwnd(), nullptr);

  // A window refused by WM_CREATE gets its final call and no object keeps it.
  int finals = 0;
  window.onFinal = [&finals](HWND) { ++finals; };
  window.handler = [](RecordingWindow&, UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != WM_CREATE) return false;
    result = -1;
    return true;
  };
  EXPECT_EQ(window.Create(nullptr, &kFrameRect), nullptr);
  EXPECT_EQ(window.GetHwnd(), nullptr);
  EXPECT_EQ(finals, 1);

  window.handler = nullptr;
  const HWND hwnd = window.Create(nullptr, &kFrameRect);
  ASSERT_NE(hwnd, nullptr);
  // One window per object.
  EXPECT_EQ(window.Create(nullptr, &kFrameRect), nullptr);
  EXPECT_EQ(window.GetHwnd(), hwnd);
}

TEST(WindowImpl, AWindowCreatedInsideAnotherWindowsCreationBindsItsOwnObject) {
  RecordingWindow outer;
  RecordingWindow inner;
  outer.handler = [&inner](RecordingWindow& self, UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == WM_CREATE) inner.Create(self.GetHwnd(), &kChildRect, L"inner", WS_CHILD | WS_VISIBLE);
    return false;
  };
  const HWND outerHwnd = outer.Create(nullptr, &kFrameRect, L"outer");
  ASSERT_NE(outerHwnd, nullptr);
  ASSERT_NE(inner.GetHwnd(), nullptr);
  EXPECT_EQ(GetParent(inner.GetHwnd()), outerHwnd);
  EXPECT_EQ(WindowText(inner.GetHwnd()), L"inner");
  EXPECT_EQ(inner.Count(WM_NCCREATE), 1);
  EXPECT_EQ(outer.Count(WM_NCCREATE), 1);
  inner.messages.clear();
  outer.messages.clear();
  SendMessageW(inner.GetHwnd(), kAnswer, 0, 0);
  EXPECT_EQ(inner.Count(kAnswer), 1);
  EXPECT_EQ(outer.Count(kAnswer), 0);
}

TEST(WindowImpl, SuperclassedEditKeepsNativeBehaviour) {
  RecordingWindow frame;
  ASSERT_NE(frame.Create(nullptr, &kFrameRect), nullptr);
  RecordingWindow edit(L"EDIT");
  const HWND hwnd = edit.Create(frame.GetHwnd(), &kChildRect, nullptr, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL);
  ASSERT_NE(hwnd, nullptr);
  for (wchar_t c : std::wstring(L"ab北京")) SendMessageW(hwnd, WM_CHAR, c, 1);
  EXPECT_EQ(WindowText(hwnd), L"ab北京");
  EXPECT_EQ(edit.Count(WM_CHAR), 4);
  SendMessageW(hwnd, EM_SETSEL, 1, 3);
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(end, 3u);
}

TEST(WindowImpl, AWindowOfARegisteredClassWithoutObjectBehavesLikeTheSuperclass) {
  RecordingWindow frame;
  ASSERT_NE(frame.Create(nullptr, &kFrameRect), nullptr);
  RecordingWindow edit(L"EDIT");
  ASSERT_NE(edit.Create(frame.GetHwnd(), &kChildRect, nullptr, WS_CHILD), nullptr);
  wchar_t className[64] = {};
  ASSERT_GT(GetClassNameW(edit.GetHwnd(), className, 64), 0);

  const HWND bare = CreateWindowExW(0, className, L"bare", WS_CHILD, 0, 0, 50, 20, frame.GetHwnd(), nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(bare, nullptr);
  SendMessageW(bare, EM_SETSEL, 4, 4);
  SendMessageW(bare, WM_CHAR, L'x', 1);
  EXPECT_EQ(WindowText(bare), L"barex");
  EXPECT_EQ(edit.Count(WM_CHAR), 0);
  DestroyWindow(bare);
}

TEST(WindowImpl, SubclassingBindsAnExistingWindowUntilUnsubclassed) {
  RecordingWindow frame;
  ASSERT_NE(frame.Create(nullptr, &kFrameRect), nullptr);
  const HWND native = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 80, 20, frame.GetHwnd(), nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(native, nullptr);

  RecordingWindow hook;
  hook.handler = [](RecordingWindow&, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    return message == WM_CHAR && wParam == L'x';
  };
  ASSERT_TRUE(hook.SubclassWindow(native));
  EXPECT_EQ(hook.GetHwnd(), native);
  RecordingWindow second;
  EXPECT_FALSE(second.SubclassWindow(native));
  EXPECT_FALSE(hook.SubclassWindow(frame.GetHwnd()));

  for (wchar_t c : std::wstring(L"xyx")) SendMessageW(native, WM_CHAR, c, 1);
  EXPECT_EQ(WindowText(native), L"y");
  EXPECT_EQ(hook.Count(WM_CHAR), 3);

  EXPECT_EQ(hook.UnsubclassWindow(), native);
  EXPECT_EQ(hook.GetHwnd(), nullptr);
  SendMessageW(native, WM_CHAR, L'x', 1);
  EXPECT_EQ(WindowText(native), L"yx");
  EXPECT_EQ(hook.Count(WM_CHAR), 3);
  EXPECT_TRUE(DestroyWindow(native));
}

TEST(WindowImpl, ASubclassedWindowDestroyedByItsOwnerReleasesTheObject) {
  RecordingWindow frame;
  ASSERT_NE(frame.Create(nullptr, &kFrameRect), nullptr);
  const HWND native = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 80, 20, frame.GetHwnd(), nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  RecordingWindow hook;
  int finals = 0;
  hook.onFinal = [&finals](HWND) { ++finals; };
  ASSERT_TRUE(hook.SubclassWindow(native));
  ASSERT_TRUE(DestroyWindow(native));
  EXPECT_EQ(hook.GetHwnd(), nullptr);
  EXPECT_EQ(hook.Count(WM_DESTROY), 1);
  EXPECT_EQ(finals, 1);
  EXPECT_EQ(hook.UnsubclassWindow(), nullptr);
}

TEST(WindowImpl, ReflectsNotificationsToTheChildTheyConcern) {
  RecordingWindow parent;
  parent.handler = [](RecordingWindow& self, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return ReflectNotification(self.GetHwnd(), message, wParam, lParam, result);
  };
  ASSERT_NE(parent.Create(nullptr, &kFrameRect), nullptr);
  RecordingWindow child;
  child.handler = [](RecordingWindow&, UINT message, WPARAM, LPARAM, LRESULT& result) {
    result = message;
    return message >= kReflectedMessageBase;
  };
  const HWND childHwnd = child.Create(parent.GetHwnd(), &kChildRect, nullptr, WS_CHILD, 0, 77);
  ASSERT_NE(childHwnd, nullptr);
  RecordingWindow stranger;
  ASSERT_NE(stranger.Create(nullptr, &kFrameRect), nullptr);

  NMHDR header = {childHwnd, 77, kClickCode};
  NMHDR strangerHeader = {stranger.GetHwnd(), 77, kClickCode};
  DRAWITEMSTRUCT draw = {};
  draw.CtlType = ODT_BUTTON;
  draw.hwndItem = childHwnd;
  MEASUREITEMSTRUCT measure = {};
  measure.CtlType = ODT_LISTBOX;
  measure.CtlID = 77;
  MEASUREITEMSTRUCT menuMeasure = {};
  menuMeasure.CtlType = ODT_MENU;
  menuMeasure.CtlID = 77;
  const auto childParam = reinterpret_cast<LPARAM>(childHwnd);

  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool reflected;
  } const cases[] = {
      {"command from the child", WM_COMMAND, MAKEWPARAM(77, EN_CHANGE), childParam, true},
      {"menu command", WM_COMMAND, MAKEWPARAM(77, 0), 0, false},
      {"notify from the child", WM_NOTIFY, 77, reinterpret_cast<LPARAM>(&header), true},
      {"notify from another window", WM_NOTIFY, 77, reinterpret_cast<LPARAM>(&strangerHeader), false},
      {"owner draw", WM_DRAWITEM, 77, reinterpret_cast<LPARAM>(&draw), true},
      {"measure by control id", WM_MEASUREITEM, 77, reinterpret_cast<LPARAM>(&measure), true},
      {"menu measure", WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&menuMeasure), false},
      {"edit colours", WM_CTLCOLOREDIT, 0, childParam, true},
      {"scroll bar", WM_VSCROLL, SB_LINEDOWN, childParam, true},
      {"child destroyed", WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, 77), childParam, true},
      {"not about a child", WM_SIZE, 0, MAKELPARAM(10, 10), false},
  };
  for (const Case& c : cases) {
    child.messages.clear();
    LRESULT result = -5;
    EXPECT_EQ(ReflectNotification(parent.GetHwnd(), c.message, c.wParam, c.lParam, result), c.reflected) << c.name;
    if (c.reflected) {
      EXPECT_EQ(result, static_cast<LRESULT>(c.message + kReflectedMessageBase)) << c.name;
      ASSERT_EQ(child.Count(c.message + kReflectedMessageBase), 1) << c.name;
      EXPECT_EQ(child.Received(c.message + kReflectedMessageBase)[0].wParam, c.wParam) << c.name;
      EXPECT_EQ(child.Received(c.message + kReflectedMessageBase)[0].lParam, c.lParam) << c.name;
    } else {
      EXPECT_EQ(result, -5) << c.name;
      EXPECT_TRUE(child.messages.empty()) << c.name;
    }
  }
  // Through the parent's own procedure: the child's answer comes back.
  EXPECT_EQ(SendMessageW(parent.GetHwnd(), WM_COMMAND, MAKEWPARAM(77, EN_CHANGE), childParam),
            static_cast<LRESULT>(WM_COMMAND + kReflectedMessageBase));
}

}  // namespace
