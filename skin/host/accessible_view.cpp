#include "skin/host/accessible_view.h"

#include <cstring>
#include <utility>
#include <vector>

#include "skin/host/dialog_view.h"
#include "skin/resources/dpi_scale.h"
#include "skin/tree/check_controls.h"
#include "skin/tree/containers.h"
#include "skin/tree/hosted_controls.h"
#include "skin/tree/host_notify.h"
#include "skin/tree/menus.h"
#include "skin/tree/rich_text.h"
#include "skin/tree/tab_control.h"

namespace {

enum class Kind { None, Container, Button, Check, Radio, Text, Status, Link, Tabs, Page, Menu, MenuItem, Native };

Kind KindOf(const CBkWindow& element) {
  static const struct {
    const char* tag;
    Kind kind;
  } kKinds[] = {
      {"button", Kind::Button}, {"imgbtn", Kind::Button},   {"check", Kind::Check},     {"checkex", Kind::Check},
      {"radio", Kind::Radio},   {"link", Kind::Link},       {"text", Kind::Text},       {"richtext", Kind::Text},
      {"tabctrl", Kind::Tabs},  {"tab", Kind::Page},        {"menus", Kind::Menu},      {"menusex", Kind::Menu},
      {"menu", Kind::MenuItem}, {"realwnd", Kind::Native},  {"div", Kind::Container},   {"dlg", Kind::Container},
      {"dlgfile", Kind::Container},
  };
  const char* tag = element.GetTag();
  for (const auto& entry : kKinds) {
    if (std::strcmp(tag, entry.tag) != 0) continue;
    if (entry.kind == Kind::Text && element.GetAccessibleRole() == "status") return Kind::Status;
    return entry.kind;
  }
  return Kind::None;
}

// The one place the keyboard's element focus of a view is read.
BkHandle FocusedElementOf(const CBkDialogView& view) { return view.GetFocusedElement(); }

// The page's index in its tab control, or -1.
int PageIndex(const CBkTabCtrl& tabs, BkHandle page) {
  for (size_t i = 0; i < tabs.TabCount(); ++i) {
    if (tabs.GetTab(static_cast<int>(i))->GetHandle() == page) return static_cast<int>(i);
  }
  return -1;
}

int ItemIndex(const CBkMenuCtrlT& menu, BkHandle item) {
  for (size_t i = 0; i < menu.ItemCount(); ++i) {
    if (menu.ItemAt(static_cast<int>(i))->GetHandle() == item) return static_cast<int>(i);
  }
  return -1;
}

CBkTabCtrl* TabsOf(const CBkWindow& page) { return dynamic_cast<CBkTabCtrl*>(page.GetParentElement()); }
CBkMenuCtrlT* MenuOf(const CBkWindow& item) {
  return dynamic_cast<CBkMenuCtrlT*>(item.GetParentElement());
}

// The nearest text element before `native` in its container that ends left
// of it and shares a line with it.
std::wstring LabelByLayout(const CBkWindow& native) {
  const auto* parent = dynamic_cast<const CBkPanel*>(native.GetParentElement());
  if (!parent) return std::wstring();
  std::wstring label;
  const RECT& place = native.GetRect();
  for (size_t i = 0; i < parent->ChildCount(); ++i) {
    const CBkWindow* child = parent->ChildAt(i);
    if (child == &native) break;
    const RECT& rect = child->GetRect();
    if (KindOf(*child) == Kind::Text && !child->GetText().empty() && rect.right <= place.left &&
        rect.top < place.bottom && rect.bottom > place.top)
      label = child->GetText();
  }
  return CleanLabel(label);
}

std::wstring ElementName(const CBkWindow& element) {
  if (!element.GetAccessibleName().empty()) return element.GetAccessibleName();
  switch (KindOf(element)) {
    case Kind::Page:
      return CleanLabel(static_cast<const CBkTab&>(element).Title());
    case Kind::MenuItem: {
      const auto& item = static_cast<const CBkMenu&>(element);
      std::wstring name;
      for (size_t i = 0; i < item.ChildCount(); ++i) name += item.ChildAt(i)->GetText();
      return CleanLabel(name);
    }
    case Kind::Native:
      return LabelByLayout(element);
    default: {
      const std::wstring text = CleanLabel(element.GetText());
      return text.empty() ? element.GetTip() : text;
    }
  }
}

long ElementRole(const CBkWindow& element) {
  switch (KindOf(element)) {
    case Kind::Button:
      return ROLE_SYSTEM_PUSHBUTTON;
    case Kind::Check:
      return ROLE_SYSTEM_CHECKBUTTON;
    case Kind::Radio:
      return ROLE_SYSTEM_RADIOBUTTON;
    case Kind::Text:
      return ROLE_SYSTEM_STATICTEXT;
    case Kind::Status:
      return ROLE_SYSTEM_STATUSBAR;
    case Kind::Link:
      return ROLE_SYSTEM_LINK;
    case Kind::Tabs:
      return ROLE_SYSTEM_PAGETABLIST;
    case Kind::Page:
      return ROLE_SYSTEM_PAGETAB;
    case Kind::Menu:
      return ROLE_SYSTEM_MENUPOPUP;
    case Kind::MenuItem:
      return ROLE_SYSTEM_MENUITEM;
    case Kind::Native:
      return ROLE_SYSTEM_WINDOW;
    default:
      return ROLE_SYSTEM_GROUPING;
  }
}

bool IsActionable(Kind kind) {
  return kind == Kind::Button || kind == Kind::Check || kind == Kind::Radio || kind == Kind::Link ||
         kind == Kind::Page || kind == Kind::MenuItem;
}

}  // namespace

