#include "skin/host/window_impl.h"

#include <vector>

#include "skin/host/app_module.h"

namespace {

// The object whose window is being created on this thread; the window's first
// message binds it, whatever that message is.
thread_local CWindowImplBase* t_creating = nullptr;

// A subclassed window belongs to someone else, so its extra bytes and user
// data are not ours: the object is found through this property instead.
constexpr wchar_t kObjectProperty[] = L"TavoraWindowObject";

HINSTANCE ModuleInstance() {
  const CAppModule* module = CurrentAppModule();
  return module && module->IsInitialized() ? module->GetModuleInstance() : GetModuleHandleW(nullptr);
}

// Every class we register keeps the object pointer in its last extra-bytes
// slot, after whatever a superclassed class keeps there.
int ObjectSlot(HWND hwnd) {
  return static_cast<int>(GetClassLongPtrW(hwnd, GCL_CBWNDEXTRA)) - static_cast<int>(sizeof(LONG_PTR));
}

std::vector<WindowClassInfo*>& RegisteredClasses() {
  static std::vector<WindowClassInfo*> classes;
  return classes;
}

}  // namespace

CWindowImplBase::~CWindowImplBase() {
  if (!hwnd_) return;
  const HWND hwnd = hwnd_;
  Unbind();
  ::DestroyWindow(hwnd);
}

bool CWindowImplBase::RegisterWindowClass(WindowClassInfo& info) {
  if (info.atom) return true;
  if (!info.className) return false;
  const HINSTANCE instance = ModuleInstance();
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  WNDPROC superProc = DefWindowProcW;
  if (info.superclassName) {
    if (!GetClassInfoExW(instance, info.superclassName, &wc) && !GetClassInfoExW(nullptr, info.superclassName, &wc))
      return false;
    superProc = wc.lpfnWndProc;
    wc.style &= ~CS_GLOBALCLASS;
  } else {
    wc.style = info.classStyle;
    wc.hCursor = info.cursor ? LoadCursorW(nullptr, info.cursor) : nullptr;
    wc.hbrBackground = info.background ? reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(info.background)) : nullptr;
  }
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ClassWindowProc;
  wc.cbWndExtra += sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.lpszClassName = info.className;
  wc.lpszMenuName = nullptr;
  const ATOM atom = RegisterClassExW(&wc);
  if (!atom) return false;
  info.superProc = superProc;
  info.atom = atom;
  RegisteredClasses().push_back(&info);
  return true;
}

HWND CWindowImplBase::Create(HWND parent, const RECT* rect, const wchar_t* text, DWORD style, DWORD exStyle,
                             UINT_PTR idOrMenu) {
  if (hwnd_) return nullptr;
  WindowClassInfo& info = GetWindowClassInfo();
  if (!RegisterWindowClass(info)) return nullptr;
  if (style == 0) style = info.defaultStyle;
  if (exStyle == 0) exStyle = info.defaultExStyle;
  const int x = rect ? rect->left : CW_USEDEFAULT;
  const int y = rect ? rect->top : CW_USEDEFAULT;
  const int width = rect ? rect->right - rect->left : CW_USEDEFAULT;
  const int height = rect ? rect->bottom - rect->top : CW_USEDEFAULT;

  CWindowImplBase* const outer = t_creating;
  t_creating = this;
  const HWND hwnd = CreateWindowExW(exStyle, MAKEINTATOM(info.atom), text ? text : L"", style, x, y, width, height,
                                    parent, reinterpret_cast<HMENU>(idOrMenu), ModuleInstance(), nullptr);
  t_creating = outer;
  // A window that failed during creation has already had its final message,
  // which may have deleted this object: only a live window lets us look.
  return hwnd ? hwnd_ : nullptr;
}

bool CWindowImplBase::SubclassWindow(HWND hwnd) {
  if (hwnd_ || !hwnd || !::IsWindow(hwnd) || GetPropW(hwnd, kObjectProperty)) return false;
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == ClassWindowProc) return false;
  if (!SetPropW(hwnd, kObjectProperty, this)) return false;
  const auto previous =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassWindowProc)));
  if (!previous) {
    RemovePropW(hwnd, kObjectProperty);
    return false;
  }
  Bind(hwnd, previous, true);
  return true;
}

