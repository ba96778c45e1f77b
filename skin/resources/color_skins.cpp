#include "skin/resources/color_skins.h"

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/gdi_handles.h"

namespace {

// The colour a fraction t of the way from `from` to `to`, per component.
BkColor LerpColour(BkColor from, BkColor to, double t) {
  auto mix = [t](int a, int b) { return static_cast<int>(a + (b - a) * t + 0.5); };
  return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
             mix(GetBValue(from), GetBValue(to)));
}

}  // namespace

// ---- "button" -----------------------------------------------------------------

HRESULT CBkSkinButton::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  static const struct {
    const char* name;
    BkColor CBkSkinButton::*field;
  } kColours[] = {
      {"bg", &CBkSkinButton::bg},           {"border", &CBkSkinButton::border},
      {"bgup", &CBkSkinButton::bgup},       {"bguphover", &CBkSkinButton::bguphover},
      {"bguppush", &CBkSkinButton::bguppush}, {"bgdown", &CBkSkinButton::bgdown},
      {"bgdownhover", &CBkSkinButton::bgdownhover}, {"bgdownpush", &CBkSkinButton::bgdownpush},
  };
  for (const auto& colour : kColours) {
    if (name == colour.name) {
      this->*colour.field = ParseColor(value);
      return kAttributeHandledAlternate;
    }
  }
  return kAttributeNotHandled;
}

void CBkSkinButton::Draw(HDC dc, RECT rect, int state) {
  if (!dc || IsInverted(rect)) return;
  FillSolidRect(dc, rect, bg);
  if (!(state & kSkinStateDisabled)) {
    RECT inner = {rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2};
    BkColor up = bgup, down = bgdown;
    if (state & kSkinStatePushed) {
      up = bguppush;
      down = bgdownpush;
    } else if (state & kSkinStateHover) {
      up = bguphover;
      down = bgdownhover;
    }
    GradientFillRect(dc, inner, up, down, true);
  }
  if (border == kColorNotSet) return;
  GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, border));
  if (!pen) return;
  HGDIOBJ oldPen = SelectObject(dc, pen.get());
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

// ---- "gradation" --------------------------------------------------------------

HRESULT CBkSkinGradation::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  if (name == "from") {
    from = ParseColor(value);
  } else if (name == "to") {
    to = ParseColor(value);
  } else if (name == "size") {
    size = ParseDecimal(value);
  } else if (name == "direction") {
    if (value == "horz")
      direction = Horizontal;
    else if (value == "vert")
      direction = Vertical;
    else
      return kAttributeNotHandled;
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

void CBkSkinGradation::Draw(HDC dc, RECT rect, int) {
  if (!dc || IsInverted(rect)) return;
  FillSolidRect(dc, rect, to);
  SavedDc saved(dc);
  if (!saved.ok()) return;
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  // A band longer than the rectangle is cut at the rectangle's edge, with the
  // colour the gradient has there: the same pixels, without handing the
  // platform a band of arbitrary length.
  const bool vertical = direction == Vertical;
  const long long start = vertical ? rect.top : rect.left;
  const long long extent = vertical ? RectHeight(rect) : RectWidth(rect);
  const long long length = size > 0 ? size : extent;
  BkColor end = to;
  long long shown = length;
  if (length > extent) {
    shown = extent;
    end = LerpColour(from, to, static_cast<double>(extent) / static_cast<double>(length));
  }
  RECT band = rect;
  if (vertical)
    band.bottom = static_cast<LONG>(start + shown);
  else
    band.right = static_cast<LONG>(start + shown);
  GradientFillRect(dc, band, from, end, vertical);
}