// What every object of one view shares: the view, until its window goes.
struct CAccessibleViewRoot::Link {
  CBkDialogView* view = nullptr;
};

namespace {

using ViewLink = std::shared_ptr<CAccessibleViewRoot::Link>;

}  // namespace

// The questions every object of a view asks about single elements, answered
// the same way whichever object is asked.
class CViewElements {
 public:
  explicit CViewElements(ViewLink link) : link_(std::move(link)) {}

  CBkDialogView* View() const { return link_ ? link_->view : nullptr; }
  const ViewLink& Link() const { return link_; }

  // The element `id` when it lives in this view.
  CBkWindow* Element(long id) const {
    CBkDialogView* view = View();
    if (!view || id <= 0) return nullptr;
    CBkWindow* element = LookupElement(static_cast<BkHandle>(id));
    return element && element->GetHostWindow() == view->GetHwnd() ? element : nullptr;
  }

  std::wstring Name(long id) const {
    const CBkWindow* element = Element(id);
    return element ? ElementName(*element) : std::wstring();
  }

  long Role(long id) const {
    const CBkWindow* element = Element(id);
    return element ? ElementRole(*element) : ROLE_SYSTEM_CLIENT;
  }

  long State(long id) const {
    const CBkWindow* element = Element(id);
    CBkDialogView* view = View();
    if (!element || !view) return 0;
    const Kind kind = KindOf(*element);
    long state = 0;
    if (element->IsDisabled(true)) state |= STATE_SYSTEM_UNAVAILABLE;
    if (!element->IsVisible(true)) state |= STATE_SYSTEM_INVISIBLE;
    if (element->GetState() & StateHover) state |= STATE_SYSTEM_HOTTRACKED;
    if (element->GetState() & StatePushed) state |= STATE_SYSTEM_PRESSED;
    if ((kind == Kind::Check || kind == Kind::Radio) && (element->GetState() & StateChecked))
      state |= STATE_SYSTEM_CHECKED;
    if (kind == Kind::Text || kind == Kind::Status) state |= STATE_SYSTEM_READONLY;
    if (kind == Kind::Link) state |= STATE_SYSTEM_LINKED;
    if (IsActionable(kind) && !(state & STATE_SYSTEM_UNAVAILABLE)) state |= STATE_SYSTEM_FOCUSABLE;
    if (kind == Kind::Page) {
      state |= STATE_SYSTEM_SELECTABLE;
      const CBkTabCtrl* tabs = TabsOf(*element);
      if (tabs && PageIndex(*tabs, element->GetHandle()) == tabs->GetCurSel()) {
        state |= STATE_SYSTEM_SELECTED;
        // A focused tab control has its selected head focused.
        if (GetFocus() == view->GetHwnd() && FocusedElementOf(*view) == tabs->GetHandle()) state |= STATE_SYSTEM_FOCUSED;
      }
    }
    if (kind == Kind::MenuItem) {
      state |= STATE_SYSTEM_SELECTABLE;
      const CBkMenuCtrlT* menu = MenuOf(*element);
      if (menu && ItemIndex(*menu, element->GetHandle()) == menu->HoverIndex())
        state |= STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED;
    }
    if (GetFocus() == view->GetHwnd() && FocusedElementOf(*view) == element->GetHandle())
      state |= STATE_SYSTEM_FOCUSED;
    return state;
  }

