#include "skin/host/dialog_frame.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "skin/host/system_version.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/theme_api.h"

namespace {

// SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE.
constexpr UINT kHideFlags = 0x97;

bool DropShadowAvailable() {
  DWORD major = 0;
  DWORD minor = 0;
  if (!ReadSystemVersion(major, minor)) return false;
  return major > 5 || (major == 5 && minor > 0);
}

void CenterWindow(HWND hwnd, HWND owner) {
  RECT window = {};
  GetWindowRect(hwnd, &window);
  RECT area = {};
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) {
    GetWindowRect(owner, &area);
  } else {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    area = monitor.rcWork;
  }
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CBkDialogImpl::~CBkDialogImpl() {
  // The handlers use the view: the window goes before the members do.
  DestroyWindow();
}

WindowClassInfo& CBkDialogImpl::GetWindowClassInfo() const {
  static WindowClassInfo info = [] {
    WindowClassInfo frame;
    frame.className = L"TavoraSkinFrame";
    frame.classStyle = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | (DropShadowAvailable() ? CS_DROPSHADOW : 0);
    frame.cursor = IDC_ARROW;
    frame.background = COLOR_WINDOW + 1;
    return frame;
  }();
  return info;
}

bool CBkDialogImpl::LoadLayerResource() {
  if (layerId_ == 0) return false;
  return LoadFolderFirst([this] {
    std::string bytes;
    return LoadSkinResource(layerId_, bytes, L"xml") && view_.LoadLayer(bytes);
  });
}

HWND CBkDialogImpl::Create(HWND owner, const RECT* rect) {
  if (!view_.IsLayerLoaded() && !LoadLayerResource()) return nullptr;
  const RECT empty = {0, 0, 0, 0};
  const RECT frameRect = rect ? *rect : empty;
  const std::wstring& title = view_.GetTitle();
  // The view covers the whole client area and paints all of it: the frame
  // itself never paints under it.
  const HWND hwnd = CWindowImplBase::Create(owner, &frameRect, title.empty() ? nullptr : title.c_str(),
                                            view_.GetFrameStyle() | WS_CLIPCHILDREN, view_.GetFrameExStyle());
  if (!hwnd) return nullptr;
  ThemeApi::Get().SetWindowTheme(hwnd, L"", L"");

  // Sized to the client area once set-up has made the native windows, so
  // that its layout places them.
  RECT viewRect = empty;
  if (rect) viewRect = {0, 0, rect->right - rect->left, rect->bottom - rect->top};
  view_.SetDpi(DpiOfWindow(hwnd));
  view_.Create(hwnd, VIEW_ID, &viewRect);
  showWhenRun_ = true;

  // Focus rings and access-key underlines stay hidden until the keyboard is
  // used, as in the system's dialog boxes, unless the user asked the system
  // to show them always.
  BOOL cuesAlways = FALSE;
  SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cuesAlways, 0);
  uiState_ = 0;
  cuesAlways_ = cuesAlways != FALSE;
  ChangeUiState(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL, true);
  SendMessageW(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(hwnd), 0);
  if (!IsWindow()) return nullptr;
  view_.ShowHostedWindows();
  if (!IsWindow()) return nullptr;
  if (view_.GetLayerWidth() != 0 && view_.GetLayerHeight() != 0) {
    // A resizable frame keeps a size given to it (by the caller or at
    // WM_INITDIALOG), but never less than the layer's.
    const SIZE minimum = MinimumClientSize();
    RECT client = {};
    GetClientRect(GetHwnd(), &client);
    if (!IsResizable() || client.right <= 0 || client.bottom <= 0)
      ResizeClient(minimum.cx, minimum.cy, false);
    else if (client.right < minimum.cx || client.bottom < minimum.cy)
      ResizeClient(std::max<int>(client.right, minimum.cx), std::max<int>(client.bottom, minimum.cy), false);
  }
  if (!IsWindow()) return nullptr;
  // The system may have made the frame its smallest track size already, in
  // which case no WM_SIZE has sized the view yet.
  if (view_.IsWindow()) {
    RECT client = {};
    GetClientRect(GetHwnd(), &client);
    SetWindowPos(view_.GetHwnd(), nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!IsWindow()) return nullptr;
  ShowMaximizeState();
  return GetHwnd();
}

void CBkDialogImpl::PlaceModalWindow(HWND hwnd, HWND owner) { CenterWindow(hwnd, owner); }

int CBkDialogImpl::RunModal(HWND owner, const RECT* rect) {
  if (!owner) owner = GetActiveWindow();
  bool ownerDisabled = false;
  if (owner && owner != GetDesktopWindow() && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    ownerDisabled = true;
  }
  endRequested_ = false;
  modalWindowMade_ = Create(owner, rect) != nullptr;
  if (!modalWindowMade_) {
    if (ownerDisabled) EnableWindow(owner, TRUE);
    return 0;
  }
  const HWND hwnd = GetHwnd();
  if (!rect) PlaceModalWindow(hwnd, owner);
  if (showWhenRun_) SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE);

