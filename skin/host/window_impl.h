// The window glue: a C++ object bound to one native window.
//
// A class of windows is described by a WindowClassInfo, registered on first
// use, either as a class of its own or as a superclass of an existing one (the
// existing class's procedure then handles what the object does not). The
// object gets every message of its window through ProcessWindowMessage, from
// the very first one (before WM_NCCREATE for top-level windows), and an
// existing window of any class can be bound by subclassing.
//
// Ownership: the object owns its window. Its destructor detaches the window
// (later messages go straight to the class's own procedure) and destroys it.
// A derived class whose handlers must see its window's end destroys the
// window in its own destructor, while its handlers still exist.
#pragma once

#include <windows.h>

struct WindowClassInfo {
  const wchar_t* className = nullptr;
  // Null: a class of its own, with the fields below. Otherwise the name of an
  // existing class to superclass: its style, cursor and brush are kept.
  const wchar_t* superclassName = nullptr;
  UINT classStyle = 0;
  const wchar_t* cursor = IDC_ARROW;  // system cursor id; null for none
  int background = 0;                 // COLOR_xxx + 1; 0 for none
  DWORD defaultStyle = 0;             // used when Create is given style 0
  DWORD defaultExStyle = 0;

  // Filled in by registration.
  ATOM atom = 0;
  WNDPROC superProc = nullptr;
};

class CWindowImplBase {
 public:
  CWindowImplBase() = default;
  virtual ~CWindowImplBase();
  CWindowImplBase(const CWindowImplBase&) = delete;
  CWindowImplBase& operator=(const CWindowImplBase&) = delete;

  HWND GetHwnd() const { return hwnd_; }
  bool IsWindow() const { return hwnd_ && ::IsWindow(hwnd_); }

  // Creates a window of this object's class bound to this object. Style 0
  // takes the class's default style and extended style. A null rectangle
  // means the system's default position and size. Fails (null) when the
  // object already has a window or the class cannot be registered.
  HWND Create(HWND parent, const RECT* rect, const wchar_t* text = nullptr, DWORD style = 0, DWORD exStyle = 0,
              UINT_PTR idOrMenu = 0);

  // Binds an existing window that has no object: its procedure is replaced by
  // ours and kept for everything the object does not handle.
  bool SubclassWindow(HWND hwnd);
  // Gives a subclassed window back its own procedure; null when this object
  // holds no subclassed window or someone subclassed it after us.
  HWND UnsubclassWindow();

  // Destroys the window; its last messages still reach the object.
  bool DestroyWindow();

  // The class's own (or the subclassed window's original) procedure.
  LRESULT DefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // Handles one message: answers true when handled, with `result` set.
  // Unhandled messages go to DefaultWindowProc.
  virtual bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

  // Called once the window is gone and no handler of this object is running
  // any more; the binding is already cleared. An object may delete itself here.
  virtual void OnFinalMessage(HWND hwnd);

  // The class description; one static instance per window class.
  virtual WindowClassInfo& GetWindowClassInfo() const = 0;

 private:
  static LRESULT CALLBACK ClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK StartWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SubclassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static bool RegisterWindowClass(WindowClassInfo& info);
  static LRESULT UnboundMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Bind(HWND hwnd, WNDPROC superProc, bool subclassed);
  void Unbind();

  HWND hwnd_ = nullptr;
  WNDPROC superProc_ = nullptr;
  bool subclassed_ = false;
  int messageDepth_ = 0;
  bool finalPending_ = false;
};

// BeginPaint and EndPaint around one paint message.
class PaintDc {
 public:
  explicit PaintDc(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
  ~PaintDc() {
    if (dc_) EndPaint(hwnd_, &paint_);
  }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  HDC get() const { return dc_; }
  const PAINTSTRUCT& Paint() const { return paint_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// Sends a message that a parent receives about one of its child controls
// (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_DELETEITEM,
// WM_COMPAREITEM, WM_PARENTNOTIFY, WM_CTLCOLOR*, WM_VSCROLL, WM_HSCROLL,
// WM_VKEYTOITEM, WM_CHARTOITEM) back to that control as message + 0x2000.
// False when the message concerns no child window of `parent`.
bool ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

constexpr UINT kReflectedMessageBase = 0x2000;
