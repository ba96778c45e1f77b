#include "skin/tree/tab_control.h"

#include <tinyxml.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/host_notify.h"
#include "skin/tree/load_budget.h"
#include "skin/tree/notifications.h"

namespace {

// DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_TABSTOP | DT_NOPREFIX | DT_END_ELLIPSIS
constexpr UINT kTitleFormat = 0x88A5;
constexpr const char* kPagePos = "0,0,-0,-0";
constexpr int kSelectedHeadState = 2;
constexpr int kHoverHeadState = 1;
constexpr int kSplitterState = -1;

int Saturate(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

RECT Offset(const RECT& rect, int dx, int dy) {
  return RECT{SaturatingAdd(rect.left, dx), SaturatingAdd(rect.top, dy), SaturatingAdd(rect.right, dx),
              SaturatingAdd(rect.bottom, dy)};
}

bool Contains(const RECT& rect, int x, int y) {
  return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

}  // namespace

// ---- CBkTab -------------------------------------------------------------------

HRESULT CBkTab::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkDialog::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "title") {
    title_ = Utf8ToWide(value);
  } else if (name == "hide") {
    hide_ = ParseDecimal(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

// ---- CBkTabCtrl: loading --------------------------------------------------------

CBkTabCtrl::~CBkTabCtrl() { DestroyPages(); }

HRESULT CBkTabCtrl::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkContainerWnd::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "cursel") {
    // At run time the owner is asked as for a click.
    if (loading) {
      curSel_ = ParseDecimal(value);
    } else {
      SelectTab(ParseDecimal(value));
    }
  } else if (name == "tabwidth") {
    tabWidth_ = ParseDecimal(value);
  } else if (name == "tabheight") {
    tabHeight_ = ParseDecimal(value);
  } else if (name == "tabpos") {
    tabPos_ = ParseDecimal(value);
  } else if (name == "tabspacing") {
    tabSpacing_ = ParseDecimal(value);
  } else if (name == "tabskin") {
    tabSkin_.Set(value);
  } else if (name == "frameskin") {
    frameSkin_.Set(value);
  } else if (name == "border") {
    borderSkin_.Set(value);
  } else if (name == "iconskin") {
    iconSkin_.Set(value);
  } else if (name == "splitterskin") {
    splitterSkin_.Set(value);
  } else if (name == "icon-x") {
    iconX_ = ParseDecimal(value);
  } else if (name == "icon-y") {
    iconY_ = ParseDecimal(value);
  } else if (name == "text-x") {
    textX_ = ParseDecimal(value);
  } else if (name == "text-y") {
    textY_ = ParseDecimal(value);
  } else if (name == "tabalign") {
    if (value == "top") {
      align_ = AlignTop;
    } else if (value == "left") {
      align_ = AlignLeft;
    } else {
      return kAttributeNotHandled;
    }
  } else if (name == "framepos") {
    framePos_ = ParsePosExpression(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

bool CBkTabCtrl::Load(const TiXmlElement* element) {
  const bool loaded = CBkContainerWnd::Load(element);
  DestroyPages();
  hover_ = -1;
  if (!element) return loaded;
  // Pages sit one level below the control: past the depth limit it stays
  // without pages, as a container stays without children.
  if (Depth() + 1 > kMaxElementDepth) return loaded;

  const BkHandle self = GetHandle();
  int firstShown = -1;
  for (const TiXmlElement* xml = element->FirstChildElement(); xml && !ElementLoadBudget::Stopped();
       xml = xml->NextSiblingElement()) {
    if (std::string(xml->Value()) != CBkTab::kTag) continue;
    auto page = std::make_unique<CBkTab>();
    page->SetParent(self);
    page->SetHostWindow(GetHostWindow());
    page->Load(xml);
    page->SetAttribute("pos", kPagePos, true);
    const int index = static_cast<int>(pages_.size());
    if (firstShown < 0 && !page->IsHeadHidden()) {
      firstShown = index;
      if (curSel_ == 0) curSel_ = index;
    }
    pages_.push_back(std::move(page));
  }
  CBkTab* selected = GetTab(curSel_);
  if (selected && selected->IsHeadHidden() && firstShown >= 0 && curSel_ > 0) curSel_ = firstShown;
  // A selection outside the list falls back to the first shown head, so that
  // the selected index always names a page while there is one.
  if (!GetTab(curSel_)) curSel_ = firstShown >= 0 ? firstShown : 0;
  // The shown page is the selected one, as after any selection. Showing
  // moves native windows, whose procedures may change the tree.
  const std::vector<BkHandle> pages = PageHandles();
  for (size_t index = 0; index < pages.size(); ++index) {
    SendToElement(pages[index], WM_SHOWWINDOW, static_cast<int>(index) == curSel_ ? TRUE : FALSE);
    if (!LookupElement(self)) return false;
  }
  return loaded;
}

void CBkTabCtrl::DestroyPages() { DestroyOwnedElements(pages_); }

void CBkTabCtrl::SetHostWindow(HWND host) {
  CBkContainerWnd::SetHostWindow(host);
  for (const auto& page : pages_) page->SetHostWindow(host);
}

CBkTab* CBkTabCtrl::GetTab(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= pages_.size()) return nullptr;
  return pages_[static_cast<size_t>(index)].get();
}

// ---- geometry -------------------------------------------------------------------

SIZE CBkTabCtrl::HeadSize() const {
  SIZE size = {0, 0};
  if (CBkSkinBase* skin = tabSkin_.Get()) size = skin->GetNaturalSize();
  if (tabWidth_ != 0) size.cx = tabWidth_;
  if (tabHeight_ != 0) size.cy = tabHeight_;
  return size;
}

bool CBkTabCtrl::HeadRect(int index, RECT& head) const {
  if (!GetTab(index)) return false;
  const SIZE size = HeadSize();
  const RECT& area = GetRect();
  head = RECT{area.left, area.top, SaturatingAdd(area.left, size.cx), SaturatingAdd(area.top, size.cy)};
  std::int64_t shownBefore = 0;
  for (int before = 0; before < index; ++before) {
    if (!pages_[static_cast<size_t>(before)]->IsHeadHidden()) ++shownBefore;
  }
  // The step is the attributes' size, not the skin's.
  const std::int64_t step = align_ == AlignTop ? std::int64_t{tabWidth_} + tabSpacing_ : std::int64_t{tabHeight_} + tabSpacing_;
  const int shift = Saturate(step * shownBefore + tabPos_);
  head = align_ == AlignTop ? Offset(head, shift, 0) : Offset(head, 0, shift);
  return true;
}

RECT CBkTabCtrl::PageRect(bool withMargins) const {
  const SIZE size = HeadSize();
  RECT page = GetRect();
  int dx = 0;
  int dy = 0;
  // Only two or four items count; the centre flags and items 2 and 3 are
  // not used.
  if (framePos_.Usable()) {
    dx = framePos_.items[0].farEdge ? Saturate(-std::int64_t{framePos_.items[0].value}) : framePos_.items[0].value;
    dy = framePos_.items[1].farEdge ? Saturate(-std::int64_t{framePos_.items[1].value}) : framePos_.items[1].value;
  }
  if (align_ == AlignTop) {
    page.top = SaturatingAdd(page.top, SaturatingAdd(size.cy, dy));
    page.left = SaturatingAdd(page.left, dx);
  } else {
    page.left = SaturatingAdd(page.left, SaturatingAdd(size.cx, dx));
    page.top = SaturatingAdd(page.top, dy);
  }
  if (withMargins) {
    const BkStyle& style = GetStyle();
    page = RECT{SaturatingAdd(page.left, style.xMargin), SaturatingAdd(page.top, style.yMargin),
                SaturatingSubtract(page.right, style.xMargin), SaturatingSubtract(page.bottom, style.yMargin)};
  }
  return page;
}

void CBkTabCtrl::PlacePages() {
  const RECT page = PageRect(true);
  const BkHandle self = GetHandle();
  for (const BkHandle handle : PageHandles()) {
    if (CBkWindow* tab = LookupElement(handle)) {
      PlaceElement(*tab, page.left, page.top, SaturatingSubtract(page.right, page.left),
                   SaturatingSubtract(page.bottom, page.top));
    }
    // Placing may move native windows, whose procedures may change the tree.
    if (!LookupElement(self)) return;
  }
}

int CBkTabCtrl::HeadAt(int x, int y) const {
  for (size_t index = 0; index < pages_.size(); ++index) {
    const int i = static_cast<int>(index);
    if (pages_[index]->IsHeadHidden() || i == curSel_) continue;
    RECT head;
    if (HeadRect(i, head) && Contains(head, x, y)) return i;
  }
  return -1;
}

std::vector<BkHandle> CBkTabCtrl::PageHandles() const {
  std::vector<BkHandle> handles;
  handles.reserve(pages_.size());
  for (const auto& page : pages_) handles.push_back(page->GetHandle());
  return handles;
}

BkHandle CBkTabCtrl::HitTest(int x, int y, int flag) {
  const BkHandle self = CBkContainerWnd::HitTest(x, y, flag);
  if (!self) return 0;
  if (!Contains(PageRect(false), x, y)) return self;
  CBkTab* selected = GetTab(curSel_);
  return selected ? selected->HitTest(x, y, flag) : self;
}

CBkWindow* CBkTabCtrl::FindElementById(int id) {
  for (const auto& page : pages_) {
    if (page->GetElementId() == id) return page.get();
    if (CBkWindow* found = page->FindElementById(id)) return found;
  }
  return nullptr;
}

void CBkTabCtrl::ShowHostedWindows(bool show) {
  const BkHandle self = GetHandle();
  const std::vector<BkHandle> pages = PageHandles();
  for (size_t index = 0; index < pages.size(); ++index) {
    if (CBkWindow* tab = LookupElement(pages[index])) tab->ShowHostedWindows(show && static_cast<int>(index) == curSel_);
    // Showing a native window runs its procedure, which may change the tree.
    if (!LookupElement(self)) return;
  }
}

// ---- selection --------------------------------------------------------------------

bool CBkTabCtrl::SelectTab(int index) {
  const BkHandle self = GetHandle();
  const int old = curSel_;
  const HWND host = GetHostWindow();
  if (host && IsWindow(host)) {
    TabSelChangeNotify notify = {};
    notify.hdr.hwndFrom = host;
    notify.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(host));
    notify.hdr.code = SKN_TABSELCHANGE;
    notify.id = GetElementId();
    notify.newSel = index;
    notify.oldSel = old;
    notify.cancel = 0;
    SendMessageW(host, WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify));
    // The owner may have destroyed the tree, or selected a page itself.
    if (!LookupElement(self)) return false;
    if (notify.cancel != 0) return false;
  }
  if (index == curSel_) return true;
  if (!GetTab(index)) return false;

  RedrawHead(curSel_);
  if (!LookupElement(self)) return false;
  RedrawHead(index);
  if (!LookupElement(self)) return false;

  const BkHandle oldPage = GetTab(curSel_) ? GetTab(curSel_)->GetHandle() : 0;
  const BkHandle newPage = GetTab(index) ? GetTab(index)->GetHandle() : 0;
  if (!newPage) return false;
  SendToElement(oldPage, WM_SHOWWINDOW, FALSE);
  if (!LookupElement(self) || !GetTab(index)) return false;
  curSel_ = index;
  hover_ = hover_ == index ? -1 : hover_;
  SendToElement(newPage, WM_SHOWWINDOW, TRUE);
  if (!LookupElement(self)) return false;

  const RECT page = PageRect(true);
  if (CBkWindow* tab = LookupElement(newPage)) {
    PlaceElement(*tab, page.left, page.top, SaturatingSubtract(page.right, page.left),
                 SaturatingSubtract(page.bottom, page.top));
  }
  if (!LookupElement(self)) return false;
  SendRedrawRequest(*this, PageRect(false));
  if (!LookupElement(self) || curSel_ != index) return false;
  if (const CBkWindow* tab = LookupElement(newPage)) AnnounceElementEvent(*tab, EVENT_OBJECT_SELECTION);
  return true;
}

void CBkTabCtrl::RedrawHead(int index) {
  RECT head;
  if (HeadRect(index, head)) SendRedrawRequest(*this, head);
}

// ---- mouse ------------------------------------------------------------------------

void CBkTabCtrl::OnMouseMove(int x, int y) {
  const BkHandle self = GetHandle();
  const int found = HeadAt(x, y);
  if (found >= 0) {
    RedrawHead(found);
    if (!LookupElement(self)) return;
  }
  if (found == hover_) return;
  const int previous = hover_;
  hover_ = found;
  RedrawHead(previous);
}

void CBkTabCtrl::OnMouseLeave() {
  if (hover_ < 0) return;
  const int previous = hover_;
  hover_ = -1;
  RedrawHead(previous);
}

void CBkTabCtrl::SetCursor() { ::SetCursor(LoadCursorW(nullptr, hover_ < 0 ? IDC_ARROW : IDC_HAND)); }

// ---- messages -----------------------------------------------------------------------

bool CBkTabCtrl::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // Marked first: the handlers below call out (the owner, native windows)
  // and may end with this control gone.
  switch (message) {
    case WM_PAINT:
      SetMsgHandled(true);
      PaintHeads(reinterpret_cast<HDC>(wParam));
      return true;
    case WM_WINDOWPOSCHANGED:
      SetMsgHandled(true);
      if (lParam) {
        OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
        PlacePages();
      }
      return true;
    case WM_DESTROY:
      SetMsgHandled(true);
      DestroyPages();
      hover_ = -1;
      return true;
    case WM_LBUTTONDOWN: {
      SetMsgHandled(true);
      const int index = HeadAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      if (index >= 0) SelectTab(index);
      return true;
    }
    case WM_MOUSEMOVE:
      SetMsgHandled(true);
      OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return true;
    case WM_MOUSELEAVE:
      SetMsgHandled(true);
      OnMouseLeave();
      return true;
    case WM_SHOWWINDOW: {
      SetMsgHandled(true);
      SetVisible(wParam != 0);
      if (CBkTab* selected = GetTab(curSel_)) selected->SendElementMessage(WM_SHOWWINDOW, wParam, lParam);
      return true;
    }
    default:
      return CBkContainerWnd::ProcessMessage(message, wParam, lParam, result);
  }
}