  MSG message = {};
  for (;;) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message == WM_QUIT) break;
    if (endRequested_ || !IsWindow()) break;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) continue;
    if (got == 0) {
      // GetMessage took the WM_QUIT: it belongs to the caller's loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }

  endRequested_ = false;
  if (IsWindow()) SetWindowPos(GetHwnd(), nullptr, 0, 0, 0, 0, kHideFlags);
  if (ownerDisabled) EnableWindow(owner, TRUE);
  if (owner && GetActiveWindow() == GetHwnd()) SetActiveWindow(owner);
  if (IsWindow()) DestroyWindow();
  return modalResult_;
}

void CBkDialogImpl::EndModal(int result) {
  modalResult_ = result;
  endRequested_ = true;
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
  // A nested loop that drops thread messages still dispatches this one.
  if (IsWindow()) PostMessageW(GetHwnd(), WM_NULL, 0, 0);
}

void CBkDialogImpl::ResizeClient(int width, int height, bool repaint) {
  if (!IsWindow()) return;
  RECT window = {};
  RECT client = {};
  GetWindowRect(GetHwnd(), &window);
  GetClientRect(GetHwnd(), &client);
  const int marginX = (window.right - window.left) - client.right;
  const int marginY = (window.bottom - window.top) - client.bottom;
  UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  if (!repaint) flags |= SWP_NOREDRAW;
  SetWindowPos(GetHwnd(), nullptr, 0, 0, width + marginX, height + marginY, flags);
}

void CBkDialogImpl::SendViewCommand(int itemId) {
  CommandNotify notify = {};
  notify.hdr.hwndFrom = GetHwnd();
  notify.hdr.idFrom = VIEW_ID;
  notify.hdr.code = SKN_COMMAND;
  notify.uItemID = itemId;
  notify.szItemClass = "";
  SendMessageW(GetHwnd(), WM_NOTIFY, VIEW_ID, reinterpret_cast<LPARAM>(&notify));
}

LRESULT CBkDialogImpl::OnNcCalcSize(WPARAM wParam, LPARAM lParam) {
  if (!wParam || !lParam) return 0;
  auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
  const WINDOWPOS* position = params->lppos;
  if (!position || (position->flags & SWP_NOSIZE)) return 0;
  int x = position->x;
  int y = position->y;
  if (position->flags & SWP_NOMOVE) {
    RECT current = {};
    GetWindowRect(GetHwnd(), &current);
    x = current.left;
    y = current.top;
  }
  const RECT whole = {x, y, x + position->cx, y + position->cy};
  params->rgrc[0] = whole;
  params->rgrc[1] = whole;
  return 0;
}

SIZE CBkDialogImpl::MinimumClientSize() const {
  return SIZE{ScaleToDpi(view_.GetLayerWidth(), GetDpi()), ScaleToDpi(view_.GetLayerHeight(), GetDpi())};
}

