#include "skin/tree/basic_controls.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <climits>

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/gdiplus_drawing.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/skin_base.h"
#include "skin/tree/memory_images.h"

// ---- "img" --------------------------------------------------------------------

HRESULT CBkImageWnd::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkWindow::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "skin") {
    skin_.Set(value);
  } else if (name == "sub") {
    sub_ = ParseDecimal(value);
  } else if (name == "autosize") {
    autoSize_ = ParseDecimal(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

bool CBkImageWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT:
      // The text is not drawn: the skin is the whole content.
      if (CBkSkinBase* skin = skin_.Get()) skin->Draw(reinterpret_cast<HDC>(wParam), GetRect(), sub_);
      break;
    case WM_NCCALCSIZE:
      if (lParam) OnImageNcCalcSize(wParam != 0, *reinterpret_cast<SIZE*>(lParam));
      break;
    default:
      return CBkWindow::ProcessMessage(message, wParam, lParam, result);
  }
  SetMsgHandled(true);
  return true;
}

void CBkImageWnd::OnImageNcCalcSize(bool useOffered, SIZE& size) {
  OnNcCalcSize(useOffered, size);
  if (autoSize_ == 0) return;
  const CBkSkinBase* skin = skin_.Get();
  if (!skin) return;
  const SIZE natural = skin->GetNaturalSize();
  if (natural.cx != 0) size.cx = natural.cx;
  if (natural.cy != 0) size.cy = natural.cy;
}

// ---- "imgbtn" -----------------------------------------------------------------

bool CBkImageBtnWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_PAINT) return CBkImageWnd::ProcessMessage(message, wParam, lParam, result);
  PaintButton(reinterpret_cast<HDC>(wParam));
  SetMsgHandled(true);
  return true;
}

void CBkImageBtnWnd::PaintButton(HDC dc) {
  const RECT area = GetRect();
  if (CBkSkinBase* skin = Skin()) skin->Draw(dc, area, ThreePieceIndex(static_cast<int>(GetState())));

  const std::wstring& text = GetText();
  if (text.empty()) return;
  const BkStyle& style = GetStyle();
  HGDIOBJ oldFont = style.font ? SelectObject(dc, style.font) : nullptr;
  const bool colourSet = style.crtext != kColorNotSet || CurrentHighContrast().on;
  const COLORREF oldColour =
      colourSet ? SetTextColor(dc, ContrastColour(style.crtext, style.hcText, SystemColourRole::ButtonText)) : 0;
  DrawLabel(dc, text.c_str(), static_cast<int>(std::min<size_t>(text.size(), INT_MAX)), area, style.textmode);
  if (colourSet) SetTextColor(dc, oldColour);
  if (oldFont) SelectObject(dc, oldFont);
}

// ---- "memimage" ---------------------------------------------------------------

HRESULT CBkMemoryImage::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkWindow::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "mempointer") {
    // Only a number: what it names is decided by the image registry at paint.
    imageNumber_ = ParseLeadingDecimal(value.c_str());
  } else if (name == "autosize") {
    if (!value.empty()) autoSize_ = ParseDecimal(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

bool CBkMemoryImage::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_PAINT) return CBkWindow::ProcessMessage(message, wParam, lParam, result);
  PaintImage(reinterpret_cast<HDC>(wParam));
  SetMsgHandled(true);
  return true;
}

void CBkMemoryImage::PaintImage(HDC dc) const {
  if (!dc || imageNumber_ == 0 || (autoSize_ != 0 && autoSize_ != 1)) return;
  Gdiplus::Image* image = LookupMemoryImage(imageNumber_);
  if (!image) return;
  const SIZE size = PngImageSize(image);
  const RECT& area = GetRect();
  PngPainter painter(dc);
  if (autoSize_ == 1) {
    painter.DrawPart(image, area.left, area.top, SaturatingSubtract(area.right, area.left),
                  SaturatingSubtract(area.bottom, area.top), 0, 0, size.cx, size.cy);
  } else {
    painter.DrawPart(image, area.left, area.top, size.cx, size.cy, 0, 0, size.cx, size.cy);
  }
}
