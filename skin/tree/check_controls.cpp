#include "skin/tree/check_controls.h"

#include <algorithm>

#include "skin/resources/parse_util.h"
#include "skin/resources/skin_base.h"
#include "skin/tree/host_notify.h"

namespace {

// Check-box states of the visual style's "BUTTON" class (CBS_*).
constexpr int kThemeUncheckedNormal = 1;
constexpr int kThemeCheckedNormal = 5;

// The text mode bit a check box switches off.
constexpr unsigned kBottomAligned = DT_BOTTOM;

}  // namespace

// ---- what both share ------------------------------------------------------------

bool CBkCheckBoxBase::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT: {
      const HDC dc = reinterpret_cast<HDC>(wParam);
      PaintBox(dc);
      PaintText(dc);
      break;
    }
    case WM_NCCALCSIZE:
      if (lParam) {
        SIZE& size = *reinterpret_cast<SIZE*>(lParam);
        OnNcCalcSize(wParam != 0, size);
        size.cx = SaturatingAdd(size.cx, BoxAdvance());
        size.cy = std::max<LONG>(size.cy, MinimumHeight());
      }
      break;
    case WM_LBUTTONUP:
      Toggle();
      break;
    default:
      return CBkWindow::ProcessMessage(message, wParam, lParam, result);
  }
  SetMsgHandled(true);
  return true;
}

void CBkCheckBoxBase::Toggle() {
  if (GetState() & StateChecked) {
    ChangeState(0, StateChecked);
  } else {
    ChangeState(StateChecked, 0);
  }
  AnnounceElementEvent(*this, EVENT_OBJECT_STATECHANGE);
}

void CBkCheckBoxBase::PaintText(HDC dc) {
  const RECT whole = GetRect();
  RECT beside = whole;
  beside.left = SaturatingAdd(whole.left, BoxAdvance());
  BkStyle& style = MutableStyle();
  style.textmode = (style.textmode & ~kBottomAligned) | TextModeAdded();
  SetRect(beside);
  OnPaint(dc);
  SetRect(whole);
}

void CBkCheckBoxBase::DrawButtonGlyph(HDC dc, const RECT& box, ButtonThemeHandle& theme, int themePart,
                                      UINT classicKind) const {
  const unsigned state = GetState();
  const bool checked = (state & StateChecked) != 0;
  if (HTHEME opened = theme.Open(nullptr)) {
    // Normal, hot, pressed and disabled follow each other in that order, as
    // the skin state indexes do.
    const int themeState =
        (checked ? kThemeCheckedNormal : kThemeUncheckedNormal) + ThreePieceIndex(static_cast<int>(state));
    ThemeApi::Get().DrawThemeBackground(opened, dc, themePart, themeState, &box, nullptr);
    return;
  }
  UINT flags = classicKind | DFCS_TRANSPARENT;
  if (state & StateDisabled) flags |= DFCS_INACTIVE;
  if (state & StateHover) flags |= DFCS_HOT;
  if (state & StatePushed) flags |= DFCS_PUSHED;
  if (checked) flags |= DFCS_CHECKED;
  RECT target = box;
  DrawFrameControl(dc, &target, DFC_BUTTON, flags);
}

// ---- "check" --------------------------------------------------------------------

HRESULT CBkCheckBox::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkCheckBoxBase::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name != "check") return kAttributeNotHandled;
  check_ = ParseDecimal(value);
  return kAttributeHandled;
}

void CBkCheckBox::PaintBox(HDC dc) {
  const RECT& area = GetRect();
  const RECT box = {area.left, area.top, SaturatingAdd(area.left, kBoxSize), area.bottom};
  DrawButtonGlyph(dc, box, theme_, kThemePartCheckBox, DFCS_BUTTONCHECK);
}

// ---- "checkex" ------------------------------------------------------------------

HRESULT CBkCheckBoxEx::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkCheckBoxBase::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "skin") {
    skin_.Set(value);
  } else if (name == "size") {
    boxSize_ = ParseDecimal(value);
  } else if (name == "spacing") {
    spacing_ = ParseDecimal(value);
  } else if (name == "checked") {
    if (ParseDecimal(value) != 0) Toggle();
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

int CBkCheckBoxEx::BoxAdvance() const { return SaturatingAdd(boxSize_, spacing_); }

void CBkCheckBoxEx::PaintBox(HDC dc) {
  CBkSkinBase* skin = skin_.Get();
  if (!skin) return;
  const RECT& area = GetRect();
  skin->Draw(dc, RECT{area.left, area.top, SaturatingAdd(area.left, boxSize_), area.bottom},
             static_cast<int>(GetState()));
}
