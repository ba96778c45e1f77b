// What assistive technology sees of a dialog view: one IAccessible for the
// view's client area whose children are the meaningful elements of its tree
// in reading order (buttons, check and radio boxes, texts, links, the tab
// control, menus and the native windows of "realwnd" elements), each by its
// BkHandle as child id. Containers are flattened; the tab control and a menu
// are objects of their own whose children are the pages' heads and the
// items. Events (NotifyWinEvent) name elements the same way: the view's
// window, OBJID_CLIENT and the element's handle.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "skin/host/accessible_object.h"
#include "skin/tree/window_registry.h"

class CBkDialogView;
class CBkWindow;

// The view's side: answers WM_GETOBJECT with the view's object (made on the
// first question) and carries out default actions, which the object posts to
// the view so that a client's call never waits for what a click starts.
// When the view's window goes, every object made for it is cut off.
class CAccessibleViewRoot {
 public:
  explicit CAccessibleViewRoot(CBkDialogView& view);
  ~CAccessibleViewRoot();
  CAccessibleViewRoot(const CAccessibleViewRoot&) = delete;
  CAccessibleViewRoot& operator=(const CAccessibleViewRoot&) = delete;

  // WM_GETOBJECT; false when the request is not for the client area.
  bool OnGetObject(WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The posted default action of element wParam (of a rich text: of its
  // link lParam - 1).
  void OnDefaultAction(WPARAM wParam, LPARAM lParam);
  // The view's window is going: objects clients still hold answer
  // RPC_E_DISCONNECTED from now on.
  void Disconnect();

  // The message a default action is posted to the view with.
  static UINT ActionMessage();

  // What the view's objects share: the view while its window lives.
  struct Link;

 private:
  std::shared_ptr<Link> link_;
  ComRef<IAccessible> root_;
};

// The name a native child of the view carries: the "name" attribute of its
// "realwnd" element, else the text element left of it in the same container
// (without its colon); empty when the view has no such element.
std::wstring AccessibleNameOfNativeChild(CBkDialogView& view, HWND child);

// Tells assistive technology that the view's menu (when its layer holds one)
// opened or closed.
void AnnounceMenuPopup(CBkDialogView& view, bool shown);
