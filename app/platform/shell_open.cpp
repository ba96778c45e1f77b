#include "app/platform/shell_open.h"

#include <windows.h>
// After windows.h, which they need.
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <string_view>

namespace {

// Releases a COM interface when it goes.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (pointer_) pointer_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  Interface** out() { return &pointer_; }
  void** outVoid() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

// COM for this thread while the object lives, when the thread had none.
class ComApartment {
 public:
  ComApartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

bool ProcessIsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  const bool read = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) != FALSE;
  CloseHandle(token);
  // Unknown counts as elevated: nothing is then started with our rights.
  return !read || elevation.TokenIsElevated != 0;
}

bool OpenThroughDesktopShell(const std::wstring& url) {
  ComApartment apartment;
  ComPtr<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.outVoid())))
    return false;
  VARIANT none;
  VariantInit(&none);
  long desktopWindow = 0;
  ComPtr<IDispatch> desktop;
  if (windows->FindWindowSW(&none, &none, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH, desktop.out()) != S_OK ||
      !desktop.get())
    return false;
  ComPtr<IServiceProvider> services;
  ComPtr<IShellBrowser> browser;
  ComPtr<IShellView> view;
  ComPtr<IDispatch> background;
  ComPtr<IShellFolderViewDual> folderView;
  ComPtr<IDispatch> application;
  ComPtr<IShellDispatch2> shell;
  if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.outVoid())) ||
      FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.outVoid())) ||
      FAILED(browser->QueryActiveShellView(view.out())) ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.outVoid())) ||
      FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.outVoid())) ||
      FAILED(folderView->get_Application(application.out())) ||
      FAILED(application->QueryInterface(IID_IShellDispatch2, shell.outVoid())))
    return false;
  BSTR file = SysAllocString(url.c_str());
  if (!file) return false;
  const HRESULT opened = shell->ShellExecute(file, none, none, none, none);
  SysFreeString(file);
  return SUCCEEDED(opened);
}

}  // namespace

bool IsOpenableUrl(const std::wstring& url) {
  const std::wstring_view text(url);
  const bool scheme = text.rfind(L"http://", 0) == 0 || text.rfind(L"https://", 0) == 0;
  if (!scheme || text.size() > 2000) return false;
  for (const wchar_t c : text) {
    if (c <= L' ' || c >= 0x7F || c == L'"' || c == L'\'' || c == L'`') return false;
  }
  return true;
}

bool OpenUrlAsDesktopUser(const std::wstring& url) {
  if (!IsOpenableUrl(url)) return false;
  if (OpenThroughDesktopShell(url)) return true;
  if (ProcessIsElevated()) return false;
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}
