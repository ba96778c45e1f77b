// Example: the main layer run modally in a skinned frame, with the three
// station edits and an empty result list placed by its "realwnd" elements.
// The close button and Escape end it; the minimise button minimises it.
//
//   view_example.exe [--capture picture.bmp]
//
// With --capture the window is copied into a 24-bit BMP file once it has
// painted, and the program ends (exit code 0 when the file was written).
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "skin/host/dialog_frame.h"
#include "skin/host/edit_impl.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/style.h"

namespace {

constexpr unsigned kMainLayer = 103;
constexpr UINT_PTR kCaptureTimer = 1;
constexpr int kEditIds[] = {2220, 2230, 2240};
constexpr int kListId = 2100;

bool WriteBitmapFile(const std::wstring& path, HWND hwnd) {
  RECT client = {};
  GetClientRect(hwnd, &client);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;  // no alpha byte for viewers to misread
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject<HBITMAP> picture(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!picture || !bits) return false;
  {
    MemoryDc memory;
    if (!memory.Select(picture.get())) return false;
    HDC windowDc = GetDC(hwnd);
    if (!windowDc) return false;
    const BOOL copied = BitBlt(memory.get(), 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, windowDc);
    if (!copied) return false;
  }
  GdiFlush();
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD imageBytes = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + imageBytes;
  UniqueKernelHandle out(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return false;
  DWORD written = 0;
  return WriteFile(out.get(), &file, sizeof(file), &written, nullptr) &&
         WriteFile(out.get(), &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
         WriteFile(out.get(), bits, imageBytes, &written, nullptr) && written == imageBytes;
}

class ExampleFrame : public CBkDialogImpl, public CWHRoundRectFrameHelper {
 public:
  explicit ExampleFrame(std::wstring capturePath) : CBkDialogImpl(kMainLayer), capturePath_(std::move(capturePath)) {}
  ~ExampleFrame() override { DestroyWindow(); }

  bool Captured() const { return captured_; }

 protected:
  bool ProcessFrameMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    ProcessShapeMessage(hwnd, message, wParam, lParam);
    switch (message) {
      case WM_INITDIALOG:
        CreateChildren();
        if (!capturePath_.empty()) SetTimer(hwnd, kCaptureTimer, 500, nullptr);
        return true;
      case WM_TIMER:
        if (wParam != kCaptureTimer) return false;
        KillTimer(hwnd, kCaptureTimer);
        captured_ = WriteBitmapFile(capturePath_, hwnd);
        EndModal(0);
        return true;
      case WM_NOTIFY:
        return OnNotify(lParam, result);
      default:
        return false;
    }
  }

 private:
  void CreateChildren() {
    const HWND view = GetView().GetHwnd();
    const wchar_t* const hints[] = {L"\x51FA\x53D1\x7AD9", L"\x5230\x8FBE\x7AD9", L"2012-01-20"};
    for (size_t i = 0; i < edits_.size(); ++i) {
      edits_[i] = std::make_unique<CEditImpl>();
      const HWND edit = edits_[i]->Create(view);
      if (!edit) continue;
      SetWindowLongPtrW(edit, GWLP_ID, kEditIds[i]);
      edits_[i]->SetHintText(hints[i]);
      SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(BkFontPool::GetFont(0)), FALSE);
    }
    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT | LVS_NOCOLUMNHEADER, 0, 0, 0, 0, view,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), GetModuleHandleW(nullptr), nullptr);
  }

  bool OnNotify(LPARAM lParam, LRESULT& result) {
    const auto* notify = reinterpret_cast<const CommandNotify*>(lParam);
    if (!notify || notify->hdr.idFrom != VIEW_ID || notify->hdr.code != SKN_COMMAND) return false;
    result = 0;
    if (notify->uItemID == IDCANCEL || notify->uItemID == ID_CLOSE) EndModal(0);
    if (notify->uItemID == ID_MINIMIZE) SendMessageW(GetHwnd(), WM_SYSCOMMAND, SC_MINIMIZE + 2, 0);
    return true;
  }

  std::wstring capturePath_;
  bool captured_ = false;
  std::array<std::unique_ptr<CEditImpl>, 3> edits_;
  HWND list_ = nullptr;  // a child of the view: destroyed with it
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring capture;
  for (int i = 1; argv && i + 1 < argc; ++i) {
    if (std::wstring(argv[i]) == L"--capture") capture = argv[i + 1];
  }
  LocalFree(argv);

  SetSkinFolder(L"");
  if (!LoadStrings(102)) return 2;
  BkFontPool::SetDefaultFont(GetString(0), -12);
  if (!LoadSkins(100) || !LoadStyles(101)) return 2;

  ExampleFrame frame(capture);
  frame.RunModal(nullptr);
  if (!capture.empty() && !frame.Captured()) return 1;
  return 0;
}