void CBkDialogImpl::ToggleMaximize() {
  if (!IsWindow() || !view_.IsMaximizable()) return;
  SendMessageW(GetHwnd(), WM_SYSCOMMAND, IsZoomed(GetHwnd()) ? SC_RESTORE : SC_MAXIMIZE, 0);
}

LRESULT CBkDialogImpl::EdgeAt(POINT at) const {
  const HWND hwnd = GetHwnd();
  if (!hwnd || !IsResizable() || IsZoomed(hwnd) || IsIconic(hwnd)) return HTCLIENT;
  RECT frame = {};
  if (!GetWindowRect(hwnd, &frame) || !PtInRect(&frame, at)) return HTCLIENT;
  const int edge = ScaleToDpi(kResizeEdge, GetDpi());
  // Along each side a corner reaches further than the edge is deep, so that
  // it is easy to grab.
  const int corner = 3 * edge;
  const bool left = at.x < frame.left + edge;
  const bool right = at.x >= frame.right - edge;
  const bool top = at.y < frame.top + edge;
  const bool bottom = at.y >= frame.bottom - edge;
  const bool nearLeft = at.x < frame.left + corner;
  const bool nearRight = at.x >= frame.right - corner;
  const bool nearTop = at.y < frame.top + corner;
  const bool nearBottom = at.y >= frame.bottom - corner;
  if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
  if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
  if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
  if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
  if (left) return HTLEFT;
  if (right) return HTRIGHT;
  if (top) return HTTOP;
  if (bottom) return HTBOTTOM;
  return HTCLIENT;
}

void CBkDialogImpl::ShowMaximizeState() {
  if (!IsWindow() || !view_.IsMaximizable()) return;
  const int maximized = IsZoomed(GetHwnd()) ? 1 : 0;
  if (maximized == shownMaximized_) return;
  shownMaximized_ = maximized;
  // A skin the skin document lacks leaves the button as it is.
  view_.SetElementAttribute(ID_MAXIMIZE, "skin", maximized ? kRestoreSkin : kMaximizeSkin);
}

void CBkDialogImpl::OnGetMinMaxInfo(MINMAXINFO& info) {
  if (IsResizable()) {
    // The whole window is client area.
    const SIZE minimum = MinimumClientSize();
    if (minimum.cx > 0 && minimum.cy > 0) info.ptMinTrackSize = POINT{minimum.cx, minimum.cy};
  }
  const HMONITOR monitor = MonitorFromWindow(GetHwnd(), MONITOR_DEFAULTTONULL);
  MONITORINFO details = {};
  details.cbSize = sizeof(details);
  if (!monitor || !GetMonitorInfoW(monitor, &details)) return;
  const RECT& screen = details.rcMonitor;
  const RECT& work = details.rcWork;
  info.ptMaxPosition.x = std::abs(work.left - screen.left) - 1;
  info.ptMaxPosition.y = std::abs(work.top - screen.top) - 1;
  info.ptMaxSize.x = std::abs(work.right - work.left) + 2;
  info.ptMaxSize.y = std::abs(work.bottom - work.top) + 2;
  info.ptMaxTrackSize = info.ptMaxSize;
}

