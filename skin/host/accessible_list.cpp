#include "skin/host/accessible_list.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "skin/host/accessible_native.h"
#include "skin/host/list_view.h"

struct CAccessibleListRoot::Link {
  CBkListView* list = nullptr;
};

namespace {

using ListLink = std::shared_ptr<CAccessibleListRoot::Link>;

class CAccessibleList : public CAccessibleObject {
 public:
  explicit CAccessibleList(ListLink link) : link_(std::move(link)) {}

 protected:
  bool Connected() const override { return link_->list != nullptr; }
  HWND Window() const { return link_->list ? link_->list->GetHwnd() : nullptr; }

  std::vector<AccessibleChild> Children() override {
    std::vector<AccessibleChild> rows;
    const int count = link_->list ? link_->list->RowCount() : 0;
    rows.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row) rows.push_back(AccessibleChild{row + 1, {}});
    return rows;
  }

  bool Knows(long id) override {
    return id == CHILDID_SELF || (link_->list && id >= 1 && id <= link_->list->RowCount());
  }

  ComRef<IDispatch> Parent() override {
    ComRef<IDispatch> parent;
    if (const HWND list = Window())
      CreateStdAccessibleObject(list, OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(parent.put()));
    return parent;
  }

  std::wstring Name(long id) override {
    if (!link_->list) return std::wstring();
    return id == CHILDID_SELF ? AskAccessibleName(Window()) : link_->list->RowText(static_cast<int>(id - 1));
  }

  long Role(long id) override { return id == CHILDID_SELF ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM; }

  long State(long id) override {
    const HWND list = Window();
    if (!list) return 0;
    const bool focused = GetFocus() == list;
    if (id == CHILDID_SELF) return STATE_SYSTEM_FOCUSABLE | (focused ? STATE_SYSTEM_FOCUSED : 0);
    const int row = static_cast<int>(id - 1);
    long state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_READONLY;
    const auto flags = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED | LVIS_FOCUSED));
    if (flags & LVIS_SELECTED) state |= STATE_SYSTEM_SELECTED;
    if (focused && (flags & LVIS_FOCUSED)) state |= STATE_SYSTEM_FOCUSED;
    RECT place = {};
    RECT client = {};
    GetClientRect(list, &client);
    if (!RowRect(row, place) || !IntersectRect(&place, &place, &client)) state |= STATE_SYSTEM_OFFSCREEN;
    return state;
  }

  std::wstring DefaultAction(long id) override { return id == CHILDID_SELF ? std::wstring() : L"选择"; }

  bool DoDefaultAction(long id) override {
    if (!link_->list || id == CHILDID_SELF) return false;
    link_->list->SelectRow(static_cast<int>(id - 1));
    return true;
  }

  bool Location(long id, RECT& screen) override {
    const HWND list = Window();
    if (!list) return false;
    RECT client = {};
    if (id == CHILDID_SELF) {
      GetClientRect(list, &client);
    } else if (!RowRect(static_cast<int>(id - 1), client)) {
      return false;
    }
    screen = ClientToScreenRect(list, client);
    return true;
  }

  AccessibleChild HitTest(POINT screen) override {
    const HWND list = Window();
    if (!list) return AccessibleChild{-1, {}};
    LVHITTESTINFO hit = {};
    hit.pt = screen;
    ScreenToClient(list, &hit.pt);
    RECT client = {};
    GetClientRect(list, &client);
    if (!PtInRect(&client, hit.pt)) return AccessibleChild{-1, {}};
    const auto row = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return AccessibleChild{row >= 0 && Knows(row + 1) ? row + 1 : CHILDID_SELF, {}};
  }

  AccessibleChild Focus() override {
    const HWND list = Window();
    if (!list || GetFocus() != list) return AccessibleChild{-1, {}};
    const auto row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    return AccessibleChild{row >= 0 && Knows(row + 1) ? row + 1 : CHILDID_SELF, {}};
  }

  AccessibleChild Selection() override {
    const int row = link_->list ? link_->list->SelectedRow() : -1;
    return AccessibleChild{row >= 0 && Knows(row + 1) ? row + 1 : -1, {}};
  }

 private:
  bool RowRect(int row, RECT& rect) const {
    const HWND list = Window();
    if (!list || row < 0) return false;
    rect = {};
    rect.left = LVIR_BOUNDS;
    return SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != 0;
  }

  ListLink link_;
};

}  // namespace

CAccessibleListRoot::CAccessibleListRoot(CBkListView& list) : link_(std::make_shared<Link>()) { link_->list = &list; }

CAccessibleListRoot::~CAccessibleListRoot() { Disconnect(); }

void CAccessibleListRoot::Disconnect() {
  if (!link_->list) return;
  CBkListView* list = link_->list;
  link_->list = nullptr;
  root_.reset();
  // Objects made for the list's next window answer for it.
  link_ = std::make_shared<Link>();
  link_->list = list;
}

bool CAccessibleListRoot::OnGetObject(WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT) || !link_->list) return false;
  if (!root_) root_.reset(new CAccessibleList(link_));
  result = LresultFromObject(IID_IAccessible, wParam, root_.get());
  return true;
}
