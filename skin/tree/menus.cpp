#include "skin/tree/menus.h"

#include <tinyxml.h>
#include <windowsx.h>

#include <algorithm>

#include "skin/resources/bk_string.h"
#include "skin/resources/gdi_drawing.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/host_notify.h"
#include "skin/tree/load_budget.h"
#include "skin/tree/rich_text.h"

namespace {

// Parts of a menu fill the area their owner gives them.
constexpr const char* kFillPos = "0,0,-0,-0";
// The element id the height notice carries.
constexpr int kHeightNoticeId = 1000;
constexpr COLORREF kWhite = RGB(255, 255, 255);

bool Contains(const RECT& rect, int x, int y) {
  return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

// Replaces the children of `owner` by a Part made from each child element
// tagged Part::kTag (other tags are ignored), each filling its owner; nothing
// below kMaxElementDepth. `append` adds a made part to the owner.
template <typename Part, typename Append>
void LoadParts(CBkPanel& owner, const TiXmlElement* element, Append append) {
  owner.SendElementMessage(WM_DESTROY);
  if (!element || owner.Depth() + 1 > kMaxElementDepth) return;
  for (const TiXmlElement* xml = element->FirstChildElement(); xml && !ElementLoadBudget::Stopped();
       xml = xml->NextSiblingElement()) {
    if (xml->ValueStr() != Part::kTag) continue;
    auto part = std::make_unique<Part>();
    part->SetParent(owner.GetHandle());
    part->SetHostWindow(owner.GetHostWindow());
    part->Load(xml);
    part->SetAttribute("pos", kFillPos, true);
    append(std::move(part));
  }
}

}  // namespace

// ---- "menu" -------------------------------------------------------------------

bool CBkMenu::Load(const TiXmlElement* element) {
  const bool loaded = CBkWindow::Load(element);
  LoadParts<CBkRichText>(*this, element, [this](std::unique_ptr<CBkWindow> text) { AppendChild(std::move(text)); });
  return loaded;
}

HRESULT CBkMenu::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkPanel::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "iconskin") {
    iconSkin_.Set(value);
  } else if (name == "hasicon") {
    hasIcon_ = ParseDecimal(value);
  } else if (name == "margin-x") {
    marginX_ = ParseDecimal(value);
  } else if (name == "margin-y") {
    marginY_ = ParseDecimal(value);
  } else if (name == "margin") {
    marginX_ = marginY_ = ParseDecimal(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

BkHandle CBkMenu::HitTest(int x, int y, int flag) { return CBkWindow::HitTest(x, y, flag); }

bool CBkMenu::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT:
      SetMsgHandled(true);
      if (CBkSkinBase* skin = iconSkin_.Get()) {
        // The icon square's side is the item's height.
        const RECT& area = GetRect();
        const int side = SaturatingSubtract(area.bottom, area.top);
        const RECT square = {SaturatingAdd(area.left, marginX_), SaturatingAdd(area.top, marginY_),
                             SaturatingSubtract(SaturatingAdd(area.left, side), marginX_),
                             SaturatingSubtract(area.bottom, marginY_)};
        skin->Draw(reinterpret_cast<HDC>(wParam), square, 0);
      }
      return true;
    case WM_WINDOWPOSCHANGED:
      SetMsgHandled(true);
      if (lParam) OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
      PlaceTexts();
      return true;
    case WM_LBUTTONDOWN: {
      // A press on the item is the menu's to handle.
      SetMsgHandled(true);
      if (CBkWindow* menu = GetParentElement()) menu->SendElementMessage(message, wParam, lParam);
      return true;
    }
    default:
      return CBkPanel::ProcessMessage(message, wParam, lParam, result);
  }
}

void CBkMenu::PlaceTexts() {
  const RECT& area = GetRect();
  const int height = std::max(0, SaturatingSubtract(area.bottom, area.top));
  int left = area.left;
  if (hasIcon_) left = std::min<int>(SaturatingAdd(area.left, height), area.right);
  const int width = std::max(0, SaturatingSubtract(area.right, left));
  for (size_t index = 0; index < ChildCount(); ++index) PlaceElement(*ChildAt(index), left, area.top, width, height);
}

// ---- what both containers share --------------------------------------------------

bool CBkMenuCtrlT::Load(const TiXmlElement* element) {
  const bool loaded = CBkWindow::Load(element);
  LoadParts<CBkMenu>(*this, element, [this](std::unique_ptr<CBkWindow> item) { AppendChild(std::move(item)); });
  LoadSelectionButton();
  return loaded;
}

void CBkMenuCtrlT::LoadSelectionButton() {
  button_.reset();
  const wchar_t* fragment = GetString(kButtonStringId);
  if (!fragment || !*fragment) return;
  TiXmlDocument document;
  if (!ParseSkinDocument(WideToUtf8(fragment), document) || !document.RootElement()) return;
  button_ = std::make_unique<CBkImageBtnWnd>();
  button_->SetParent(GetHandle());
  button_->SetHostWindow(GetHostWindow());
  button_->Load(document.RootElement());
}

