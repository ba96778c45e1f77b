// Shared pieces of the control tests: the program's skins, styles and strings,
// test skins that say which state they were drawn with, elements loaded from
// XML text and owned the way a host owns them, a real host window that
// records the notifications it receives, and pixel comparisons.
#pragma once

#include <gtest/gtest.h>
#include <tinyxml.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/resources/skin_base.h"
#include "skin/tree/bk_window.h"
#include "skin/tree/containers.h"
#include "skin/tree/notifications.h"
#include "tests/skin/tree/tree_test_util.h"
#include "tests/support/dib_canvas.h"

// Loads strings 102, the base font (string 0, height -12), skins 100 and
// styles 101 of the program (and the test skins below); each case that needs
// them calls it, since every case starts from empty pools.
void LoadProgramSkins();

// A skin of a fixed natural size that fills its rectangle with colours[state]
// (nothing for a state outside the list) and remembers the states it was
// drawn with.
class StateSkin : public CBkSkinBase {
 public:
  StateSkin(SIZE natural, std::vector<COLORREF> colours) : natural_(natural), colours_(std::move(colours)) {}
  void Draw(HDC dc, RECT rect, int state) override;
  SIZE GetNaturalSize() const override { return natural_; }
  bool IsStateless() const override { return colours_.size() < 2; }

  std::vector<int> drawn;

 private:
  SIZE natural_;
  std::vector<COLORREF> colours_;
};

// Test style "test_vcenter": the default style with the text mode
// DT_SINGLELINE | DT_VCENTER.
// Test skins in the pool after LoadProgramSkins:
//   "test48x24": 48 x 24, one colour (kSkinColour);
//   "test4states": 20 x 10, colours kStateColours[0..3] for states 0..3.
extern const COLORREF kSkinColour;
extern const COLORREF kStateColours[4];
StateSkin* TestSkin(const char* name);

// A new T loaded from the root element of `xml`, with `host` as its host
// window; null when the text does not parse.
template <typename T>
ElementPtr<T> LoadAs(const std::string& xml, HWND host = nullptr) {
  std::unique_ptr<TiXmlDocument> document = ParseXml(xml);
  if (!document) return nullptr;
  ElementPtr<T> element(new T);
  element->SetHostWindow(host);
  element->Load(document->RootElement());
  return element;
}

// The first element of `root`'s tree with `id`, as T (null when missing or of
// another class).
template <typename T>
T* Find(CBkDialog& root, int id) {
  return dynamic_cast<T*>(root.FindElementById(id));
}

// Replaces every state flag of `element` with `state`, as a host's hover,
// press and release changes would leave it.
inline void SetState(CBkWindow& element, unsigned state) {
  element.ChangeState(0, ~0u);
  element.ChangeState(state, 0);
}

// Paints `element` as its parent would and answers what PaintInRegion did.
bool Paint(CBkWindow& element, HDC dc);

// Pixels of the w x h area at (x, y) of a canvas, row by row.
std::vector<COLORREF> AreaPixels(const DibCanvas& canvas, const RECT& area);

// Writes the canvas as a 24-bit BMP file; false when it cannot be written.
bool SaveCanvasBmp(const DibCanvas& canvas, const std::wstring& path);

// A real, hidden top-level window used as the host of an element tree. It
// records every SKN_REALWNDRESIZED record it is sent and runs `onNotify`
// (when set) for each.
class HostWindow {
 public:
  explicit HostWindow(int controlId = 1000);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  // A native child of class `className` ("EDIT", "STATIC" or the test's own
  // "TavoraTestChild") with control id `id`, visible unless `visible` is false.
  HWND AddChild(int id, const wchar_t* className = L"EDIT", bool visible = true);

  std::vector<RealWndResizedNotify> notifications;
  std::function<void(const RealWndResizedNotify&)> onNotify;

  // The window procedure of the host class.
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  HWND hwnd_ = nullptr;
};

// Runs for WM_WINDOWPOSCHANGED of every "TavoraTestChild" window.
extern std::function<void(HWND)> onChildMoved;

// The child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);
