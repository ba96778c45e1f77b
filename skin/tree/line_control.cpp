#include "skin/tree/line_control.h"

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/gdi_handles.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/parse_util.h"

namespace {

struct PenStyleWord {
  const char* word;
  int style;
};

const PenStyleWord kPenStyles[] = {
    {"solid", PS_SOLID}, {"dash", PS_DASH}, {"dot", PS_DOT}, {"dashdot", PS_DASHDOT}, {"dashdotdot", PS_DASHDOTDOT},
};

}  // namespace

HRESULT CBkLine::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkWindow::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "size") {
    lineWidth_ = ParseDecimal(value);
    return kAttributeHandled;
  }
  if (name == "style") {
    for (const PenStyleWord& entry : kPenStyles) {
      if (value == entry.word) {
        penStyle_ = entry.style;
        return kAttributeHandled;
      }
    }
  }
  return kAttributeNotHandled;
}

bool CBkLine::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_PAINT) return CBkWindow::ProcessMessage(message, wParam, lParam, result);
  PaintLine(reinterpret_cast<HDC>(wParam));
  SetMsgHandled(true);
  return true;
}

void CBkLine::PaintLine(HDC dc) const {
  // Without a colour there is nothing to draw the line in.
  const BkStyle& style = GetStyle();
  if (!dc || style.crbg == kColorNotSet) return;
  const COLORREF colour = ContrastColour(style.crbg, style.hcBackground, SystemColourRole::WindowText);
  // A negative width is no width: the thinnest line.
  GdiObject<HPEN> pen(CreatePen(penStyle_, lineWidth_ > 0 ? lineWidth_ : 0, colour));
  if (!pen) return;
  // The saved state is restored first, which selects the previous pen back
  // before the owner deletes this one.
  SavedDc saved(dc);
  if (!saved.ok() || !SelectObject(dc, pen.get())) return;
  const RECT& area = GetRect();
  MoveToEx(dc, area.left, area.top, nullptr);
  LineTo(dc, area.right, area.bottom);
}
