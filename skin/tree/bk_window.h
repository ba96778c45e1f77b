// The element: one light-weight, drawn piece of a skinned window, made from
// one XML element of a skin document. It has a rectangle in its host window's
// client area, a style, a text and state flags; its host (a real window)
// paints it into a device context and feeds it window-style messages.
#pragma once

#include <windows.h>

#include <string>

#include "skin/resources/bk_object.h"
#include "skin/resources/skin_base.h"
#include "skin/resources/style.h"
#include "skin/tree/position.h"
#include "skin/tree/window_registry.h"

// Element state flags. The skin state index derived from them is 3 disabled,
// 2 pushed, 1 hover, 0 normal.
// The bits skins read are the skins' own flags.
enum BkStateFlags : unsigned {
  StateHover = kSkinStateHover,
  StatePushed = kSkinStatePushed,
  StateChecked = kSkinStateChecked,
  StateHidden = 8,
  StateDisabled = kSkinStateDisabled,
};

// How an element's width and height are decided.
enum BkSizeMode {
  SizeFixed,  // a number was given ("width"/"height")
  SizeAuto,   // from content (text or skin), or from a "pos" expression
  SizeFull,   // fills the box the parent offers
};

// Layout flag bits: width mode, height mode and float.
enum BkLayoutFlags : unsigned {
  WidthFixed = 1,
  WidthAuto = 2,
  WidthFull = 4,
  HeightFixed = 16,
  HeightAuto = 32,
  HeightFull = 64,
  NotFloat = 256,
  Float = 512,
};

enum BkVAlign { VAlignTop = 0, VAlignMiddle = 4096, VAlignBottom = 8192 };
enum BkAlign { AlignLeft = 0, AlignCenter = 16384, AlignRight = 32768 };

// Element documents nest at most this deep, dialog files included: no
// recursion over a tree (painting, hit testing, layout, search, destruction)
// goes deeper than what was loaded.
constexpr int kMaxElementDepth = 256;

class CBkWindow : public CBkObject {
 public:
  CBkWindow();
  ~CBkWindow() override;
  CBkWindow(const CBkWindow&) = delete;
  CBkWindow& operator=(const CBkWindow&) = delete;

  // ---- CBkObject
  const char* GetTag() const override;
  // Text, attributes, then "show", "width", "height" and "float" (see the
  // .cpp). False for a null element.
  bool Load(const TiXmlElement* element) override;
  // "class", "id", "crbg", "crtext", "font", "href", "tip", "name", "role",
  // "valign", "align", "pos", "transparent" and "tabstop"; anything else is
  // not handled.
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

  // ---- the element's own virtual operations
  // Sets the mouse cursor to the style's system cursor.
  virtual void SetCursor();
  // Stores the host window the element draws into.
  virtual void SetHostWindow(HWND host);
  // Its own handle when (x, y) lies in rect (left and top inclusive), else 0.
  virtual BkHandle HitTest(int x, int y, int flag);
  // True when another state draws different pixels: a skin that is not
  // stateless, or a hover colour, hover font or hover background.
  virtual bool LooksDifferentByState() const;
  virtual bool IsContainer() const { return false; }
  // Paints background and content when `region` (null: everything) meets
  // rect; false when it does not.
  virtual bool PaintInRegion(HDC dc, HRGN region);
  // The message dispatcher: each class handles its own messages and passes
  // the rest to its base; the base reports every message as handled. The
  // handler stores its answer in `result`.
  virtual bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Shows or hides the native windows this element or its descendants host
  // ("realwnd" elements). `show` already includes every ancestor's
  // visibility. Elements without native windows do nothing.
  virtual void ShowHostedWindows(bool show);

  // ---- accessors
  BkHandle GetHandle() const { return handle_; }
  BkHandle GetParent() const { return parent_; }
  CBkWindow* GetParentElement() const { return LookupElement(parent_); }
  void SetParent(BkHandle parent) { parent_ = parent; }
  HWND GetHostWindow() const { return container_; }
  int GetElementId() const { return id_; }
  const RECT& GetRect() const { return rect_; }
  unsigned GetState() const { return state_; }
  unsigned GetLayoutFlags() const { return layoutFlags_; }
  BkSizeMode WidthMode() const;
  BkSizeMode HeightMode() const;
  bool IsFloat() const { return (layoutFlags_ & Float) != 0; }
  bool IsTransparent() const { return transparent_ != 0; }
  const BkStyle& GetStyle() const { return style_; }
  const std::wstring& GetText() const { return text_; }
  void SetText(std::wstring text) { text_ = std::move(text); }
  const std::wstring& GetHref() const { return href_; }
  const std::wstring& GetTip() const { return tip_; }
  // What assistive technology calls the element ("name", UTF-8) and the kind
  // of thing it is when its tag does not say ("role": "status" for a status
  // line); both empty unless the document gives them.
  const std::wstring& GetAccessibleName() const { return accName_; }
  const std::string& GetAccessibleRole() const { return accRole_; }
  int GetVAlign() const { return valign_; }
  int GetAlign() const { return align_; }
  const PosExpression& GetPos() const { return pos_; }
  int FixedWidth() const { return fixedWidth_; }
  int FixedHeight() const { return fixedHeight_; }
  // "tabstop": 1 takes the element into the keyboard walk, 0 leaves it out,
  // -1 (no attribute) lets its kind decide (focus_order.h).
  int TabStopSetting() const { return tabStop_; }
  // Depth below the root of its tree (a root is 0).
  int Depth() const;