  std::wstring DefaultAction(long id) const {
    const CBkWindow* element = Element(id);
    if (!element || element->IsDisabled(true)) return std::wstring();
    switch (KindOf(*element)) {
      case Kind::Button:
        return L"按下";
      case Kind::Check:
        return (element->GetState() & StateChecked) ? L"取消选中" : L"选中";
      case Kind::Radio:
        return L"选中";
      case Kind::Link:
        return L"打开";
      case Kind::Page:
        return L"切换";
      case Kind::MenuItem:
        return L"执行";
      default:
        return std::wstring();
    }
  }

  bool DoDefaultAction(long id) const {
    const CBkWindow* element = Element(id);
    if (!element || element->IsDisabled(true) || !IsActionable(KindOf(*element))) return false;
    return PostMessageW(View()->GetHwnd(), CAccessibleViewRoot::ActionMessage(), static_cast<WPARAM>(id), 0) != FALSE;
  }

  bool Location(long id, RECT& screen) const {
    CBkDialogView* view = View();
    const CBkWindow* element = Element(id);
    if (!view || !element) return false;
    RECT layer = element->GetRect();
    if (KindOf(*element) == Kind::Page) {
      const CBkTabCtrl* tabs = TabsOf(*element);
      if (!tabs || !tabs->HeadRect(PageIndex(*tabs, element->GetHandle()), layer)) return false;
    }
    screen = ClientToScreenRect(view->GetHwnd(), ScaleRectOut(layer, view->GetDpi()));
    return true;
  }

  // The element under a screen point, in layer units: 0 when there is none.
  BkHandle HitElement(POINT screen, bool& inside) const {
    CBkDialogView* view = View();
    inside = false;
    if (!view) return 0;
    POINT client = screen;
    ScreenToClient(view->GetHwnd(), &client);
    RECT area = {};
    GetClientRect(view->GetHwnd(), &area);
    if (!PtInRect(&area, client)) return 0;
    inside = true;
    const POINT layer = UnscalePoint(client, view->GetDpi());
    for (int index = 0; index < 3; ++index) {
      CBkDialog* section = view->Section(index);
      if (!section || !section->IsVisible(false)) continue;
      if (const BkHandle hit = section->HitTest(layer.x, layer.y, 0)) return hit;
    }
    return 0;
  }

 private:
  ViewLink link_;
};

namespace {

// The tab control's heads or a menu's items: an object of their own.
class CAccessibleElementGroup : public CAccessibleObject {
 public:
  CAccessibleElementGroup(ViewLink link, BkHandle group, ComRef<IDispatch> parent)
      : elements_(std::move(link)), group_(group), parent_(std::move(parent)) {}

 protected:
  bool Connected() const override { return elements_.Element(static_cast<long>(group_)) != nullptr; }

  std::vector<AccessibleChild> Children() override {
    std::vector<AccessibleChild> children;
    const CBkWindow* group = elements_.Element(static_cast<long>(group_));
    if (const auto* tabs = dynamic_cast<const CBkTabCtrl*>(group)) {
      for (size_t i = 0; i < tabs->TabCount(); ++i) {
        const CBkTab* page = tabs->GetTab(static_cast<int>(i));
        if (!page->IsHeadHidden()) children.push_back(AccessibleChild{static_cast<long>(page->GetHandle()), {}});
      }
    } else if (const auto* menu = dynamic_cast<const CBkMenuCtrlT*>(group)) {
      for (size_t i = 0; i < menu->ItemCount(); ++i)
        children.push_back(AccessibleChild{static_cast<long>(menu->ItemAt(static_cast<int>(i))->GetHandle()), {}});
    }
    return children;
  }

  bool Knows(long id) override {
    if (id == CHILDID_SELF) return true;
    for (const AccessibleChild& child : Children()) {
      if (child.id == id) return true;
    }
    return false;
  }