void CBkDialogImpl::OnDpiChanged(int dpi, const RECT* suggested) {
  view_.SetDpi(dpi);
  if (!IsWindow()) return;
  if (suggested) {
    SetWindowPos(GetHwnd(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (view_.GetLayerWidth() != 0 && view_.GetLayerHeight() != 0) {
    ResizeClient(ScaleToDpi(view_.GetLayerWidth(), view_.GetDpi()), ScaleToDpi(view_.GetLayerHeight(), view_.GetDpi()),
                 true);
  }
}

void CBkDialogImpl::OnKeyDown(WPARAM key) {
  if (!IsWindowEnabled(GetHwnd()) || GetKeyState(VK_MENU) < 0) return;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  if (GetKeyState(VK_CONTROL) < 0) {
    if (key == VK_TAB) view_.CycleTabs(shift);
    if (key >= '1' && key <= '9') view_.SelectTabPage(static_cast<int>(key - '1'));
    return;
  }
  if (key == VK_ESCAPE) SendMessageW(GetHwnd(), WM_COMMAND, IDCANCEL, 0);
  if (key == VK_RETURN) SendMessageW(GetHwnd(), WM_COMMAND, IDOK, 0);
  if (key == VK_TAB) MoveFocusOn(shift);
}

void CBkDialogImpl::MoveFocusOn(bool backwards) { view_.MoveFocusOn(backwards); }

bool CBkDialogImpl::OnSysChar(WPARAM key) {
  if (!IsWindowEnabled(GetHwnd()) || key == L' ' || !IsCharAlphaNumericW(static_cast<wchar_t>(key))) return false;
  return view_.FocusAccessKey(static_cast<wchar_t>(key));
}

namespace {

BOOL CALLBACK SendUiState(HWND child, LPARAM wParam) {
  SendMessageW(child, WM_UPDATEUISTATE, static_cast<WPARAM>(wParam), 0);
  return TRUE;
}

}  // namespace

void CBkDialogImpl::ChangeUiState(WORD action, WORD flags, bool always) {
  flags &= UISF_HIDEFOCUS | UISF_HIDEACCEL;
  if (flags == 0 || (action != UIS_SET && action != UIS_CLEAR)) return;
  if (cuesAlways_ && action == UIS_SET) return;
  const WORD changed = action == UIS_SET ? static_cast<WORD>(uiState_ | flags) : static_cast<WORD>(uiState_ & ~flags);
  if (changed == uiState_ && !always) return;
  uiState_ = changed;
  // Every descendant hears it, as from the system's own handling.
  EnumChildWindows(GetHwnd(), SendUiState, static_cast<LPARAM>(MAKEWPARAM(action, flags)));
}

void CBkDialogImpl::OnActivate(WPARAM wParam) {
  const HWND hwnd = GetHwnd();
  if (LOWORD(wParam) == WA_INACTIVE) {
    // The window keeps where its focus was for when it is active again.
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd, focus)) lastFocus_ = focus;
    return;
  }
  if (HIWORD(wParam)) return;  // minimised: the focus comes back on restore
  const HWND focus = GetFocus();
  if (focus && IsChild(hwnd, focus)) return;
  const HWND remembered = lastFocus_;
  if (remembered && IsChild(hwnd, remembered) && IsWindowVisible(remembered) && IsWindowEnabled(remembered))
    SetFocus(remembered);
  else if (view_.IsWindow())
    SetFocus(view_.GetHwnd());
}

bool CBkDialogImpl::ProcessFrameMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool CBkDialogImpl::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  if (message == WM_NOTIFY && ProcessFrameMessage(hwnd, message, wParam, lParam, result)) return true;
  switch (message) {
    case WM_NCACTIVATE:
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_NCCALCSIZE:
      result = OnNcCalcSize(wParam, lParam);
      return true;
    case WM_NCHITTEST:
      // Reached where the view lets the hit through: the sizing edges.
      result = EdgeAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return true;
    case WM_NOTIFY:
      if (lParam && reinterpret_cast<const NMHDR*>(lParam)->idFrom == VIEW_ID &&
          reinterpret_cast<const NMHDR*>(lParam)->code == SKN_COMMAND &&
          reinterpret_cast<const CommandNotify*>(lParam)->uItemID == ID_MAXIMIZE) {
        ToggleMaximize();
        result = 1;
        return true;
      }
      break;
    case WM_GETMINMAXINFO:
      if (lParam) OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
      return true;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && view_.IsWindow()) {
        RECT client = {};
        GetClientRect(hwnd, &client);
        SetWindowPos(view_.GetHwnd(), nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        if (!IsWindow()) return true;
        ShowMaximizeState();
      }
      break;
    case WM_KEYDOWN:
      OnKeyDown(wParam);
      if (!IsWindow()) return true;
      break;
    case WM_SYSCHAR:
      if (OnSysChar(wParam)) return true;
      if (!IsWindow()) return true;
      break;
    case WM_CHANGEUISTATE:
    case WM_UPDATEUISTATE:
      // The frame keeps the UI state of its window itself: the system's
      // handling differs between versions (Wine keeps none).
      ChangeUiState(LOWORD(wParam), HIWORD(wParam), false);
      return true;
    case WM_QUERYUISTATE:
      result = uiState_;
      return true;
    case WM_ACTIVATE:
      // Instead of the default, which gives the focus to the frame itself.
      OnActivate(wParam);
      if (IsWindow()) ProcessFrameMessage(hwnd, message, wParam, lParam, result);
      result = 0;
      return true;
    case kDpiChangedMessage:
      OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      if (!IsWindow()) return true;
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      // High contrast switched, or its colours changed: everything drawn
      // with them is drawn again, the native children too.
      if (SetHighContrastScheme(ReadSystemHighContrast())) {
        view_.RedrawAll();
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (position && (position->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))
        AnnounceMenuPopup(view_, (position->flags & SWP_SHOWWINDOW) != 0);
      break;
    }
    case WM_CLOSE:
      SendMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
      return true;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        SendViewCommand(LOWORD(wParam));
        return true;
      }
      break;
    default:
      break;
  }
  return ProcessFrameMessage(hwnd, message, wParam, lParam, result);
}

