// Vertical menus that follow the mouse. "menus" stacks "menu" items of one
// height; "menusex" magnifies the active item and, less, its neighbours. Both
// highlight the hovered item with a selection skin, move a small image button
// (an "imgbtn" described by string 15) to the active item, and post a click to
// the host's parent as WM_LBUTTONUP with the item's index.
#pragma once

#include <memory>
#include <string>

#include "skin/tree/basic_controls.h"
#include "skin/tree/containers.h"
#include "skin/tree/skin_reference.h"

// One item: rich-text children (other tags are ignored) and an optional icon
// square at its left.
class CBkMenu : public CBkPanel {
 public:
  static constexpr const char* kTag = "menu";

  const char* GetTag() const override { return kTag; }
  // The element part, then only "richtext" children, each filling the item.
  bool Load(const TiXmlElement* element) override;
  // Adds "iconskin", "hasicon", "margin-x", "margin-y" and "margin".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  // The item takes the mouse as a whole: its own handle inside it.
  BkHandle HitTest(int x, int y, int flag) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  CBkSkinBase* IconSkin() const { return iconSkin_.Get(); }
  bool HasIcon() const { return hasIcon_ != 0; }
  int MarginX() const { return marginX_; }
  int MarginY() const { return marginY_; }

 private:
  void PlaceTexts();

  BkSkinReference iconSkin_;
  int hasIcon_ = 0;
  int marginX_ = 0;
  int marginY_ = 0;
};

// What both menu containers share: items, hover and active index, selection
// skin, border and the selection button.
class CBkMenuCtrlT : public CBkPanel {
 public:
  // Item heights are kept within 0..kMaxItemHeight.
  static constexpr int kMaxItemHeight = 4096;
  // The selection button's width, and the height it is centred for.
  static constexpr int kButtonWidth = 30;
  static constexpr int kButtonHeight = 20;
  // String id of the selection button's XML fragment.
  static constexpr int kButtonStringId = 15;

  // The element part, the "menu" items (other tags are ignored), then the
  // selection button from string 15 (none when it is missing or not XML).
  bool Load(const TiXmlElement* element) override;
  // Adds "selskin", "itemheight" and "crborder".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void SetHostWindow(HWND host) override;
  // Outside the control: nothing. On the selection button: the button. In
  // the hovered item: what the item answers. Elsewhere inside: the control.
  BkHandle HitTest(int x, int y, int flag) override;
  bool PaintInRegion(HDC dc, HRGN region) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  size_t ItemCount() const { return ChildCount(); }
  // Item `index`, or null for an index outside the list (-1 included).
  CBkMenu* ItemAt(int index) const;
  int HoverIndex() const { return hover_; }
  int ActiveIndex() const { return active_; }
  // Highlights item `index` as hovering it would (the keyboard's choice in a
  // list the mouse may also point into); -1 highlights none.
  void SetHoverIndex(int index);
  int ItemHeight() const { return itemHeight_; }
  BkColor BorderColour() const { return crBorder_; }
  CBkSkinBase* SelectionSkin() const { return selSkin_.Get(); }
  CBkImageBtnWnd* SelectionButton() const { return button_.get(); }

 protected:
  // Stacks the items from the control's top with `active` as the active
  // item (-1: none) and answers their total height.
  virtual int LayOutItems(int active) = 0;
  // Gives the selection button item `index`'s id (index + 1) and its place at
  // the right edge of the item's area.
  void PlaceSelectionButton(int index, const RECT& item);
  // Clamps a height attribute into 0..kMaxItemHeight.
  static int ItemHeightOf(int height);

 private:
  void OnMenuPosChanged(const WINDOWPOS& position);
  void SendHeightNotice(int total);
  void OnMenuMouseMove(int x, int y);
  // The highlighted item has the menu's focus, for assistive technology.
  void AnnounceHoveredItem() const;
  void OnMenuButtonDown(int x, int y);
  int ItemIndexAt(int x, int y) const;
  void LoadSelectionButton();

  BkSkinReference selSkin_;
  BkColor crBorder_ = kColorNotSet;
  std::unique_ptr<CBkImageBtnWnd> button_;
  int hover_ = 0;
  int active_ = 0;
  int itemHeight_ = 20;
  int lastTotal_ = 0;
};

// "menus": every item `itemheight` high.
class CBkMenuCtrl : public CBkMenuCtrlT {
 public:
  static constexpr const char* kTag = "menus";
  const char* GetTag() const override { return kTag; }

 protected:
  int LayOutItems(int active) override;
};

// "menusex": the active item `active` high, its neighbours `float`, the others
// `normal`; the neighbours' texts take style class "menu_text_float", all
// others "menu_text_normal".
class CBkMenuCtrlEx : public CBkMenuCtrlT {
 public:
  static constexpr const char* kTag = "menusex";
  const char* GetTag() const override { return kTag; }
  // Adds "heights": normal, float and active, comma-separated; parts that are
  // missing keep their values.
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

  int NormalHeight() const { return normalHeight_; }
  int FloatHeight() const { return floatHeight_; }
  int ActiveHeight() const { return activeHeight_; }

 protected:
  int LayOutItems(int active) override;

 private:
  int normalHeight_ = 20;
  int floatHeight_ = 26;
  int activeHeight_ = 32;
};