  ComRef<IDispatch> Parent() override { return parent_.Share(); }
  std::wstring Name(long id) override { return elements_.Name(Resolve(id)); }
  long Role(long id) override { return elements_.Role(Resolve(id)); }
  long State(long id) override { return elements_.State(Resolve(id)); }
  std::wstring DefaultAction(long id) override { return elements_.DefaultAction(Resolve(id)); }
  bool DoDefaultAction(long id) override { return id != CHILDID_SELF && elements_.DoDefaultAction(id); }
  bool Location(long id, RECT& screen) override { return elements_.Location(Resolve(id), screen); }

  AccessibleChild HitTest(POINT screen) override {
    for (const AccessibleChild& child : Children()) {
      RECT place = {};
      if (Location(child.id, place) && PtInRect(&place, screen)) return AccessibleChild{child.id, {}};
    }
    RECT whole = {};
    if (Location(CHILDID_SELF, whole) && PtInRect(&whole, screen)) return AccessibleChild{CHILDID_SELF, {}};
    return AccessibleChild{-1, {}};
  }

  AccessibleChild Focus() override {
    for (const AccessibleChild& child : Children()) {
      if (State(child.id) & STATE_SYSTEM_FOCUSED) return AccessibleChild{child.id, {}};
    }
    return AccessibleChild{-1, {}};
  }

  AccessibleChild Selection() override {
    for (const AccessibleChild& child : Children()) {
      if (State(child.id) & STATE_SYSTEM_SELECTED) return AccessibleChild{child.id, {}};
    }
    return AccessibleChild{-1, {}};
  }

 private:
  long Resolve(long id) const { return id == CHILDID_SELF ? static_cast<long>(group_) : id; }

  CViewElements elements_;
  BkHandle group_;
  ComRef<IDispatch> parent_;
};

// A rich text with links: the text, and its links as children (id: the
// link's index + 1) once a paint has laid them out.
class CAccessibleRichText : public CAccessibleObject {
 public:
  CAccessibleRichText(ViewLink link, BkHandle text, ComRef<IDispatch> parent)
      : elements_(std::move(link)), text_(text), parent_(std::move(parent)) {}

 protected:
  const CBkRichText* Text() const {
    return dynamic_cast<const CBkRichText*>(elements_.Element(static_cast<long>(text_)));
  }
  const RichLink* LinkOf(long id) const {
    const CBkRichText* text = Text();
    if (!text || id < 1 || static_cast<size_t>(id) > text->Links().size()) return nullptr;
    return &text->Links()[static_cast<size_t>(id - 1)];
  }

  bool Connected() const override { return Text() != nullptr; }
  std::vector<AccessibleChild> Children() override {
    std::vector<AccessibleChild> links;
    const CBkRichText* text = Text();
    for (size_t i = 0; text && i < text->Links().size(); ++i) links.push_back(AccessibleChild{static_cast<long>(i + 1), {}});
    return links;
  }
  bool Knows(long id) override { return id == CHILDID_SELF || LinkOf(id) != nullptr; }
  ComRef<IDispatch> Parent() override { return parent_.Share(); }
  std::wstring Name(long id) override {
    if (id == CHILDID_SELF) return elements_.Name(static_cast<long>(text_));
    const RichLink* link = LinkOf(id);
    return link ? CleanLabel(link->text) : std::wstring();
  }
  long Role(long id) override { return id == CHILDID_SELF ? ROLE_SYSTEM_STATICTEXT : ROLE_SYSTEM_LINK; }
  long State(long id) override {
    const long state = elements_.State(static_cast<long>(text_));
    if (id == CHILDID_SELF) return state & ~STATE_SYSTEM_FOCUSED;
    const long link = (state & ~(STATE_SYSTEM_READONLY | STATE_SYSTEM_FOCUSED)) | STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;
    return FocusedLink() == id ? link | STATE_SYSTEM_FOCUSED : link;
  }
  std::wstring DefaultAction(long id) override { return id == CHILDID_SELF ? std::wstring() : L"打开"; }
  bool DoDefaultAction(long id) override {
    CBkDialogView* view = elements_.View();
    if (!view || id == CHILDID_SELF || !LinkOf(id)) return false;
    return PostMessageW(view->GetHwnd(), CAccessibleViewRoot::ActionMessage(), static_cast<WPARAM>(text_),
                        static_cast<LPARAM>(id)) != FALSE;
  }
  bool Location(long id, RECT& screen) override {
    CBkDialogView* view = elements_.View();
    if (id == CHILDID_SELF) return elements_.Location(static_cast<long>(text_), screen);
    const RichLink* link = LinkOf(id);
    if (!view || !link) return false;
    screen = ClientToScreenRect(view->GetHwnd(), ScaleRectOut(link->rect, view->GetDpi()));
    return true;
  }
  AccessibleChild HitTest(POINT screen) override {
    for (const AccessibleChild& child : Children()) {
      RECT place = {};
      if (Location(child.id, place) && PtInRect(&place, screen)) return AccessibleChild{child.id, {}};
    }
    RECT whole = {};
    return AccessibleChild{Location(CHILDID_SELF, whole) && PtInRect(&whole, screen) ? CHILDID_SELF : -1, {}};
  }
  AccessibleChild Focus() override { return AccessibleChild{FocusedLink() > 0 ? FocusedLink() : -1, {}}; }

