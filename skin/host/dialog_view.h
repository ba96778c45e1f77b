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

#include "skin/host/accessible_view.h"
#include "skin/host/tooltip_window.h"
#include "skin/host/view_notifications.h"
#include "skin/host/window_impl.h"
#include "skin/resources/gdi_handles.h"
#include "skin/resources/memory_bitmap.h"
#include "skin/tree/containers.h"

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
  // Clicks element `handle` as the mouse would (press and release over its
  // centre, then its link or its command); false when it is not in this view,
  // hidden or disabled.
  bool ActivateElement(BkHandle handle);

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

  // After a release over the pushed element: opens its link or reports its
  // click to the parent.
  void FinishClick(BkHandle handle);
  void NotifyParent(UINT code);
  void SendCommand(int itemId, const char* itemClass);

  // Deletes the off-screen bitmap and the context that holds it.
  void ReleaseBitmap();

  SectionSlot sections_[3];  // header, body, footer
  // The picture of the sections, painted where needed and copied on WM_PAINT.
  OffscreenBitmap bitmap_;
  BkHandle hovered_ = 0;
  BkHandle pushed_ = 0;
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
