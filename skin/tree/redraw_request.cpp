#include "skin/tree/redraw_request.h"

#include "skin/tree/bk_window.h"
#include "skin/tree/notifications.h"

bool SendRedrawRequest(const CBkWindow& element, const RECT& rect) {
  const HWND host = element.GetHostWindow();
  if (!host || !IsWindow(host) || !element.IsVisible(true)) return false;
  RedrawRectNotify notify = {};
  notify.hdr.hwndFrom = nullptr;
  notify.hdr.idFrom = static_cast<UINT_PTR>(element.GetElementId());
  notify.hdr.code = SKN_REDRAWRECT;
  notify.hbkWnd = element.GetHandle();
  notify.rect = rect;
  SendMessageW(host, WM_NOTIFY, static_cast<WPARAM>(element.GetElementId()), reinterpret_cast<LPARAM>(&notify));
  return true;
}
