#include "skin/host/edit_impl.h"

#include <oleacc.h>

#include "skin/host/accessible_native.h"
#include "skin/host/frame_keys.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/gdi_drawing.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/parse_util.h"

namespace {

constexpr COLORREF kHintBackground = RGB(255, 255, 255);
constexpr UINT kHintFormat = DT_SINGLELINE | DT_VCENTER;  // 0x24, left-aligned

// The system's shared I-beam: loaded on first use and kept for the run
// (shared cursors are never destroyed).
HCURSOR IBeamCursor() {
  static const HCURSOR cursor = LoadCursorW(nullptr, IDC_IBEAM);
  return cursor;
}

}  // namespace

CEditImpl::~CEditImpl() { DestroyWindow(); }

WindowClassInfo& CEditImpl::GetWindowClassInfo() const {
  static WindowClassInfo info = [] {
    WindowClassInfo edit;
    edit.className = L"TavoraSkinEdit";
    edit.superclassName = L"EDIT";
    edit.defaultStyle = kDefaultStyle;
    return edit;
  }();
  return info;
}

HWND CEditImpl::Create(HWND parent) {
  const RECT empty = {0, 0, 0, 0};
  return CWindowImplBase::Create(parent, &empty, nullptr, kCreateStyle);
}

bool CEditImpl::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // Each handler starts with the message marked handled and clears the mark
  // to let the native control process it as usual.
  bool handled = true;
  switch (message) {
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, TRUE);
      return false;
    case WM_SETCURSOR:
      result = OnSetCursor(handled);
      return handled;
    case WM_PAINT:
      result = OnPaint(handled);
      return handled;
    case WM_KEYDOWN:
      result = OnKeyDown(wParam, lParam, handled);
      return handled;
    case WM_GETOBJECT:
      // Named by the label its host draws beside it.
      return AnswerNamedClientObject(hwnd, wParam, lParam, ROLE_SYSTEM_TEXT, result);
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_KEYUP:
    case WM_SYSCHAR:
      return ForwardFrameKey(hwnd, message, wParam, lParam);
    default:
      return false;
  }
}

LRESULT CEditImpl::OnSetCursor(bool& handled) {
  const HCURSOR cursor = IBeamCursor();
  if (!cursor) {
    handled = false;
    return 0;
  }
  SetCursor(cursor);
  return 1;
}

LRESULT CEditImpl::OnPaint(bool& handled) {
  const HWND hwnd = GetHwnd();
  if (GetWindowTextLengthW(hwnd) > 0 || GetFocus() == hwnd || hintText_.empty()) {
    handled = false;
    return 0;
  }
  PaintDc paint(hwnd);
  if (paint.get()) PaintHint(paint.get());
  return 0;
}

void CEditImpl::PaintHint(HDC dc) {
  RECT client = {};
  GetClientRect(GetHwnd(), &client);
  FillSolidRect(dc, client, ContrastColour(kHintBackground, SystemColourRole::None, SystemColourRole::Window));
  const COLORREF oldColour =
      SetTextColor(dc, ContrastColour(ParseColor("969696"), SystemColourRole::None, SystemColourRole::GrayText));
  // The base font one pixel smaller (id 0xFF00), at the host view's scale.
  const HFONT font = BkFontPool::GetScaledFont(0xFF00, HostDpi(GetParent(GetHwnd())));
  const HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  DrawTextW(dc, hintText_.c_str(), static_cast<int>(hintText_.size()), &client, kHintFormat);
  if (oldFont) SelectObject(dc, oldFont);
  SetTextColor(dc, oldColour);
}

LRESULT CEditImpl::OnKeyDown(WPARAM key, LPARAM keyData, bool& handled) {
  const HWND hwnd = GetHwnd();
  if (!IsWindowEnabled(hwnd)) return 0;
  if (ForwardFrameKey(hwnd, WM_KEYDOWN, key, keyData)) return 0;
  // Shortcuts with Ctrl never reach the native control.
  if (GetKeyState(VK_CONTROL) < 0) return 0;
  if (key == VK_ESCAPE && GetWindowTextLengthW(hwnd) > 0 && GetFocus() == hwnd) {
    SetWindowTextW(hwnd, L"");
    SendMessageW(hwnd, EM_SETSEL, 0, -1);
    SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
    return 0;
  }
  if (key == VK_ESCAPE || key == VK_RETURN) {
    // The frame around the host view turns these into its own commands.
    const HWND frame = GetParent(GetParent(hwnd));
    if (frame) {
      const WORD repeatCount = LOWORD(keyData);
      const WORD flags = HIWORD(keyData);
      PostMessageW(frame, WM_KEYDOWN, key, MAKELPARAM(repeatCount, flags));
    }
    return 0;
  }
  handled = false;
  return 0;
}
