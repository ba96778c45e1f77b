// Theme entry points, bound at run time: the visual-style library is used only
// when something else has already loaded it into the process, never loaded
// for our sake. Without it every wrapper answers as "not implemented" and the
// callers draw the classic look.
#pragma once

#include <windows.h>
#include <uxtheme.h>

class ThemeApi {
 public:
  // The process-wide instance, bound on first use under a lock; a second
  // caller waits for the binding and gets the same instance.
  static const ThemeApi& Get();
  // Binds the entry points again at the next Get (the theme library may have
  // been loaded or unloaded since). Themes opened through the old binding
  // must be closed first, and no reference from Get may be kept across it.
  static void Rebind();
  // Binds the entry points of `library` (null: none, as on a system without
  // the theme library) until the next Rebind, whatever the process has
  // loaded. The same conditions as for Rebind hold.
  static void BindTo(HMODULE library);

  // Whether "uxtheme.dll" was loaded when the instance was bound.
  bool LibraryPresent() const { return libraryPresent_; }

  // Null when the entry point is missing.
  HTHEME OpenThemeData(HWND window, LPCWSTR classList) const;
  // E_NOTIMPL when the entry point is missing, else the entry point's result.
  HRESULT CloseThemeData(HTHEME theme) const;
  HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                              const RECT* clipRect) const;
  HRESULT SetWindowTheme(HWND window, LPCWSTR subAppName, LPCWSTR subIdList) const;

  ThemeApi(const ThemeApi&) = delete;
  ThemeApi& operator=(const ThemeApi&) = delete;

 private:
  explicit ThemeApi(HMODULE library);

  using OpenThemeDataProc = HTHEME(WINAPI*)(HWND, LPCWSTR);
  using CloseThemeDataProc = HRESULT(WINAPI*)(HTHEME);
  using DrawThemeBackgroundProc = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
  using SetWindowThemeProc = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

  bool libraryPresent_ = false;
  OpenThemeDataProc openThemeData_ = nullptr;
  CloseThemeDataProc closeThemeData_ = nullptr;
  DrawThemeBackgroundProc drawThemeBackground_ = nullptr;
  SetWindowThemeProc setWindowTheme_ = nullptr;
};

// Theme parts of the "BUTTON" class that the check box and radio elements draw.
constexpr int kThemePartRadioButton = 2;  // BP_RADIOBUTTON
constexpr int kThemePartCheckBox = 3;     // BP_CHECKBOX

// The "BUTTON" theme data of one themed check box or radio element: opened on
// first use, kept while held, closed when the holder goes away.
class ButtonThemeHandle {
 public:
  ButtonThemeHandle() = default;
  ~ButtonThemeHandle() { Close(); }
  ButtonThemeHandle(const ButtonThemeHandle&) = delete;
  ButtonThemeHandle& operator=(const ButtonThemeHandle&) = delete;

  // The held handle, or a newly opened one for `window`; null without themes.
  HTHEME Open(HWND window);
  HTHEME get() const { return theme_; }
  void Close();

 private:
  HTHEME theme_ = nullptr;
};
