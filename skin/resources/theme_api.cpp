#include "skin/resources/theme_api.h"

#include <mutex>

namespace {

std::mutex& CreationLock() {
  static std::mutex lock;
  return lock;
}

ThemeApi* instance = nullptr;

template <typename Proc>
Proc Lookup(HMODULE library, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

ThemeApi::ThemeApi(HMODULE library) {
  if (!library) return;
  libraryPresent_ = true;
  openThemeData_ = Lookup<OpenThemeDataProc>(library, "OpenThemeData");
  closeThemeData_ = Lookup<CloseThemeDataProc>(library, "CloseThemeData");
  drawThemeBackground_ = Lookup<DrawThemeBackgroundProc>(library, "DrawThemeBackground");
  setWindowTheme_ = Lookup<SetWindowThemeProc>(library, "SetWindowTheme");
}

const ThemeApi& ThemeApi::Get() {
  std::lock_guard<std::mutex> guard(CreationLock());
  // Lives until Rebind: the entry points stay valid because a module loaded
  // by someone else is not unloaded while the program runs.
  if (!instance) instance = new ThemeApi(GetModuleHandleW(L"uxtheme.dll"));
  return *instance;
}

void ThemeApi::Rebind() {
  std::lock_guard<std::mutex> guard(CreationLock());
  delete instance;
  instance = nullptr;
}

void ThemeApi::BindTo(HMODULE library) {
  std::lock_guard<std::mutex> guard(CreationLock());
  delete instance;
  instance = new ThemeApi(library);
}

HTHEME ThemeApi::OpenThemeData(HWND window, LPCWSTR classList) const {
  return openThemeData_ ? openThemeData_(window, classList) : nullptr;
}

HRESULT ThemeApi::CloseThemeData(HTHEME theme) const {
  return closeThemeData_ ? closeThemeData_(theme) : E_NOTIMPL;
}

HRESULT ThemeApi::DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                      const RECT* clipRect) const {
  return drawThemeBackground_ ? drawThemeBackground_(theme, dc, partId, stateId, rect, clipRect) : E_NOTIMPL;
}

HRESULT ThemeApi::SetWindowTheme(HWND window, LPCWSTR subAppName, LPCWSTR subIdList) const {
  return setWindowTheme_ ? setWindowTheme_(window, subAppName, subIdList) : E_NOTIMPL;
}

HTHEME ButtonThemeHandle::Open(HWND window) {
  if (!theme_) {
    static const wchar_t* const kClassNames[] = {L"BUTTON"};
    theme_ = ThemeApi::Get().OpenThemeData(window, kClassNames[0]);
  }
  return theme_;
}

void ButtonThemeHandle::Close() {
  if (!theme_) return;
  ThemeApi::Get().CloseThemeData(theme_);
  theme_ = nullptr;
}