 private:
  // The id of the link that has the keyboard's focus; 0 for none.
  long FocusedLink() const {
    CBkDialogView* view = elements_.View();
    if (!view || GetFocus() != view->GetHwnd() || FocusedElementOf(*view) != text_) return 0;
    return view->GetFocusedLink() + 1;
  }

  CViewElements elements_;
  BkHandle text_;
  ComRef<IDispatch> parent_;
};

// The view's client area.
class CAccessibleView : public CAccessibleObject {
 public:
  explicit CAccessibleView(ViewLink link) : elements_(std::move(link)) {}

 protected:
  bool Connected() const override { return elements_.View() != nullptr; }

  std::vector<AccessibleChild> Children() override {
    std::vector<AccessibleChild> children;
    CBkDialogView* view = elements_.View();
    if (!view) return children;
    for (int index = 0; index < 3; ++index) {
      CBkDialog* section = view->Section(index);
      if (section && section->IsVisible(false)) Collect(*section, children, 0);
    }
    // A layer that is one menu is that menu: its items are the children.
    if (children.size() == 1 && children[0].object) {
      const CBkWindow* only = elements_.Element(children[0].id);
      if (only && KindOf(*only) == Kind::Menu) {
        menu_ = only->GetHandle();
        return MenuItems(*only);
      }
    }
    menu_ = 0;
    return children;
  }

  bool Knows(long id) override { return id == CHILDID_SELF || elements_.Element(id) != nullptr; }

  ComRef<IDispatch> Parent() override {
    ComRef<IDispatch> parent;
    if (CBkDialogView* view = elements_.View())
      CreateStdAccessibleObject(view->GetHwnd(), OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(parent.put()));
    return parent;
  }

  std::wstring Name(long id) override {
    if (id != CHILDID_SELF) return elements_.Name(id);
    CBkDialogView* view = elements_.View();
    return view ? view->GetTitle() : std::wstring();
  }

  long Role(long id) override {
    if (id != CHILDID_SELF) return elements_.Role(id);
    Children();
    return menu_ ? ROLE_SYSTEM_MENUPOPUP : ROLE_SYSTEM_CLIENT;
  }

  long State(long id) override {
    if (id != CHILDID_SELF) return elements_.State(id);
    CBkDialogView* view = elements_.View();
    long state = STATE_SYSTEM_FOCUSABLE;
    if (view && GetFocus() == view->GetHwnd()) state |= STATE_SYSTEM_FOCUSED;
    if (view && !IsWindowVisible(view->GetHwnd())) state |= STATE_SYSTEM_INVISIBLE;
    return state;
  }

  std::wstring DefaultAction(long id) override { return elements_.DefaultAction(id); }
  bool DoDefaultAction(long id) override { return elements_.DoDefaultAction(id); }

  bool Location(long id, RECT& screen) override {
    if (id != CHILDID_SELF) return elements_.Location(id, screen);
    CBkDialogView* view = elements_.View();
    if (!view) return false;
    RECT client = {};
    GetClientRect(view->GetHwnd(), &client);
    screen = ClientToScreenRect(view->GetHwnd(), client);
    return true;
  }