HWND CWindowImplBase::UnsubclassWindow() {
  if (!hwnd_ || !subclassed_) return nullptr;
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd_, GWLP_WNDPROC)) != SubclassWindowProc) return nullptr;
  const HWND hwnd = hwnd_;
  Unbind();
  return hwnd;
}

bool CWindowImplBase::DestroyWindow() {
  const HWND hwnd = hwnd_;
  // The final message may delete this object: nothing of it is used after.
  return hwnd && ::DestroyWindow(hwnd) != FALSE;
}

LRESULT CWindowImplBase::DefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!hwnd_ || !superProc_) return 0;
  return CallWindowProcW(superProc_, hwnd_, message, wParam, lParam);
}

void CWindowImplBase::OnFinalMessage(HWND) {}

void CWindowImplBase::Bind(HWND hwnd, WNDPROC superProc, bool subclassed) {
  hwnd_ = hwnd;
  superProc_ = superProc;
  subclassed_ = subclassed;
  if (!subclassed) SetWindowLongPtrW(hwnd, ObjectSlot(hwnd), reinterpret_cast<LONG_PTR>(this));
}

void CWindowImplBase::Unbind() {
  const HWND hwnd = hwnd_;
  if (!hwnd) return;
  if (subclassed_) {
    RemovePropW(hwnd, kObjectProperty);
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == SubclassWindowProc)
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProc_));
  } else {
    SetWindowLongPtrW(hwnd, ObjectSlot(hwnd), 0);
  }
  hwnd_ = nullptr;
  subclassed_ = false;
}

LRESULT CWindowImplBase::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC superProc = superProc_;
  ++messageDepth_;
  LRESULT result = 0;
  if (!ProcessWindowMessage(hwnd, message, wParam, lParam, result))
    result = CallWindowProcW(superProc, hwnd, message, wParam, lParam);
  --messageDepth_;
  if (message == WM_NCDESTROY && hwnd_ == hwnd) {
    Unbind();
    finalPending_ = true;
  }
  // A window destroyed from inside one of its handlers gets its final call
  // once that handler has returned, so no handler runs on a deleted object.
  if (finalPending_ && messageDepth_ == 0) {
    finalPending_ = false;
    OnFinalMessage(hwnd);
  }
  return result;
}

LRESULT CWindowImplBase::UnboundMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const ATOM atom = static_cast<ATOM>(GetClassWord(hwnd, GCW_ATOM));
  for (const WindowClassInfo* info : RegisteredClasses()) {
    if (info->atom == atom) return CallWindowProcW(info->superProc, hwnd, message, wParam, lParam);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindowImplBase::ClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CWindowImplBase*>(GetWindowLongPtrW(hwnd, ObjectSlot(hwnd)));
  if (!self) {
    CWindowImplBase* const creating = t_creating;
    if (!creating || creating->hwnd_ ||
        creating->GetWindowClassInfo().atom != static_cast<ATOM>(GetClassWord(hwnd, GCW_ATOM)))
      return UnboundMessage(hwnd, message, wParam, lParam);
    t_creating = nullptr;
    self = creating;
    self->Bind(hwnd, self->GetWindowClassInfo().superProc, false);
  }
  return self->Dispatch(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindowImplBase::SubclassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CWindowImplBase*>(GetPropW(hwnd, kObjectProperty));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->Dispatch(hwnd, message, wParam, lParam);
}

bool ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  HWND child = nullptr;
  switch (message) {
    case WM_COMMAND:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      child = reinterpret_cast<HWND>(lParam);
      break;
    case WM_NOTIFY:
      if (lParam) child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
      break;
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY)
        child = reinterpret_cast<HWND>(lParam);
      else
        child = GetDlgItem(parent, HIWORD(wParam));
      break;
    case WM_DRAWITEM:
      if (lParam && reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->CtlType != ODT_MENU)
        child = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
      break;
    case WM_MEASUREITEM:
      if (lParam && reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlType != ODT_MENU)
        child = GetDlgItem(parent, reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID);
      break;
    case WM_COMPAREITEM:
      if (lParam) child = reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
      break;
    case WM_DELETEITEM:
      if (lParam) child = reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem;
      break;
    default:
      break;
  }
  if (!child || !IsChild(parent, child)) return false;
  result = SendMessageW(child, message + kReflectedMessageBase, wParam, lParam);
  return true;
}
