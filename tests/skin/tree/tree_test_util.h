// Shared pieces of the element tree tests: loading elements from XML text,
// placing them, owning trees the way a host does, and small element classes
// that expose or record what the tests look at.
#pragma once

#include <gtest/gtest.h>
#include <tinyxml.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/tree/bk_window.h"
#include "skin/tree/containers.h"

// Deletes a root element after sending it WM_DESTROY, as a host does.
struct DestroyElement {
  void operator()(CBkWindow* element) const {
    if (!element) return;
    element->SendElementMessage(WM_DESTROY);
    delete element;
  }
};
template <typename T>
using ElementPtr = std::unique_ptr<T, DestroyElement>;

// Parses `xml` as a skin document (ParseSkinDocument); ADD_FAILURE when it
// does not parse.
std::unique_ptr<TiXmlDocument> ParseXml(const std::string& xml);

// A new T loaded from the root element of `xml`; `loaded` receives Load's answer.
template <typename T = CBkDialog>
ElementPtr<T> LoadElement(const std::string& xml, bool* loaded = nullptr, HWND host = nullptr) {
  ElementPtr<T> element(new T);
  std::unique_ptr<TiXmlDocument> document = ParseXml(xml);
  if (host) element->SetHostWindow(host);
  const bool ok = document && element->Load(document->RootElement());
  if (loaded) *loaded = ok;
  return element;
}

// A dialog loaded from `xml` and placed at (0, 0) in a width x height area;
// without a "pos" of its own it fills the area, as the host's sections do.
ElementPtr<CBkDialog> LayOut(const std::string& xml, int width, int height, HWND host = nullptr);

// The rectangle is exactly (left, top, right, bottom).
::testing::AssertionResult RectIs(const RECT& rect, long left, long top, long right, long bottom);

// The index-th child (0-based) of `panel` whose tag is `tag`, or null. Lets a
// test name the dialogs of a document whose other tags may not be built.
CBkWindow* NthChildWithTag(const CBkWindow* panel, const char* tag, size_t index);
// The element, as a panel; null when it is none.
CBkPanel* AsPanel(CBkWindow* element);

// Element `handle` is `ancestor` or lies below it.
bool IsSelfOrDescendant(BkHandle handle, const CBkWindow* ancestor);

// A dialog that takes children built in code.
class TestDialog : public CBkDialog {
 public:
  // Makes `child` a child of this dialog (parent and host window set first).
  template <typename T>
  T* Adopt(std::unique_ptr<T> child) {
    T* raw = child.get();
    child->SetParent(GetHandle());
    child->SetHostWindow(GetHostWindow());
    AppendChild(std::move(child));
    return raw;
  }
};

// A leaf element that records every message it is sent.
class RecordingElement : public CBkWindow {
 public:
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  int Count(UINT message) const;
  std::vector<UINT> messages;
  std::vector<LPARAM> lParams;
};

// A leaf element loaded from the root element of `xml` (text, attributes).
std::unique_ptr<RecordingElement> LoadLeaf(const std::string& xml);