  // state := (state | add) & ~remove; answers the old state. Does not repaint.
  unsigned ChangeState(unsigned add, unsigned remove);
  void SetVisible(bool visible);
  // Not hidden; with `deep`, every ancestor is visible too.
  bool IsVisible(bool deep) const;
  // Disabled; with `deep`, also when an ancestor is.
  bool IsDisabled(bool deep) const;
  // Clears the handled flag, dispatches, and answers the handler's result.
  LRESULT SendElementMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Moves rect directly, without a message (line alignment of a panel).
  void MoveRect(const RECT& rect) { rect_ = rect; }

  // ---- painting pieces, used by containers and controls
  void DrawBackground(HDC dc);
  // Prepares `dc` for this element's text and remembers what it changed;
  // EndTextPaint restores exactly that.
  void BeginTextPaint(HDC dc);
  void EndTextPaint(HDC dc);
  // rect shrunk by the style's margins.
  RECT TextRect() const;
  // The font text is measured with: the element's own, else the nearest
  // ancestor's, else the base font.
  HFONT MeasuringFont() const;

 protected:
  // Handlers of the base messages, for derived classes that extend them.
  void OnPaint(HDC dc);
  // Places the element at the record's (x, y) and sizes it from its modes
  // and natural size, with the record's (cx, cy) as the offered box.
  void OnWindowPosChanged(const WINDOWPOS& position);
  // Natural size: from four pos items, else the measured text.
  void OnNcCalcSize(bool useOffered, SIZE& size);
  // Measures `text` as OnNcCalcSize does (margins included).
  SIZE MeasureText(bool useOffered, SIZE offered) const;
  // Marks the message being dispatched as consumed.
  void SetMsgHandled(bool handled) { handled_ = handled; }
  bool IsMsgHandled() const { return handled_; }

  BkStyle& MutableStyle() { return style_; }
  void SetRect(const RECT& rect) { rect_ = rect; }

 private:
  // What BeginTextPaint changed in the device context.
  struct TextPaintState {
    HFONT oldFont = nullptr;
    bool fontChanged = false;
    COLORREF oldTextColor = 0;
    bool textColorChanged = false;
    int oldBkMode = 0;
    bool bkModeChanged = false;
    COLORREF oldBkColor = 0;
    bool bkColorChanged = false;
  };

  // The nearest ancestor for which `test` is true, or null. The walk goes
  // through the parent handles and stops after kMaxElementDepth steps and a
  // little more, even if handles ever formed a loop.
  template <typename Test>
  const CBkWindow* FindAncestor(Test test) const {
    int steps = 0;
    for (const CBkWindow* up = GetParentElement(); up && steps <= kMaxElementDepth + 8; up = up->GetParentElement()) {
      if (test(*up)) return up;
      ++steps;
    }
    return nullptr;
  }

  void ReadSize(const TiXmlElement* element, const char* attribute, unsigned fixed, unsigned automatic,
                unsigned full, int& fixedValue, LONG& edge);

  BkHandle handle_ = 0;
  BkHandle parent_ = 0;
  HWND container_ = nullptr;
  int id_ = 0;
  RECT rect_ = {0, 0, 0, 0};
  unsigned layoutFlags_ = 0;
  BkStyle style_;
  std::wstring text_;
  int fixedWidth_ = 0;
  int fixedHeight_ = 0;
  unsigned state_ = 0;
  int valign_ = VAlignTop;
  int align_ = AlignLeft;
  std::wstring href_;
  int transparent_ = 0;
  std::wstring tip_;
  std::wstring accName_;
  std::string accRole_;
  PosExpression pos_;
  bool handled_ = false;
  int tabStop_ = -1;
  TextPaintState textPaint_;
};

// Places `element` the way a parent does: WM_WINDOWPOSCHANGED with the
// position record (x, y) and the offered box (cx, cy).
void PlaceElement(CBkWindow& element, int x, int y, int cx, int cy);

// Sends `message` to the element `handle` if it still exists; 0 otherwise.
LRESULT SendToElement(BkHandle handle, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
