#include "skin/tree/rich_text.h"

#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <climits>

#include "skin/resources/font_pool.h"
#include "skin/resources/gdi_drawing.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/host_notify.h"

namespace {

// At most this many characters are measured at once: a narrow area then costs
// little per line, and a longer line simply goes on from where the piece ended.
constexpr int kMeasureChunk = 4096;

bool IsTag(const char* tag, const char* name) {
  if (!tag) return false;
  for (; *tag && *name; ++tag, ++name) {
    if (std::tolower(static_cast<unsigned char>(*tag)) != *name) return false;
  }
  return *tag == '\0' && *name == '\0';
}

bool Contains(const RECT& rect, int x, int y) {
  return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

SIZE TextExtent(HDC dc, const wchar_t* text, int count) {
  SIZE size = {0, 0};
  GetTextExtentPoint32W(dc, text, count, &size);
  return size;
}

}  // namespace

bool CBkRichText::Load(const TiXmlElement* element) {
  const bool loaded = CBkWindow::Load(element);
  ForgetLinks();
  markup_.reset(element ? static_cast<TiXmlElement*>(element->Clone()) : nullptr);
  return loaded;
}

HRESULT CBkRichText::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkWindow::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "defaultfont") {
    defaultFont_ = ParseHex(value) & 0xFFFF;
  } else if (name == "linkclass") {
    linkStyle_ = ::GetStyle(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

bool CBkRichText::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // Marked first: the notifications below may end with the element gone.
  switch (message) {
    case WM_PAINT:
      SetMsgHandled(true);
      OnRichPaint(reinterpret_cast<HDC>(wParam));
      return true;
    case WM_WINDOWPOSCHANGED:
      SetMsgHandled(true);
      if (lParam) OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
      ForgetLinks();
      return true;
    case WM_MOUSEMOVE:
      SetMsgHandled(true);
      OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return true;
    case WM_MOUSELEAVE:
      SetMsgHandled(true);
      OnMouseLeave();
      return true;
    case WM_LBUTTONDOWN:
      SetMsgHandled(true);
      if (hovered_ >= 0) pressed_ = hovered_;
      return true;
    case WM_LBUTTONUP:
      SetMsgHandled(true);
      OnButtonUp();
      return true;
    default:
      return CBkWindow::ProcessMessage(message, wParam, lParam, result);
  }
}

void CBkRichText::SetCursor() {
  ::SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(hovered_ >= 0 ? kCursorHand : kCursorArrow)));
}

void CBkRichText::ForgetLinks() {
  links_.clear();
  linksLaidOut_ = false;
  hovered_ = -1;
  pressed_ = -1;
}

// ---- painting -----------------------------------------------------------------

void CBkRichText::OnRichPaint(HDC dc) {
  if (!dc) return;
  const RECT area = TextRect();
  if (area.right <= area.left || area.bottom <= area.top) {
    // Nothing can show, and no link can be reached.
    linksLaidOut_ = true;
    return;
  }
  {
    // Font, colour and clipping go back with the saved state.
    SavedDc saved(dc);
    if (HFONT font = BkFontPool::GetFont(defaultFont_)) SelectObject(dc, font);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    Pen pen;
    pen.x = pen.left = area.left;
    pen.y = area.top;
    pen.right = area.right;
    if (markup_) RenderElement(dc, *markup_, defaultFont_, pen, 0);
    DrawLinks(dc);
  }
  linksLaidOut_ = true;
}

void CBkRichText::NewLine(Pen& pen) const {
  pen.x = pen.left;
  pen.y = SaturatingAdd(pen.y, GetStyle().linespacing);
}

void CBkRichText::RenderElement(HDC dc, const TiXmlElement& element, unsigned font, Pen& pen, int depth) {
  const char* tag = element.Value();
  unsigned childFont = font;
  bool measureText = false;
  bool colourChanged = false;
  COLORREF previousColour = 0;

  if (IsTag(tag, "br")) {
    NewLine(pen);
  } else if (IsTag(tag, "b")) {
    childFont |= BkFontPool::kBold;
  } else if (IsTag(tag, "i")) {
    childFont |= BkFontPool::kItalic;
  } else if (IsTag(tag, "u")) {
    childFont |= BkFontPool::kUnderline;
  } else if (IsTag(tag, "c")) {
    previousColour = SetTextColor(
        dc, ContrastColour(ParseColor(element.Attribute("color")), GetStyle().hcText, SystemColourRole::WindowText));
    colourChanged = true;
  } else if (IsTag(tag, "a")) {
    if (!linksLaidOut_) {
      CreateLink(dc, element, pen);
      return;
    }
    measureText = true;
  }

  if (HFONT selected = BkFontPool::GetFont(childFont)) SelectObject(dc, selected);
  for (const TiXmlNode* child = element.FirstChild(); child; child = child->NextSibling()) {
    if (const TiXmlElement* inner = child->ToElement()) {
      if (depth < kMaxMarkupDepth) RenderElement(dc, *inner, childFont, pen, depth + 1);
    } else if (const TiXmlText* text = child->ToText()) {
      RenderText(dc, text->ValueStr(), measureText, pen);
    }
  }
  if (HFONT own = BkFontPool::GetFont(font)) SelectObject(dc, own);
  if (colourChanged) SetTextColor(dc, previousColour == CLR_INVALID ? RGB(0, 0, 0) : previousColour);
}

