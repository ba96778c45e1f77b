#include "skin/tree/progress_control.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/gdi_handles.h"
#include "skin/resources/parse_util.h"

namespace {

const COLORREF kOutlineGrey = RGB(112, 112, 112);
const COLORREF kBarColour = RGB(66, 97, 144);
const COLORREF kOverBarDark = RGB(0, 0, 0);
const COLORREF kOverBarLight = RGB(255, 255, 255);
constexpr int kCorner = 2;
constexpr int kBarInset = 2;
// DT_CENTER | DT_VCENTER | DT_SINGLELINE
constexpr UINT kPercentFormat = 37;

// `rect` with its right edge at `ratio` of its width (never past it).
RECT Part(RECT rect, double ratio) {
  const double width = std::max(0.0, static_cast<double>(rect.right) - rect.left);
  rect.right = SaturatingAdd(rect.left, static_cast<int>(std::min(width * ratio, 2147483647.0)));
  return rect;
}

}  // namespace

HRESULT CBkProgress::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkWindow::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "bgskin") {
    background_.Set(value);
  } else if (name == "posskin") {
    position_.Set(value);
  } else if (name == "min") {
    min_ = static_cast<std::uint32_t>(ParseDecimal(value));
  } else if (name == "max") {
    max_ = static_cast<std::uint32_t>(ParseDecimal(value));
  } else if (name == "value") {
    value_ = static_cast<std::uint32_t>(ParseDecimal(value));
  } else if (name == "showpercent") {
    showPercent_ = ParseDecimal(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

bool CBkProgress::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT:
      Paint(reinterpret_cast<HDC>(wParam));
      break;
    case WM_NCCALCSIZE:
      if (lParam) {
        SIZE& size = *reinterpret_cast<SIZE*>(lParam);
        OnNcCalcSize(wParam != 0, size);
        if (CBkSkinBase* skin = background_.Get()) size.cy = skin->GetNaturalSize().cy;
      }
      break;
    default:
      return CBkWindow::ProcessMessage(message, wParam, lParam, result);
  }
  SetMsgHandled(true);
  return true;
}

double CBkProgress::NormalizeAndRatio() {
  if (max_ == min_) return 0.0;
  if (max_ < min_) std::swap(min_, max_);
  value_ = std::clamp(value_, min_, max_);
  return static_cast<double>(value_ - min_) / static_cast<double>(max_ - min_);
}

void CBkProgress::Paint(HDC dc) {
  if (!dc) return;
  const RECT area = GetRect();
  BeginTextPaint(dc);
  {
    // The pen is made for this paint and deleted after the saved state (with
    // the previous pen) is back in the context.
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kOutlineGrey));
    SavedDc saved(dc);
    if (pen) SelectObject(dc, pen.get());

    if (CBkSkinBase* skin = background_.Get()) {
      skin->Draw(dc, area, 0);
    } else {
      RoundRect(dc, area.left, area.top, area.right, area.bottom, kCorner, kCorner);
    }

    const double ratio = NormalizeAndRatio();
    const int percent = static_cast<int>(ratio * 100);
    wchar_t text[16] = {};
    if (showPercent_) {
      std::swprintf(text, 16, L"%d%%", percent);
      RECT whole = area;
      DrawTextW(dc, text, -1, &whole, kPercentFormat);
    }

    RECT bar = area;
    if (CBkSkinBase* skin = position_.Get()) {
      const int height = skin->GetNaturalSize().cy;
      const int inset = SaturatingSubtract(SaturatingSubtract(area.bottom, area.top), height) / 2;
      bar = RECT{SaturatingAdd(area.left, kBarInset), SaturatingAdd(area.top, inset),
                 SaturatingSubtract(area.right, kBarInset), SaturatingSubtract(area.bottom, inset)};
      bar = Part(bar, ratio);
      skin->Draw(dc, bar, 0);
    } else {
      bar = RECT{SaturatingAdd(area.left, kBarInset), SaturatingAdd(area.top, kBarInset),
                 SaturatingSubtract(area.right, kBarInset), SaturatingSubtract(area.bottom, kBarInset)};
      bar = Part(bar, ratio);
      if (bar.right > bar.left && bar.bottom > bar.top) {
        RoundRect(dc, bar.left, bar.top, bar.right, bar.bottom, kCorner, kCorner);
        // Inside the outline, which stays grey.
        FillSolidRect(dc, RECT{bar.left + 1, bar.top + 1, bar.right - 1, bar.bottom - 1}, kBarColour);
      }
    }

    if (showPercent_) {
      // The part of the text over the bar, in a colour that reads on it.
      SavedDc clipped(dc);
      IntersectClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
      const BkColor background = GetStyle().crbg;
      SetTextColor(dc, percent > 50 ? kOverBarDark : (background != kColorNotSet ? background : kOverBarLight));
      RECT whole = area;
      DrawTextW(dc, text, -1, &whole, kPercentFormat);
    }
  }
  EndTextPaint(dc);
}
