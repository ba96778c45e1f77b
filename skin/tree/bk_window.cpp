#include "skin/tree/bk_window.h"

#include <tinyxml.h>

#include <algorithm>
#include <climits>

#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/gdi_drawing.h"
#include "skin/resources/gdi_handles.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/containers.h"
#include "skin/tree/load_budget.h"

namespace {

constexpr unsigned kWidthBits = WidthFixed | WidthAuto | WidthFull;
constexpr unsigned kHeightBits = HeightFixed | HeightAuto | HeightFull;
// The alignment bits of a DrawText format: measuring ignores them.
constexpr unsigned kTextAlignmentBits = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM;

bool IsSet(BkColor colour) { return colour != kColorNotSet; }

RECT Shrink(const RECT& rect, int dx, int dy) {
  return RECT{SaturatingAdd(rect.left, dx), SaturatingAdd(rect.top, dy), SaturatingSubtract(rect.right, dx),
              SaturatingSubtract(rect.bottom, dy)};
}

// Measures text in the calling thread's kept memory context: making a
// context costs several times the measuring, and a window's layout measures
// element after element. Only the font is changed, and it is selected out
// again, so that the pool can delete it and the next measure starts from the
// context's defaults.
void MeasureInKeptDc(HFONT font, const std::wstring& text, RECT& area, unsigned format) {
  thread_local UniqueHandle<MemoryDcTraits> kept;
  if (!kept) kept.reset(CreateCompatibleDC(nullptr));
  const HDC dc = kept.get();
  const HGDIOBJ old = font && dc ? SelectObject(dc, font) : nullptr;
  DrawTextW(dc, text.c_str(), static_cast<int>(std::min<size_t>(text.size(), INT_MAX)), &area, format | DT_CALCRECT);
  if (old && old != HGDI_ERROR) SelectObject(dc, old);
}

}  // namespace

CBkWindow::CBkWindow() : handle_(BkWindowRegistry::Instance().Register(this)) { ElementLoadBudget::CountElement(); }

CBkWindow::~CBkWindow() { BkWindowRegistry::Instance().Unregister(handle_); }

const char* CBkWindow::GetTag() const { return ""; }

BkSizeMode CBkWindow::WidthMode() const {
  if (layoutFlags_ & WidthFull) return SizeFull;
  if (layoutFlags_ & WidthFixed) return SizeFixed;
  return SizeAuto;
}

BkSizeMode CBkWindow::HeightMode() const {
  if (layoutFlags_ & HeightFull) return SizeFull;
  if (layoutFlags_ & HeightFixed) return SizeFixed;
  return SizeAuto;
}

// ---- loading ----------------------------------------------------------------

bool CBkWindow::Load(const TiXmlElement* element) {
  if (!element) return false;

  const TiXmlNode* first = element->FirstChild();
  if (first && first->ToText()) {
    text_ = Utf8ToWide(first->ValueStr());
    if (!text_.empty()) text_ = ExpandStringReferences(text_);
  }

  layoutFlags_ = 0;
  CBkObject::Load(element);

  if (const char* show = element->Attribute("show")) SetVisible(ParseDecimal(show) != 0);
  if (pos_.Usable()) return true;

  ReadSize(element, "width", WidthFixed, WidthAuto, WidthFull, fixedWidth_, rect_.right);
  ReadSize(element, "height", HeightFixed, HeightAuto, HeightFull, fixedHeight_, rect_.bottom);
  if (WidthMode() == SizeAuto || HeightMode() == SizeAuto) {
    SIZE size = {0, 0};
    SendElementMessage(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&size));
    if (WidthMode() == SizeAuto) rect_.right = size.cx;
    if (HeightMode() == SizeAuto) rect_.bottom = size.cy;
  }

  const char* floating = element->Attribute("float");
  layoutFlags_ |= (floating && ParseDecimal(floating) != 0) ? Float : NotFloat;
  return true;
}

void CBkWindow::ReadSize(const TiXmlElement* element, const char* attribute, unsigned fixed, unsigned automatic,
                         unsigned full, int& fixedValue, LONG& edge) {
  const char* value = element->Attribute(attribute);
  if (value && std::string(value) == "full") {
    layoutFlags_ |= full;
    return;
  }
  const int number = value ? ParseDecimal(value) : 0;
  if (number > 0) {
    layoutFlags_ |= fixed;
    fixedValue = number;
    edge = number;
  } else {
    layoutFlags_ |= automatic;
  }
}

