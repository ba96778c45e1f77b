#include "tests/skin/tree/controls/controls_test_util.h"

#include <map>

#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/style.h"
#include "tests/support/test_support.h"

const COLORREF kSkinColour = RGB(10, 120, 200);
const COLORREF kStateColours[4] = {RGB(200, 0, 0), RGB(0, 160, 0), RGB(0, 0, 220), RGB(90, 90, 90)};

std::function<void(HWND)> onChildMoved;

namespace {

std::map<HWND, HostWindow*>& Hosts() {
  static std::map<HWND, HostWindow*> hosts;
  return hosts;
}

LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED && onChildMoved) onChildMoved(window);
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  WNDCLASSW host = {};
  host.lpfnWndProc = HostWindow::Proc;
  host.hInstance = GetModuleHandleW(nullptr);
  host.lpszClassName = L"TavoraTestHost";
  RegisterClassW(&host);
  WNDCLASSW child = {};
  child.lpfnWndProc = ChildProc;
  child.hInstance = GetModuleHandleW(nullptr);
  child.lpszClassName = L"TavoraTestChild";
  RegisterClassW(&child);
}

}  // namespace

void StateSkin::Draw(HDC dc, RECT rect, int state) {
  drawn.push_back(state);
  if (state < 0 || static_cast<size_t>(state) >= colours_.size()) return;
  HBRUSH brush = CreateSolidBrush(colours_[static_cast<size_t>(state)]);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void LoadProgramSkins() {
  // Every case starts from empty pools. The program's start-up order: strings, base font, skins, styles.
  ASSERT_TRUE(LoadStrings(102));
  BkFontPool::SetDefaultFont(GetString(0), -12);
  ASSERT_TRUE(LoadSkins(100));
  ASSERT_TRUE(LoadStyles(101));
  // The text mode a check box switches to: single line, vertically centred.
  BkStyle centred = GetStyle("");
  centred.textmode = DT_SINGLELINE | DT_VCENTER;
  BkStylePool::Instance().Styles()["test_vcenter"] = centred;
  auto& skins = BkSkinPool::Instance().Skins();
  skins["test48x24"] = std::make_unique<StateSkin>(SIZE{48, 24}, std::vector<COLORREF>{kSkinColour});
  skins["test4states"] = std::make_unique<StateSkin>(
      SIZE{20, 10}, std::vector<COLORREF>(std::begin(kStateColours), std::end(kStateColours)));
}

StateSkin* TestSkin(const char* name) { return dynamic_cast<StateSkin*>(GetSkin(name)); }

bool Paint(CBkWindow& element, HDC dc) { return element.PaintInRegion(dc, nullptr); }

std::vector<COLORREF> AreaPixels(const DibCanvas& canvas, const RECT& area) {
  std::vector<COLORREF> pixels;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) pixels.push_back(canvas.Pixel(x, y));
  }
  return pixels;
}

bool SaveCanvasBmp(const DibCanvas& canvas, const std::wstring& path) {
  const int width = canvas.width();
  const int height = canvas.height();
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;  // bottom-up rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(stride * height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
  for (int y = height - 1; y >= 0; --y) {
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < width; ++x) {
      const COLORREF colour = canvas.Pixel(x, y);
      row[static_cast<size_t>(x * 3)] = static_cast<char>(GetBValue(colour));
      row[static_cast<size_t>(x * 3 + 1)] = static_cast<char>(GetGValue(colour));
      row[static_cast<size_t>(x * 3 + 2)] = static_cast<char>(GetRValue(colour));
    }
    bytes += row;
  }
  return WriteFileBytes(path, bytes);
}

HostWindow::HostWindow(int controlId) {
  RegisterClasses();
  // A top-level window has no control id of its own; it gets one so that the
  // sender id of the notifications can be checked.
  hwnd_ = CreateWindowExW(0, L"TavoraTestHost", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_ID, controlId);
    Hosts()[hwnd_] = this;
  }
}

HostWindow::~HostWindow() {
  if (!hwnd_) return;
  Hosts().erase(hwnd_);
  DestroyWindow(hwnd_);
}

HWND HostWindow::AddChild(int id, const wchar_t* className, bool visible) {
  const DWORD style = WS_CHILD | WS_BORDER | (visible ? WS_VISIBLE : 0);
  return CreateWindowExW(0, className, L"", style, 0, 0, 10, 10, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

LRESULT CALLBACK HostWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    auto found = Hosts().find(window);
    if (header && header->code == SKN_REALWNDRESIZED && found != Hosts().end()) {
      const RealWndResizedNotify record = *reinterpret_cast<const RealWndResizedNotify*>(lParam);
      HostWindow* host = found->second;
      host->notifications.push_back(record);
      if (host->onNotify) host->onNotify(record);
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

RECT ChildRect(HWND child) {
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}
