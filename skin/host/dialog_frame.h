// The skinned frame: a borderless popup whose whole area is client area,
// filled by one dialog view made from a layer document of the program's
// resources, with the layer's window styles, maximising to the monitor's work
// area, Escape and Return as Cancel and OK, and a modal run loop.
//
// A derived window handles its own messages in ProcessFrameMessage: it sees
// WM_NOTIFY first (the view's SKN_COMMAND clicks arrive there, OK and Cancel
// as items 1 and 2), WM_INITDIALOG when the window has been created, and
// WM_DPICHANGED after the frame and its view took the new scale.
//
// A layer with resize="1" makes a frame the user can resize: its edges and
// corners (a few pixels, scaled by DPI) size it, no smaller than the layer's
// size at the frame's DPI; the header's maximise button (ID_MAXIMIZE) and a
// double-click on the header's drag area maximise and restore it, and the
// button shows the "restorebtn" skin while the frame is maximised. Other
// layers keep the layer's size.
#pragma once

#include <windows.h>

#include "skin/host/dialog_view.h"
#include "skin/host/window_impl.h"
#include "skin/resources/gdi_handles.h"

class CBkDialogImpl : public CWindowImplBase {
 public:
  explicit CBkDialogImpl(unsigned layerResourceId) : layerId_(layerResourceId) {}
  ~CBkDialogImpl() override;

  // Loads the layer document into the view; a copy in the skin folder that
  // the view refuses gives way to the embedded one. False for id 0, a missing
  // resource or a refused layer.
  bool LoadLayerResource();

  // Creates the hidden frame and its view (null rectangle: an empty one at
  // 0,0, then the layer's size); null when the layer cannot be loaded or the
  // window went during WM_INITDIALOG.
  HWND Create(HWND owner, const RECT* rect = nullptr);
  using CWindowImplBase::Create;

  // Creates, shows and runs the frame until EndModal, a WM_QUIT (left in the
  // queue) or the window's end; hides and destroys it and answers the result
  // (0 when the window could not be created).
  int RunModal(HWND owner = nullptr, const RECT* rect = nullptr);
  void EndModal(int result);
  // Whether the last RunModal made its window (false before the first).
  bool ModalWindowMade() const { return modalWindowMade_; }

  // Makes the client area width x height pixels, keeping the top-left corner.
  void ResizeClient(int width, int height, bool repaint);
  // The DPI the frame shows its layer at: the monitor's when the window is
  // made, then each WM_DPICHANGED's. The layer's size is scaled by it.
  int GetDpi() const { return view_.GetDpi(); }

  CBkDialogView& GetView() { return view_; }

  // Whether the layer lets the user resize the frame (resize="1").
  bool IsResizable() const { return (view_.GetFrameStyle() & WS_THICKFRAME) != 0; }
  // The smallest client size of a resizable frame: the layer's size at the
  // frame's DPI.
  SIZE MinimumClientSize() const;
  // Maximises a restored frame and restores a maximised one; nothing for a
  // layer that may not maximise.
  void ToggleMaximize();
  // The hit-test code of the resizing edge or corner at screen point `at`
  // (HTLEFT .. HTBOTTOMRIGHT), or HTCLIENT where the frame is not resized
  // from (inside, maximised, or not resizable).
  LRESULT EdgeAt(POINT at) const;

  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  WindowClassInfo& GetWindowClassInfo() const override;

 protected:
  // The derived window's own handlers; unhandled messages go to default
  // processing.
  virtual bool ProcessFrameMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Where RunModal puts a window made without a rectangle before showing
  // it: centred on its owner, or on its screen.
  virtual void PlaceModalWindow(HWND hwnd, HWND owner);

 private:
  void SendViewCommand(int itemId);
  LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
  void OnGetMinMaxInfo(MINMAXINFO& info);
  // The header's maximise button shows what a click on it would do.
  void ShowMaximizeState();

  // Escape and Return (Cancel and OK), Tab and Shift+Tab (the focus walk),
  // Ctrl+Tab and Ctrl+number (pages); the host windows send these on.
  void OnKeyDown(WPARAM key);
  // Tab and Shift+Tab: the focus goes to the next (previous) place in the
  // view's reading order that takes it, element or native child.
  void MoveFocusOn(bool backwards);
  // Alt+letter: the view's access keys. False when no text marks the key.
  bool OnSysChar(WPARAM key);
  // Deactivation remembers the focused child; activation gives the focus
  // back to it (or to the view).
  void OnActivate(WPARAM wParam);
  // UIS_SET or UIS_CLEAR of UISF_HIDEFOCUS / UISF_HIDEACCEL: the window's UI
  // state changes, and every descendant hears WM_UPDATEUISTATE (with
  // `always`, even when nothing changed).
  void ChangeUiState(WORD action, WORD flags, bool always);
  void OnDpiChanged(int dpi, const RECT* suggested);

  unsigned layerId_;
  int modalResult_ = 0;
  CBkDialogView view_;
  bool showWhenRun_ = true;
  bool endRequested_ = false;
  bool modalWindowMade_ = false;
  // Compared with the frame's children before use, never dereferenced.
  HWND lastFocus_ = nullptr;
  WORD uiState_ = 0;         // UISF_* bits
  bool cuesAlways_ = false;  // the user's setting: focus cues and access keys always shown
  int shownMaximized_ = -1;  // the state the button last showed; -1 none yet
};

// The width of a resizable frame's sizing edge at 96 DPI.
constexpr int kResizeEdge = 5;
// The header skins of the maximise button while restored and maximised.
constexpr char kMaximizeSkin[] = "maxbtn";
constexpr char kRestoreSkin[] = "restorebtn";

// The region of a frame of width x height with a two-pixel staircase (at
// 96 DPI; scaled to `dpi`) cut off every corner.
GdiObject<HRGN> CreateCutCornerRegion(const RECT& client, int dpi = 96);

// Mixed into a skinned frame: on every size change that is neither a
// minimise nor the size it last shaped for, the window gets the cut-corner
// region; a maximised window has none (its edges are off the work area). The frame passes its messages through
// ProcessShapeMessage, which never consumes them.
class CWHRoundRectFrameHelper {
 public:
  void ProcessShapeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  int shapedWidth_ = 0;
  int shapedHeight_ = 0;
  int shapedDpi_ = 0;
};