HRESULT CBkWindow::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkObject::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;

  if (name == "class") {
    style_ = ::GetStyle(value);
  } else if (name == "id") {
    id_ = ParseDecimal(value);
  } else if (name == "crbg") {
    style_.crbg = ParseColor(value);
  } else if (name == "crtext") {
    style_.crtext = ParseColor(value);
  } else if (name == "hc-crtext" || name == "hc-crbg") {
    return style_.SetAttribute(name, value, loading);
  } else if (name == "font") {
    style_.font = BkFontPool::GetFont(ParseHex(value) & 0xFFFF);
  } else if (name == "href") {
    href_ = Utf8ToWide(value);
  } else if (name == "tip") {
    tip_ = Utf8ToWide(value);
  } else if (name == "name") {
    accName_ = Utf8ToWide(value);
  } else if (name == "role") {
    accRole_ = value;
  } else if (name == "valign") {
    if (value == "top") valign_ = VAlignTop;
    else if (value == "middle") valign_ = VAlignMiddle;
    else if (value == "bottom") valign_ = VAlignBottom;
    else return kAttributeNotHandled;
  } else if (name == "align") {
    if (value == "left") align_ = AlignLeft;
    else if (value == "center") align_ = AlignCenter;
    else if (value == "right") align_ = AlignRight;
    else return kAttributeNotHandled;
  } else if (name == "pos") {
    if (value.empty()) return kAttributeHandled;
    pos_ = ParsePosExpression(value);
    if (!pos_.Usable()) {
      pos_.count = 0;
      return kAttributeHandled;
    }
    layoutFlags_ = (layoutFlags_ & ~(kWidthBits | kHeightBits)) | WidthAuto | HeightAuto;
    if (!loading) {
      // Placed at once by its parent; the parent may run handlers, so
      // nothing of this element is used afterwards.
      if (auto* parent = dynamic_cast<CBkContainerWnd*>(GetParentElement())) parent->PlaceChild(this);
    }
  } else if (name == "transparent") {
    transparent_ = ParseDecimal(value);
  } else if (name == "tabstop") {
    tabStop_ = ParseDecimal(value) != 0 ? 1 : 0;
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

// ---- virtual operations -----------------------------------------------------

void CBkWindow::SetCursor() { ::SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(style_.cursor))); }

void CBkWindow::SetHostWindow(HWND host) { container_ = host; }

BkHandle CBkWindow::HitTest(int x, int y, int) {
  return x >= rect_.left && x < rect_.right && y >= rect_.top && y < rect_.bottom ? handle_ : 0;
}

bool CBkWindow::LooksDifferentByState() const {
  if (!style_.skin.empty()) {
    const CBkSkinBase* skin = GetSkin(style_.skin);
    if (skin && !skin->IsStateless()) return true;
  }
  return IsSet(style_.crhover) || style_.hoverfont != nullptr || IsSet(style_.crbghover);
}

bool CBkWindow::PaintInRegion(HDC dc, HRGN region) {
  if (region && !RectInRegion(region, &rect_)) return false;
  DrawBackground(dc);
  SendElementMessage(WM_PAINT, reinterpret_cast<WPARAM>(dc));
  return true;
}

bool CBkWindow::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_CREATE:
      result = 1;
      break;
    case WM_PAINT:
      OnPaint(reinterpret_cast<HDC>(wParam));
      break;
    case WM_SHOWWINDOW:
      SetVisible(wParam != 0);
      break;
    case WM_WINDOWPOSCHANGED:
      if (lParam) OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
      break;
    case WM_NCCALCSIZE:
      if (lParam) OnNcCalcSize(wParam != 0, *reinterpret_cast<SIZE*>(lParam));
      break;
    default:
      break;
  }
  SetMsgHandled(true);
  return true;
}

void CBkWindow::ShowHostedWindows(bool) {}

// ---- state ------------------------------------------------------------------

int CBkWindow::Depth() const {
  int depth = 0;
  FindAncestor([&depth](const CBkWindow&) {
    ++depth;
    return false;
  });
  return depth;
}

unsigned CBkWindow::ChangeState(unsigned add, unsigned remove) {
  const unsigned old = state_;
  state_ = (state_ | add) & ~remove;
  return old;
}

void CBkWindow::SetVisible(bool visible) {
  if (visible) {
    state_ &= ~StateHidden;
  } else {
    state_ |= StateHidden;
  }
}