  AccessibleChild HitTest(POINT screen) override {
    bool inside = false;
    const BkHandle hit = elements_.HitElement(screen, inside);
    if (!inside) return AccessibleChild{-1, {}};
    std::vector<AccessibleChild> children = Children();
    // The hit element or its nearest ancestor that is a child here.
    int steps = 0;
    for (const CBkWindow* element = LookupElement(hit); element && steps <= kMaxElementDepth + 8;
         element = element->GetParentElement(), ++steps) {
      for (AccessibleChild& child : children) {
        if (child.id == static_cast<long>(element->GetHandle())) return std::move(child);
      }
    }
    return AccessibleChild{CHILDID_SELF, {}};
  }

  AccessibleChild Focus() override {
    CBkDialogView* view = elements_.View();
    if (!view) return AccessibleChild{-1, {}};
    // A menu that never takes the window focus has its highlighted item focused.
    for (const AccessibleChild& child : Children()) {
      if (menu_ && (State(child.id) & STATE_SYSTEM_FOCUSED)) return AccessibleChild{child.id, {}};
    }
    const HWND focus = GetFocus();
    if (focus == view->GetHwnd()) {
      const BkHandle element = FocusedElementOf(*view);
      if (!element) return AccessibleChild{CHILDID_SELF, {}};
      for (AccessibleChild& child : Children()) {
        if (child.id == static_cast<long>(element)) return std::move(child);
      }
      return AccessibleChild{static_cast<long>(element), {}};
    }
    if (!focus || !IsChild(view->GetHwnd(), focus)) return AccessibleChild{-1, {}};
    AccessibleChild native{static_cast<long>(GetDlgCtrlID(focus)), {}};
    AccessibleObjectFromWindow(focus, static_cast<DWORD>(OBJID_CLIENT), IID_IDispatch,
                               reinterpret_cast<void**>(native.object.put()));
    return native;
  }

 private:
  void Collect(const CBkWindow& element, std::vector<AccessibleChild>& out, int depth) {
    if (depth > kMaxElementDepth || !element.IsVisible(false)) return;
    const long id = static_cast<long>(element.GetHandle());
    switch (KindOf(element)) {
      case Kind::Container: {
        const auto& panel = static_cast<const CBkPanel&>(element);
        for (size_t i = 0; i < panel.ChildCount(); ++i) Collect(*panel.ChildAt(i), out, depth + 1);
        return;
      }
      case Kind::Tabs: {
        out.push_back(AccessibleChild{id, Group(element.GetHandle())});
        const auto& tabs = static_cast<const CBkTabCtrl&>(element);
        // The shown page's content follows its heads.
        if (const CBkTab* page = tabs.GetTab(tabs.GetCurSel())) {
          for (size_t i = 0; i < page->ChildCount(); ++i) Collect(*page->ChildAt(i), out, depth + 1);
        }
        return;
      }
      case Kind::Menu:
        out.push_back(AccessibleChild{id, Group(element.GetHandle())});
        return;
      case Kind::Native: {
        const HWND native = static_cast<const CBkRealWnd&>(element).NativeWindow();
        if (!native || !IsWindowVisible(native)) return;
        AccessibleChild child{id, {}};
        AccessibleObjectFromWindow(native, static_cast<DWORD>(OBJID_CLIENT), IID_IDispatch,
                                   reinterpret_cast<void**>(child.object.put()));
        if (child.object) out.push_back(std::move(child));
        return;
      }
      case Kind::Text: {
        const auto* rich = dynamic_cast<const CBkRichText*>(&element);
        if (rich && !rich->Links().empty()) {
          out.push_back(AccessibleChild{id, RichText(element.GetHandle())});
          return;
        }
        // Empty texts are spacing; a status line is there while it is empty too.
        if (!element.GetText().empty()) out.push_back(AccessibleChild{id, {}});
        return;
      }
      case Kind::Button:
      case Kind::Check:
      case Kind::Radio:
      case Kind::Link:
      case Kind::Status:
        out.push_back(AccessibleChild{id, {}});
        return;
      default:
        return;
    }
  }

  std::vector<AccessibleChild> MenuItems(const CBkWindow& menu) const {
    std::vector<AccessibleChild> items;
    const auto& control = static_cast<const CBkMenuCtrlT&>(menu);
    for (size_t i = 0; i < control.ItemCount(); ++i)
      items.push_back(AccessibleChild{static_cast<long>(control.ItemAt(static_cast<int>(i))->GetHandle()), {}});
    return items;
  }

