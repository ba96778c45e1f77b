// A pop-up menu of the page, by default the list's right-click menu: a small
// pop-up window whose view holds the skin library's own "menus" element
// (layer 107, or the layer it is made with). A click on an item closes
// the menu and hands its index to the owner; a click elsewhere, Escape or
// another window taking the focus closes it without a choice.
#pragma once

#include <windows.h>

#include <functional>

#include "skin/host/dialog_view.h"
#include "skin/host/window_impl.h"

class CRowMenu : public CWindowImplBase {
 public:
  static constexpr unsigned kMenuLayer = 107;
  // The items, in the layer's order.
  enum Item { kCopy = 0, kCopyAll = 1, kExport = 2 };

  explicit CRowMenu(unsigned layer = kMenuLayer) : layer_(layer) {}
  ~CRowMenu() override;

  // Shows the menu with its top-left corner at `screen` (kept on that
  // monitor), owned by `owner`. `chosen` runs with the item's index after
  // the menu has closed. False when the menu could not be made.
  bool Show(HWND owner, POINT screen, std::function<void(int)> chosen);
  void Close();
  bool IsShown() const;

  CBkDialogView& GetView() { return view_; }
  const CBkDialogView& GetView() const { return view_; }

  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  WindowClassInfo& GetWindowClassInfo() const override;

 private:
  unsigned layer_;
  CBkDialogView view_;
  std::function<void(int)> chosen_;
};