bool CBkWindow::IsVisible(bool deep) const {
  if (state_ & StateHidden) return false;
  return !deep || !FindAncestor([](const CBkWindow& up) { return (up.state_ & StateHidden) != 0; });
}

bool CBkWindow::IsDisabled(bool deep) const {
  if (state_ & StateDisabled) return true;
  return deep && FindAncestor([](const CBkWindow& up) { return (up.state_ & StateDisabled) != 0; });
}

LRESULT CBkWindow::SendElementMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  handled_ = false;
  LRESULT result = 0;
  ProcessMessage(message, wParam, lParam, result);
  return result;
}

void PlaceElement(CBkWindow& element, int x, int y, int cx, int cy) {
  WINDOWPOS record = {};
  record.x = x;
  record.y = y;
  record.cx = cx;
  record.cy = cy;
  record.flags = SWP_SHOWWINDOW;
  element.SendElementMessage(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&record));
}

LRESULT SendToElement(BkHandle handle, UINT message, WPARAM wParam, LPARAM lParam) {
  CBkWindow* element = LookupElement(handle);
  return element ? element->SendElementMessage(message, wParam, lParam) : 0;
}

// ---- painting ---------------------------------------------------------------

void CBkWindow::DrawBackground(HDC dc) {
  const HighContrastScheme& contrast = CurrentHighContrast();
  if (contrast.on) {
    // A plain fill instead of the colour or picture; a background that
    // changes with the state belongs to a control, which keeps an outline.
    if (style_.skin.empty() && !IsSet(style_.crbg)) return;
    FillSolidRect(dc, rect_, contrast.Colour(style_.hcBackground, SystemColourRole::Window));
    const CBkSkinBase* skin = style_.skin.empty() ? nullptr : GetSkin(style_.skin);
    if (skin && !skin->IsStateless()) {
      FrameSolidRect(dc, rect_, contrast.Colour(style_.hcText, SystemColourRole::WindowText));
    }
    return;
  }
  if (style_.skin.empty()) {
    BkColor colour = style_.crbg;
    if ((state_ & StateHover) && IsSet(style_.crbghover)) colour = style_.crbghover;
    if (IsSet(colour)) FillSolidRect(dc, rect_, colour);
    return;
  }
  CBkSkinBase* skin = GetSkin(style_.skin);
  if (!skin) return;
  int index = 0;
  if (state_ & StateDisabled) {
    index = 3;
  } else if (state_ & StatePushed) {
    index = 2;
  } else if (state_ & StateHover) {
    index = 1;
  }
  skin->Draw(dc, rect_, index);
  if (!style_.border.empty()) {
    if (CBkSkinBase* border = GetSkin(style_.border)) border->Draw(dc, rect_, 0);
  }
}

RECT CBkWindow::TextRect() const { return Shrink(rect_, style_.xMargin, style_.yMargin); }

void CBkWindow::BeginTextPaint(HDC dc) {
  textPaint_ = TextPaintState();
  if (!style_.skin.empty()) {
    textPaint_.oldBkMode = SetBkMode(dc, TRANSPARENT);
    textPaint_.bkModeChanged = true;
  }
  const HighContrastScheme& contrast = CurrentHighContrast();
  if (IsSet(style_.crbg)) {
    textPaint_.oldBkColor =
        SetBkColor(dc, contrast.on ? contrast.Colour(style_.hcBackground, SystemColourRole::Window) : style_.crbg);
    textPaint_.bkColorChanged = true;
  }
  HFONT font = style_.font;
  BkColor colour = style_.crtext;
  // The ancestor walk only matters when there is a colour for it.
  if (IsSet(style_.crdisabled) && IsDisabled(true)) {
    colour = contrast.on ? contrast.Colour(SystemColourRole::GrayText) : style_.crdisabled;
  } else {
    const bool hot = (state_ & StateHover) && IsSet(style_.crhover);
    if ((state_ & StateHover) && style_.hoverfont) font = style_.hoverfont;
    if (hot) colour = style_.crhover;
    // Every text has the system's colour then, also one that inherits it.
    if (contrast.on) {
      colour = contrast.Colour(hot ? SystemColourRole::HotLight : style_.hcText, SystemColourRole::WindowText);
    }
  }
  if (font) {
    textPaint_.oldFont = static_cast<HFONT>(SelectObject(dc, font));
    textPaint_.fontChanged = true;
  }
  if (IsSet(colour)) {
    textPaint_.oldTextColor = SetTextColor(dc, colour);
    textPaint_.textColorChanged = true;
  }
}