  ComRef<IDispatch> RichText(BkHandle text) {
    AddRef();
    ComRef<IDispatch> self(static_cast<IDispatch*>(this));
    auto* object = new CAccessibleRichText(elements_.Link(), text, std::move(self));
    return ComRef<IDispatch>(static_cast<IDispatch*>(object));
  }

  ComRef<IDispatch> Group(BkHandle group) {
    AddRef();
    ComRef<IDispatch> self(static_cast<IDispatch*>(this));
    auto* object = new CAccessibleElementGroup(elements_.Link(), group, std::move(self));
    return ComRef<IDispatch>(static_cast<IDispatch*>(object));
  }

  CViewElements elements_;
  BkHandle menu_ = 0;
};

}  // namespace

CAccessibleViewRoot::CAccessibleViewRoot(CBkDialogView& view) : link_(std::make_shared<Link>()) {
  link_->view = &view;
}

CAccessibleViewRoot::~CAccessibleViewRoot() { Disconnect(); }

UINT CAccessibleViewRoot::ActionMessage() {
  static const UINT message = RegisterWindowMessageW(L"TavoraAccessibleDefaultAction");
  return message;
}

void CAccessibleViewRoot::Disconnect() {
  if (!link_->view) return;
  CBkDialogView* view = link_->view;
  link_->view = nullptr;
  root_.reset();
  // Objects made for the view's next window answer for it.
  link_ = std::make_shared<Link>();
  link_->view = view;
}

bool CAccessibleViewRoot::OnGetObject(WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) return false;
  if (!link_->view) return false;
  if (!root_) root_.reset(new CAccessibleView(link_));
  result = LresultFromObject(IID_IAccessible, wParam, root_.get());
  return true;
}

void CAccessibleViewRoot::OnDefaultAction(WPARAM wParam, LPARAM lParam) {
  CBkDialogView* view = link_->view;
  const BkHandle handle = static_cast<BkHandle>(wParam);
  const CBkWindow* element = LookupElement(handle);
  if (!view || !element || element->GetHostWindow() != view->GetHwnd() || element->IsDisabled(true)) return;
  if (const auto* rich = dynamic_cast<const CBkRichText*>(element)) {
    // Link lParam - 1 of a rich text: the click a press on it reports.
    if (lParam >= 1 && static_cast<size_t>(lParam) <= rich->Links().size())
      SendCommandFromHost(view->GetHwnd(), rich->Links()[static_cast<size_t>(lParam - 1)].id, CBkRichText::kTag);
    return;
  }
  switch (KindOf(*element)) {
    case Kind::Page:
      if (CBkTabCtrl* tabs = TabsOf(*element)) tabs->SelectTab(PageIndex(*tabs, handle));
      return;
    case Kind::MenuItem:
      if (CBkMenuCtrlT* menu = MenuOf(*element)) {
        // The same click a press on the item posts.
        const int index = ItemIndex(*menu, handle);
        menu->SetHoverIndex(index);
        if (const HWND parent = GetParent(view->GetHwnd()))
          PostMessageW(parent, WM_LBUTTONUP, static_cast<WPARAM>(index), 0);
      }
      return;
    default:
      view->PressElement(handle);
      return;
  }
}

std::wstring AccessibleNameOfNativeChild(CBkDialogView& view, HWND child) {
  const int id = GetDlgCtrlID(child);
  for (int index = 0; index < 3 && id != 0; ++index) {
    CBkDialog* section = view.Section(index);
    const CBkWindow* element = section ? section->FindElementById(id) : nullptr;
    if (element && KindOf(*element) == Kind::Native) return ElementName(*element);
  }
  return std::wstring();
}

void AnnounceMenuPopup(CBkDialogView& view, bool shown) {
  if (!view.IsWindow()) return;
  for (int index = 0; index < 3; ++index) {
    CBkDialog* section = view.Section(index);
    if (!section) continue;
    for (size_t i = 0; i < section->ChildCount(); ++i) {
      const CBkWindow* child = section->ChildAt(i);
      if (KindOf(*child) != Kind::Menu) continue;
      NotifyWinEvent(shown ? EVENT_SYSTEM_MENUPOPUPSTART : EVENT_SYSTEM_MENUPOPUPEND, view.GetHwnd(),
                     OBJID_CLIENT, CHILDID_SELF);
      return;
    }
  }
}