void CBkRichText::RenderText(HDC dc, const std::string& utf8, bool measureOnly, Pen& pen) const {
  const std::wstring text = Utf8ToWide(utf8);
  const size_t size = text.size();
  size_t position = 0;
  int lastWidth = 0;
  while (position < size) {
    const int available = SaturatingSubtract(pen.right, pen.x);
    const int chunk = static_cast<int>(std::min<size_t>(
        size - position, static_cast<size_t>(std::min(kMeasureChunk, std::max(available, 0) + 1))));
    const wchar_t* piece = text.data() + position;
    int fit = 0;
    SIZE extent = {0, 0};
    if (available > 0) GetTextExtentExPointW(dc, piece, chunk, available, &fit, nullptr, &extent);
    fit = std::clamp(fit, 0, chunk);
    // A line takes at least one character, so that a narrow area still ends.
    if (fit == 0 && pen.x <= pen.left) fit = 1;
    // A surrogate pair stays whole.
    if (fit > 0 && fit < static_cast<int>(size - position) && IS_HIGH_SURROGATE(piece[fit - 1])) {
      fit = fit > 1 ? fit - 1 : std::min(2, static_cast<int>(size - position));
    }
    if (fit > 0) {
      lastWidth = TextExtent(dc, piece, fit).cx;
      if (!measureOnly) TextOutW(dc, pen.x, pen.y, piece, fit);
    }
    position += static_cast<size_t>(fit);
    if (position >= size) break;
    if (fit >= chunk) {
      // Only the measured piece ended here, not the line.
      pen.x = SaturatingAdd(pen.x, lastWidth);
      continue;
    }
    NewLine(pen);
  }
  pen.x = SaturatingAdd(pen.x, SaturatingAdd(lastWidth, GetStyle().spacing));
}

void CBkRichText::CreateLink(HDC dc, const TiXmlElement& anchor, Pen& pen) {
  RichLink link;
  const char* text = anchor.GetText();
  link.text = Utf8ToWide(text ? text : "");
  const int count = static_cast<int>(std::min<size_t>(link.text.size(), INT_MAX));
  HGDIOBJ previous = linkStyle_.font ? SelectObject(dc, linkStyle_.font) : nullptr;
  const SIZE extent = TextExtent(dc, link.text.c_str(), count);
  if (previous) SelectObject(dc, previous);

  if (SaturatingAdd(pen.x, extent.cx) > pen.right) NewLine(pen);
  link.rect = RECT{pen.x, pen.y, SaturatingAdd(pen.x, extent.cx), SaturatingAdd(pen.y, extent.cy)};
  const char* id = anchor.Attribute("id");
  link.id = id ? ParseDecimal(id) : 0;
  pen.x = SaturatingAdd(link.rect.right, GetStyle().spacing);
  links_.push_back(std::move(link));
}

void CBkRichText::DrawLinks(HDC dc) {
  if (links_.empty()) return;
  HFONT font = linkStyle_.font;
  if (font) SelectObject(dc, font);
  BkColor colour = linkStyle_.crtext;
  if (IsDisabled(true) && linkStyle_.crdisabled != kColorNotSet) colour = linkStyle_.crdisabled;
  BkColor hover = linkStyle_.crhover;
  if (CurrentHighContrast().on) {
    colour = ContrastColour(colour, IsDisabled(true) ? SystemColourRole::GrayText : linkStyle_.hcText,
                            SystemColourRole::HotLight);
    hover = colour;
  }
  if (colour != kColorNotSet) SetTextColor(dc, colour);
  for (size_t index = 0; index < links_.size(); ++index) {
    const RichLink& link = links_[index];
    const int count = static_cast<int>(std::min<size_t>(link.text.size(), INT_MAX));
    const bool hovered = static_cast<int>(index) == hovered_;
    if (hovered) {
      if (linkStyle_.hoverfont) SelectObject(dc, linkStyle_.hoverfont);
      if (hover != kColorNotSet) SetTextColor(dc, hover);
    }
    TextOutW(dc, link.rect.left, link.rect.top, link.text.c_str(), count);
    if (hovered) {
      if (linkStyle_.hoverfont && font) SelectObject(dc, font);
      if (hover != kColorNotSet && colour != kColorNotSet) SetTextColor(dc, colour);
    }
  }
}

// ---- mouse --------------------------------------------------------------------

void CBkRichText::OnMouseMove(int x, int y) {
  int found = -1;
  for (size_t index = 0; index < links_.size(); ++index) {
    if (Contains(links_[index].rect, x, y)) {
      found = static_cast<int>(index);
      break;
    }
  }
  if (found < 0) {
    OnMouseLeave();
    return;
  }
  if (found == hovered_) return;
  const BkHandle self = GetHandle();
  if (hovered_ >= 0 && static_cast<size_t>(hovered_) < links_.size()) {
    const RECT previous = links_[static_cast<size_t>(hovered_)].rect;
    SendRedrawRequest(*this, previous);
    // The host's handler may have destroyed or moved the element.
    if (LookupElement(self) != this || static_cast<size_t>(found) >= links_.size()) return;
  }
  hovered_ = found;
  SendRedrawRequest(*this, links_[static_cast<size_t>(found)].rect);
}

void CBkRichText::OnMouseLeave() {
  if (hovered_ < 0) return;
  const int previous = hovered_;
  hovered_ = -1;
  if (static_cast<size_t>(previous) < links_.size()) SendRedrawRequest(*this, links_[static_cast<size_t>(previous)].rect);
}

void CBkRichText::OnButtonUp() {
  const int pressed = pressed_;
  pressed_ = -1;
  if (pressed < 0 || pressed != hovered_ || static_cast<size_t>(pressed) >= links_.size()) return;
  SendCommandFromHost(GetHostWindow(), links_[static_cast<size_t>(pressed)].id, kTag);
}