// ---- painting -----------------------------------------------------------------------

bool CBkTabCtrl::PaintInRegion(HDC dc, HRGN region) {
  if (!CBkContainerWnd::PaintInRegion(dc, region)) return false;
  const BkHandle self = GetHandle();
  CBkTab* selected = GetTab(curSel_);
  if (!selected || !selected->IsVisible(false)) return true;
  BeginTextPaint(dc);
  selected->PaintInRegion(dc, region);
  if (LookupElement(self)) EndTextPaint(dc);
  return true;
}

void CBkTabCtrl::PaintHead(HDC dc, int index, const RECT& head, int skinState) {
  const HighContrastScheme& contrast = CurrentHighContrast();
  if (contrast.on) {
    // Heads as buttons in the system's colours, the selected one marked as
    // a selection, with its text in the colour made for it.
    const bool selected = index == curSel_;
    FillSolidRect(dc, head, contrast.Colour(selected ? SystemColourRole::Highlight : SystemColourRole::ButtonFace));
    FrameSolidRect(dc, head, contrast.Colour(SystemColourRole::WindowText));
    SetTextColor(dc, contrast.Colour(selected ? SystemColourRole::HighlightText : SystemColourRole::ButtonText));
  } else if (CBkSkinBase* skin = tabSkin_.Get()) {
    skin->Draw(dc, head, skinState);
  }
  if (CBkSkinBase* icons = iconSkin_.Get()) icons->Draw(dc, Offset(head, iconX_, iconY_), index);
  const RECT title = Offset(head, textX_, textY_);
  const std::wstring& text = pages_[static_cast<size_t>(index)]->Title();
  if (!text.empty())
    DrawLabel(dc, text.c_str(), static_cast<int>(std::min<size_t>(text.size(), INT_MAX)), title, kTitleFormat);
}