HRESULT CBkMenuCtrlT::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkPanel::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "selskin") {
    selSkin_.Set(value);
  } else if (name == "itemheight") {
    itemHeight_ = ParseDecimal(value);
  } else if (name == "crborder") {
    crBorder_ = ParseColor(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

void CBkMenuCtrlT::SetHostWindow(HWND host) {
  CBkPanel::SetHostWindow(host);
  if (button_) button_->SetHostWindow(host);
}

CBkMenu* CBkMenuCtrlT::ItemAt(int index) const {
  if (index < 0) return nullptr;
  return static_cast<CBkMenu*>(ChildAt(static_cast<size_t>(index)));
}

int CBkMenuCtrlT::ItemHeightOf(int height) { return std::clamp(height, 0, kMaxItemHeight); }

int CBkMenuCtrlT::ItemIndexAt(int x, int y) const {
  for (size_t index = 0; index < ChildCount(); ++index) {
    if (Contains(ChildAt(index)->GetRect(), x, y)) return static_cast<int>(index);
  }
  return -1;
}

BkHandle CBkMenuCtrlT::HitTest(int x, int y, int flag) {
  if (!Contains(GetRect(), x, y)) return 0;
  if (button_ && button_->IsVisible(false)) {
    if (const BkHandle hit = button_->HitTest(x, y, flag)) return hit;
  }
  if (CBkMenu* item = ItemAt(hover_)) {
    if (const BkHandle hit = item->HitTest(x, y, flag)) return hit;
  }
  // Over another item: the control itself, so that the move reaches it and
  // makes that item the hovered one.
  return GetHandle();
}

bool CBkMenuCtrlT::PaintInRegion(HDC dc, HRGN region) {
  const RECT area = GetRect();
  if (region && !RectInRegion(region, &area)) return false;
  const HighContrastScheme& contrast = CurrentHighContrast();
  const COLORREF paper = ContrastColour(kWhite, SystemColourRole::None, SystemColourRole::Window);
  FillSolidRect(dc, area, paper);
  CBkSkinBase* selection = selSkin_.Get();
  if (CBkMenu* hovered = ItemAt(hover_); hovered && contrast.on) {
    // A ring of the selection colour: the items' text keeps the window's
    // colours, which are made to be read on each other.
    const RECT item = hovered->GetRect();
    FrameSolidRect(dc, item, contrast.Colour(SystemColourRole::Highlight));
    FrameSolidRect(dc, RECT{item.left + 1, item.top + 1, item.right - 1, item.bottom - 1},
                   contrast.Colour(SystemColourRole::Highlight));
  } else if (hovered && selection) {
    selection->Draw(dc, hovered->GetRect(), 0);
  }
  BeginTextPaint(dc);
  for (size_t index = 0; index < ChildCount(); ++index) {
    CBkWindow* item = ChildAt(index);
    if (item->IsVisible(false)) item->PaintInRegion(dc, region);
  }
  EndTextPaint(dc);
  if (crBorder_ != kColorNotSet || contrast.on) {
    FrameSolidRect(dc, area, ContrastColour(crBorder_, SystemColourRole::None, SystemColourRole::WindowText));
  }
  FrameSolidRect(dc,
                 RECT{SaturatingAdd(area.left, 1), SaturatingAdd(area.top, 1), SaturatingSubtract(area.right, 1),
                      SaturatingSubtract(area.bottom, 1)},
                 paper);
  if (button_ && button_->IsVisible(false)) button_->PaintInRegion(dc, region);
  return true;
}

bool CBkMenuCtrlT::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // Marked first: the notices below may end with the control gone.
  switch (message) {
    case WM_PAINT:
      SetMsgHandled(true);
      return true;
    case WM_WINDOWPOSCHANGED:
      SetMsgHandled(true);
      if (lParam) OnMenuPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
      return true;
    case WM_MOUSEMOVE:
      SetMsgHandled(true);
      OnMenuMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return true;
    case WM_LBUTTONDOWN:
      SetMsgHandled(true);
      OnMenuButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return true;
    case WM_DESTROY:
      SetMsgHandled(true);
      DestroyChildren();
      if (button_) {
        // Taken out first, as the items are.
        std::unique_ptr<CBkImageBtnWnd> button = std::move(button_);
        button->SendElementMessage(WM_DESTROY);
      }
      return true;
    default:
      return CBkPanel::ProcessMessage(message, wParam, lParam, result);
  }
}

void CBkMenuCtrlT::OnMenuPosChanged(const WINDOWPOS& position) {
  OnWindowPosChanged(position);
  // The height notice tells the host the height of the middle item's layout.
  const int total = LayOutItems(static_cast<int>(ItemCount() / 2));
  const BkHandle self = GetHandle();
  SendHeightNotice(total);
  if (LookupElement(self) != this) return;
  lastTotal_ = LayOutItems(hover_);
}

void CBkMenuCtrlT::SendHeightNotice(int total) {
  const RECT& area = GetRect();
  SendResizedNotice(GetHostWindow(), kHeightNoticeId,
                    RECT{area.left, area.top, area.right, SaturatingAdd(area.top, total)});
}

void CBkMenuCtrlT::OnMenuMouseMove(int x, int y) {
  const int previous = hover_;
  hover_ = ItemIndexAt(x, y);
  if (hover_ != previous) AnnounceHoveredItem();
  if (hover_ < 0 || hover_ == active_) return;
  active_ = hover_;
  const int previousTotal = lastTotal_;
  lastTotal_ = LayOutItems(active_);
  // Items may reach below the control: the taller of the two layouts goes.
  RECT area = GetRect();
  area.bottom = std::max<LONG>(area.bottom, SaturatingAdd(area.top, std::max(previousTotal, lastTotal_)));
  SendRedrawRequest(*this, area);
}

void CBkMenuCtrlT::AnnounceHoveredItem() const {
  if (const CBkMenu* item = ItemAt(hover_)) AnnounceElementEvent(*item, EVENT_OBJECT_FOCUS);
}

void CBkMenuCtrlT::SetHoverIndex(int index) {
  const int previous = hover_;
  hover_ = index >= 0 && static_cast<size_t>(index) < ItemCount() ? index : -1;
  if (hover_ != previous) AnnounceHoveredItem();
  if (hover_ >= 0) active_ = hover_;
  lastTotal_ = LayOutItems(active_);
  SendRedrawRequest(*this, GetRect());
}

void CBkMenuCtrlT::OnMenuButtonDown(int x, int y) {
  active_ = -1;
  hover_ = ItemIndexAt(x, y);
  const HWND host = GetHostWindow();
  const HWND parent = host && IsWindow(host) ? ::GetParent(host) : nullptr;
  if (parent) PostMessageW(parent, WM_LBUTTONUP, static_cast<WPARAM>(hover_), 0);
}

void CBkMenuCtrlT::PlaceSelectionButton(int index, const RECT& item) {
  if (!button_) return;
  button_->SetAttribute("id", std::to_string(SaturatingAdd(index, 1)), true);
  const int height = SaturatingSubtract(item.bottom, item.top);
  const int y = SaturatingAdd(item.top, SaturatingSubtract(height, kButtonHeight) / 2);
  // The area is the button's whatever its own size would be: set directly.
  const int x = SaturatingSubtract(GetRect().right, kButtonWidth);
  button_->MoveRect(RECT{x, y, SaturatingAdd(x, kButtonWidth), SaturatingAdd(y, height)});
}

// ---- "menus" --------------------------------------------------------------------

int CBkMenuCtrl::LayOutItems(int active) {
  const RECT area = GetRect();
  const int width = SaturatingSubtract(area.right, area.left);
  const int height = ItemHeightOf(ItemHeight());
  int y = area.top;
  for (int index = 0; index < static_cast<int>(ItemCount()); ++index) {
    CBkMenu* item = ItemAt(index);
    PlaceElement(*item, area.left, y, width, height);
    if (index == active) PlaceSelectionButton(index, item->GetRect());
    y = SaturatingAdd(y, height);
  }
  return SaturatingSubtract(y, area.top);
}

// ---- "menusex" ------------------------------------------------------------------

HRESULT CBkMenuCtrlEx::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkMenuCtrlT::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name != "heights") return kAttributeNotHandled;
  int* const fields[] = {&normalHeight_, &floatHeight_, &activeHeight_};
  ReadCommaNumbers(value, fields, 3);
  return kAttributeHandled;
}

int CBkMenuCtrlEx::LayOutItems(int active) {
  const RECT area = GetRect();
  const int width = SaturatingSubtract(area.right, area.left);
  const int count = static_cast<int>(ItemCount());
  const bool hasActive = active >= 0 && active < count;
  // The last item's only neighbour is the one before it; the first's, the
  // one after it.
  const int before = hasActive && active > 0 ? active - 1 : -1;
  const int after = hasActive && active < count - 1 ? active + 1 : -1;
  int y = area.top;
  for (int index = 0; index < count; ++index) {
    CBkMenu* item = ItemAt(index);
    const bool neighbour = index == before || index == after;
    const int height = ItemHeightOf(index == active ? activeHeight_ : neighbour ? floatHeight_ : normalHeight_);
    const char* textClass = neighbour ? "menu_text_float" : "menu_text_normal";
    for (size_t child = 0; child < item->ChildCount(); ++child)
      item->ChildAt(child)->SetAttribute("class", textClass, true);
    PlaceElement(*item, area.left, y, width, height);
    if (index == active) PlaceSelectionButton(index, item->GetRect());
    y = SaturatingAdd(y, height);
  }
  return SaturatingSubtract(y, area.top);
}
