#include "skin/tree/host_notify.h"

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

void SendResizedNotice(HWND host, int id, const RECT& rect) {
  if (!host || !IsWindow(host)) return;
  RealWndResizedNotify notify = {};
  notify.hdr.hwndFrom = host;
  notify.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(host));
  notify.hdr.code = SKN_REALWNDRESIZED;
  notify.id = id;
  notify.rect = rect;
  SendMessageW(host, WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify));
}

void SendCommandFromHost(HWND host, int itemId, const char* itemClass) {
  if (!host || !IsWindow(host)) return;
  const HWND parent = GetParent(host);
  if (!parent) return;
  CommandNotify notify = {};
  notify.hdr.hwndFrom = host;
  notify.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(host));
  notify.hdr.code = SKN_COMMAND;
  notify.uItemID = itemId;
  notify.szItemClass = itemClass ? itemClass : "";
  SendMessageW(parent, WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify));
}

void AnnounceElementEvent(const CBkWindow& element, DWORD event) {
  const HWND host = element.GetHostWindow();
  if (host && IsWindow(host)) NotifyWinEvent(event, host, OBJID_CLIENT, static_cast<LONG>(element.GetHandle()));
}