GdiObject<HRGN> CreateCutCornerRegion(const RECT& client, int dpi) {
  const int height = client.bottom - client.top;
  // The staircase's rows and insets scale with the window: two pixels at 100 %.
  const int outer = ScaleToDpi(1, dpi), inner = ScaleToDpi(2, dpi);
  GdiObject<HRGN> region(CreateRectRgn(client.left, client.top + inner, client.right, client.bottom - inner));
  if (!region) return region;
  struct Band {
    int inset;
    int top;
    int bottom;
  };
  // The first rows start two pixels in, the next ones one pixel in; the
  // bottom rows mirror them.
  const Band bands[] = {{inner, 0, outer}, {outer, outer, inner}};
  for (const Band& band : bands) {
    if (band.bottom <= band.top) continue;
    GdiObject<HRGN> piece(CreateRectRgn(client.left + band.inset, client.top + band.top, client.right - band.inset,
                                        client.top + band.bottom));
    if (!piece) return GdiObject<HRGN>();
    CombineRgn(region.get(), region.get(), piece.get(), RGN_OR);
    OffsetRgn(piece.get(), 0, height - band.bottom - band.top);
    CombineRgn(region.get(), region.get(), piece.get(), RGN_OR);
  }
  return region;
}

void CWHRoundRectFrameHelper::ProcessShapeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_SIZE || wParam == SIZE_MINIMIZED) return;
  if (wParam == SIZE_MAXIMIZED) {
    SetWindowRgn(hwnd, nullptr, TRUE);
    shapedWidth_ = shapedHeight_ = shapedDpi_ = 0;
    return;
  }
  const int width = LOWORD(lParam);
  const int height = HIWORD(lParam);
  const int dpi = HostDpi(GetDlgItem(hwnd, VIEW_ID));
  if (width == shapedWidth_ && height == shapedHeight_ && dpi == shapedDpi_) return;
  RECT client = {};
  GetClientRect(hwnd, &client);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  RECT window = {};
  GetWindowRect(hwnd, &window);
  OffsetRect(&client, -window.left, -window.top);
  GdiObject<HRGN> region = CreateCutCornerRegion(client, dpi);
  if (!region) return;
  // The system owns a region it accepted.
  if (SetWindowRgn(hwnd, region.get(), FALSE)) region.release();
  shapedWidth_ = width;
  shapedHeight_ = height;
  shapedDpi_ = dpi;
}
