// The dialog view: the real child window in which one layer document lives.
// It owns the three sections (header, body, footer), lays them out when its
// size changes, paints them double-buffered through a bitmap of its own,
// turns mouse input into element states and element messages, and reports
// clicks on elements to its parent as SKN_COMMAND notifications. The native
// children that "realwnd" elements place are its children too; their
// notifications go on to its parent.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "skin/host/accessible_view.h"
#include "skin/host/tooltip_window.h"
#include "skin/host/view_notifications.h"
#include "skin/host/window_impl.h"
#include "skin/resources/gdi_handles.h"
#include "skin/resources/memory_bitmap.h"
#include "skin/tree/containers.h"
#include "skin/tree/focus_order.h"

class CBkDialogView : public CWindowImplBase {
 public:
  // WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP.
  static constexpr DWORD kStyle = 0x52010000;
  // WS_POPUP | WS_SYSMENU: the frame style before the layer's attributes.
  static constexpr DWORD kBaseFrameStyle = 0x80080000;

  CBkDialogView() = default;
  ~CBkDialogView() override;

  // Parses a layer document (UTF-8). False when it does not parse, its root
  // is not "layer", or it and the documents it includes pass the bounds of
  // one load (load_budget.h): the sections are then empty.
  bool LoadLayer(const std::string& xml);
  bool IsLayerLoaded() const { return layerLoaded_; }

  // The child window with control id `id` over `rect` (null: empty), its
  // tooltip, and the sections bound to it.
  HWND Create(HWND parent, UINT id = VIEW_ID, const RECT* rect = nullptr);
  using CWindowImplBase::Create;

  // The first element with this id: header, then body, then footer.
  CBkWindow* FindElement(int id);
  const CBkWindow* FindElement(int id) const { return const_cast<CBkDialogView*>(this)->FindElement(id); }
  // The by-id operations: false when no element has the id.
  bool SetElementVisible(int id, bool visible);
  bool SetElementAttribute(int id, const std::string& name, const std::string& value);
  bool SetElementIntAttribute(int id, const std::string& name, int value);
  bool SetElementText(int id, const std::wstring& text);

  void RedrawElement(const CBkWindow* element, bool onlyIfVisible);
  // Adds `rect` to the area repainted at the next paint.
  void RedrawRect(const RECT& rect);
  void RedrawAll();

  // Shows or hides the native windows of "realwnd" elements by visibility.
  void ShowHostedWindows();

  const std::wstring& GetTitle() const { return title_; }
  int GetLayerWidth() const { return width_; }
  int GetLayerHeight() const { return height_; }
  DWORD GetFrameStyle() const { return frameStyle_; }
  DWORD GetFrameExStyle() const { return frameExStyle_; }
  bool IsMaximizable() const { return maximizable_; }
  HWND GetTooltip() const { return tooltip_.GetHwnd(); }
  BkHandle GetHoveredElement() const { return hovered_; }
  BkHandle GetPushedElement() const { return pushed_; }

  // ---- keyboard focus among the elements
  // The element that holds the focus within the view: 0 when a native child
  // or nothing has it. It is kept while the window is inactive or a pop-up
  // has the focus, so the focus comes back to it with the view's.
  BkHandle GetFocusedElement() const { return focused_; }
  // Within a focused rich text, the index of the focused link; -1 otherwise.
  int GetFocusedLink() const { return focused_ ? focusedLink_ : -1; }
  // Gives the focus to element `handle` (focusable, shown and enabled) and
  // the window focus to the view; 0 lets the element go. Announces the
  // element to assistive technology (EVENT_OBJECT_FOCUS, child id = the
  // handle). False when the element cannot take the focus.
  bool SetFocusedElement(BkHandle handle, int link = -1);
  // Every place the focus can go, in the layer's reading order: header,
  // body, footer.
  std::vector<FocusStop> FocusStops() const;
  // Tab and Shift+Tab: the focus goes to the next (previous) stop after the
  // focused element or native child, wrapping around. False without stops.
  bool MoveFocusOn(bool backwards);
  // Alt+`key`: the focus goes to the element whose text marks `key` with
  // '&', or to the first stop after a label that marks it; a check box,
  // radio box or button reached so is pressed too, as a dialog box does.
  // False when no text marks the key.
  bool FocusAccessKey(wchar_t key);
  // Ctrl+Tab and Ctrl+number: the first shown tab control selects the page
  // after (before) its selected one, or page `index` (through SelectTab,
  // so its owner hears of it). False when nothing changed.
  bool CycleTabs(bool backwards);
  bool SelectTabPage(int index);
  // Acts as a click on the element: check boxes toggle, links open their
  // address, and elements with an id report SKN_COMMAND.
  void PressElement(BkHandle handle);

  // Section access for code that walks a whole tree (0 header, 1 body, 2 footer).
  CBkDialog* Section(int index);