void CBkWindow::EndTextPaint(HDC dc) {
  if (textPaint_.fontChanged) SelectObject(dc, textPaint_.oldFont);
  if (textPaint_.textColorChanged) SetTextColor(dc, textPaint_.oldTextColor);
  if (textPaint_.bkModeChanged) SetBkMode(dc, textPaint_.oldBkMode);
  if (textPaint_.bkColorChanged) SetBkColor(dc, textPaint_.oldBkColor);
  textPaint_ = TextPaintState();
}

void CBkWindow::OnPaint(HDC dc) {
  BeginTextPaint(dc);
  if (!text_.empty()) {
    const RECT textRect = TextRect();
    UINT format = style_.textmode;
    // An access key's underline shows only while the host's UI state shows
    // them (Alt held, or keyboard use).
    if (!(format & DT_NOPREFIX) && text_.find(L'&') != std::wstring::npos && container_ &&
        (SendMessageW(container_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL))
      format |= DT_HIDEPREFIX;
    DrawLabel(dc, text_.c_str(), static_cast<int>(std::min<size_t>(text_.size(), INT_MAX)), textRect, format);
  }
  EndTextPaint(dc);
}

// ---- layout -----------------------------------------------------------------

void CBkWindow::OnWindowPosChanged(const WINDOWPOS& position) {
  const int width = SaturatingSubtract(rect_.right, rect_.left);
  const int height = SaturatingSubtract(rect_.bottom, rect_.top);
  rect_ = RECT{position.x, position.y, SaturatingAdd(position.x, width), SaturatingAdd(position.y, height)};

  SIZE size = {position.cx, position.cy};
  SendElementMessage(WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&size));
  rect_ = RECT{position.x, position.y, SaturatingAdd(position.x, size.cx), SaturatingAdd(position.y, size.cy)};

  switch (WidthMode()) {
    case SizeFull:
      rect_.right = std::max<LONG>(SaturatingAdd(position.x, position.cx), rect_.left);
      break;
    case SizeFixed:
      rect_.right = SaturatingAdd(rect_.left, fixedWidth_);
      break;
    case SizeAuto:
      break;
  }
  switch (HeightMode()) {
    case SizeFull:
      rect_.bottom = std::max<LONG>(SaturatingAdd(position.y, position.cy), rect_.top);
      break;
    case SizeFixed:
      rect_.bottom = SaturatingAdd(rect_.top, fixedHeight_);
      break;
    case SizeAuto:
      break;
  }
}

void CBkWindow::OnNcCalcSize(bool useOffered, SIZE& size) {
  if (pos_.count == 4) {
    const int width = size.cx;
    const int height = size.cy;
    size.cx = SaturatingSubtract(ResolvePosItem(pos_.items[2], width), ResolvePosItem(pos_.items[0], width));
    size.cy = SaturatingSubtract(ResolvePosItem(pos_.items[3], height), ResolvePosItem(pos_.items[1], height));
    return;
  }
  size = MeasureText(useOffered, size);
}

HFONT CBkWindow::MeasuringFont() const {
  if (style_.font) return style_.font;
  if (const CBkWindow* up = FindAncestor([](const CBkWindow& up) { return up.style_.font != nullptr; })) {
    return up->style_.font;
  }
  return BkFontPool::GetFont(0);
}

SIZE CBkWindow::MeasureText(bool useOffered, SIZE offered) const {
  RECT area = rect_;
  if (useOffered) {
    area.right = SaturatingAdd(area.left, offered.cx);
    area.bottom = SaturatingAdd(area.top, offered.cy);
  }
  area = Shrink(area, style_.xMargin, style_.yMargin);
  unsigned format = style_.textmode & ~kTextAlignmentBits;
  if (format & DT_WORDBREAK) area.bottom = 32767;

  MeasureInKeptDc(MeasuringFont(), text_, area, format);
  const int doubleX = SaturatingAdd(style_.xMargin, style_.xMargin);
  const int doubleY = SaturatingAdd(style_.yMargin, style_.yMargin);
  return SIZE{SaturatingAdd(SaturatingSubtract(area.right, area.left), doubleX),
              SaturatingAdd(SaturatingSubtract(area.bottom, area.top), doubleY)};
}