void CBkTabCtrl::PaintHeads(HDC dc) {
  if (!dc) return;
  const BkStyle& style = GetStyle();
  const RECT page = PageRect(false);
  // In high contrast the page lies on the window's own background.
  if (!CurrentHighContrast().on) {
    if (CBkSkinBase* frame = frameSkin_.Get()) frame->Draw(dc, page, 0);
    if (CBkSkinBase* border = borderSkin_.Get()) border->Draw(dc, page, 0);
  }

  // Mode, colours and font go back with the saved state.
  SavedDc saved(dc);
  SetBkMode(dc, TRANSPARENT);
  if (style.crtext != kColorNotSet) SetTextColor(dc, style.crtext);
  if (style.font) SelectObject(dc, style.font);

  CBkSkinBase* splitter = splitterSkin_.Get();
  const SIZE splitterSize = splitter ? splitter->GetNaturalSize() : SIZE{0, 0};
  int shown = 0;
  for (const auto& tab : pages_) shown += tab->IsHeadHidden() ? 0 : 1;

  for (size_t position = 0; position < pages_.size(); ++position) {
    const int index = static_cast<int>(position);
    if (pages_[position]->IsHeadHidden()) continue;
    RECT head;
    if (!HeadRect(index, head)) continue;
    if (splitter && shown > 1) {
      --shown;
      RECT gap;
      if (align_ == AlignTop) {
        gap = RECT{head.right, head.top, SaturatingAdd(head.right, tabSpacing_), head.bottom};
        const int inset = SaturatingSubtract(RectWidth(gap), splitterSize.cx) / 2;
        gap.left = SaturatingAdd(gap.left, inset);
        gap.right = SaturatingSubtract(gap.right, inset);
      } else {
        gap = RECT{head.left, head.bottom, head.right, SaturatingAdd(head.bottom, tabSpacing_)};
        const int inset = SaturatingSubtract(RectHeight(gap), splitterSize.cy) / 2;
        gap.top = SaturatingAdd(gap.top, inset);
        gap.bottom = SaturatingSubtract(gap.bottom, inset);
      }
      splitter->Draw(dc, gap, kSplitterState);
    }
    if (index != curSel_) PaintHead(dc, index, head, index == hover_ ? kHoverHeadState : 0);
  }

  // The selected head goes last, over its neighbours, in the hover look.
  CBkTab* selected = GetTab(curSel_);
  RECT head;
  if (selected && !selected->IsHeadHidden() && HeadRect(curSel_, head)) {
    if (style.hoverfont) SelectObject(dc, style.hoverfont);
    if (style.crhover != kColorNotSet) SetTextColor(dc, style.crhover);
    PaintHead(dc, curSel_, head, kSelectedHeadState);
  }
}