  // Paints the sections (where needed) and copies the picture to `dc`.
  void PaintTo(HDC dc);

  // The DPI the view shows its layer at: the layer is laid out in 96-DPI
  // units over the client area divided by the scale and painted through a
  // transform of it. A change lays the layer out again and repaints it.
  void SetDpi(int dpi);
  int GetDpi() const { return dpi_; }

  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  WindowClassInfo& GetWindowClassInfo() const override;

 private:
  struct SectionSlot {
    CBkDialog dialog;
    bool present = false;
  };

  void ClearSections();
  bool LoadSection(SectionSlot& slot, const TiXmlElement* xml, const char* posFormat);
  void CreateTooltip();
  void DestroyTooltip();
  void RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam);
  void SetTooltipText(const std::wstring& text);

  void OnSize();
  void Layout(int width, int height);
  void RepaintSections();
  BkHandle HitTestSections(int x, int y, bool headerOnly);
  // The header element at (x, y) when it is not a button, image button or
  // link (the places that drag the frame); 0 otherwise.
  BkHandle DragAreaAt(int x, int y);
  // Sets or clears state bits of the element and repaints it when that shows.
  void ChangeElementState(BkHandle handle, unsigned add, unsigned remove);

  // A mouse message's client point in the layer's 96-DPI units.
  LPARAM ToLayerPoint(LPARAM lParam) const;

  void OnMouseMove(WPARAM wParam, LPARAM lParam);
  void OnMouseLeave();
  void OnLButtonDown(WPARAM wParam, LPARAM lParam);
  void OnLButtonUp(WPARAM wParam, LPARAM lParam);
  void OnLButtonDblClk(LPARAM lParam);
  void OnCaptureChanged();
  void OnSetCursor();
  LRESULT OnNotify(WPARAM wParam, LPARAM lParam);
  bool OnKeyDown(WPARAM key, LPARAM keyData);
  void OnSetFocus();
  void OnKillFocus(HWND next);
  void OnUpdateUiState(WORD action, WORD flags);
  // Where the focus ring of `element` lies, in layer units (the selected
  // head for a tab control), grown by the ring's width.
  RECT FocusRingArea(const CBkWindow& element) const;
  void RedrawFocusRing(BkHandle handle);
  // Draws the ring around the focused element when the view has the window
  // focus and the UI state shows focus cues; `dc` is in pixels.
  void PaintFocusRing(HDC dc);
  // The first visible tab control of the sections, or null.
  class CBkTabCtrl* FirstTabControl();
  // Asks the top-level window to show focus cues (a key was used).
  void ShowFocusCues();
  // A page change keeps where the focus was on the page left, and gives the
  // page shown the focus it had (after the change, through a posted message).
  void RememberPageFocus(int index);
  void RestorePageFocus(int index);

  // What a click on the element reports: its address opened, or SKN_COMMAND
  // for an element with an id.
  void ReportClick(BkHandle handle);
  void NotifyParent(UINT code);
  void SendCommand(int itemId, const char* itemClass);

  // Deletes the off-screen bitmap and the context that holds it.
  void ReleaseBitmap();

  SectionSlot sections_[3];  // header, body, footer
  // The picture of the sections, painted where needed and copied on WM_PAINT.
  OffscreenBitmap bitmap_;
  BkHandle hovered_ = 0;
  BkHandle pushed_ = 0;
  BkHandle focused_ = 0;
  int focusedLink_ = -1;
  // Per page index of the first tab control: where the focus was. The window
  // is compared with the view's children before use, never dereferenced.
  struct PageFocus {
    BkHandle element = 0;
    HWND native = nullptr;
  };
  std::vector<PageFocus> pageFocus_;
  // Arrow keys on the focused heads change the page and leave the focus there.
  bool keepFocusOnTabs_ = false;
  WORD uiState_ = 0;  // UISF_* bits, as the top-level window last said
  bool trackingLeave_ = false;
  std::wstring title_;
  int width_ = 0;
  int height_ = 0;
  DWORD frameStyle_ = kBaseFrameStyle;
  DWORD frameExStyle_ = 0;
  bool maximizable_ = false;
  bool layerLoaded_ = false;
  bool repaintNeeded_ = false;
  bool fullRepaintPending_ = true;
  CTooltipWindow tooltip_;  // destroyed when the view's window goes, or with its owner
  int dpi_ = 96;
  // The area to repaint: in layer units (which elements to paint) and in
  // pixels (the clip). At a scale between whole numbers the layer region
  // covers every unit of each pixel, so that an element sharing a pixel with
  // a repainted one is painted again too.
  GdiObject<HRGN> pendingRegion_;
  GdiObject<HRGN> pendingPixels_;
  // What assistive technology is answered; cut off when the window goes.
  CAccessibleViewRoot accessible_{*this};
};
