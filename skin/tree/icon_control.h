// The icon ("icon"): an icon of the program's resources (or, with `oem`, a
// system icon) drawn scaled into the element's rectangle. The header of the
// main window shows program icon 101 with it.
#pragma once

#include "skin/resources/icon_holder.h"
#include "skin/tree/bk_window.h"

class CBkIconWnd : public CBkWindow {
 public:
  static constexpr const char* kTag = "icon";
  // Icons are loaded at most this many pixels wide and high, whatever `size`
  // says: the loader allocates a bitmap of the requested size.
  static constexpr int kMaxLoadSize = 256;
  // Rectangles wider or higher than this draw nothing: the icon drawing
  // makes a bitmap of the target's size.
  static constexpr int kMaxDrawSize = 2048;

  const char* GetTag() const override { return kTag; }
  // The element part; the icon is made at its first use. Making an icon
  // costs more than building the rest of a window header.
  bool Load(const TiXmlElement* element) override;
  // Adds "src", "oem" and "size".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // The icon loaded for the source named at its first use (or at the last
  // paint); made here when nothing has been loaded yet.
  HICON Icon() const;
  int Source() const { return src_; }
  int Size() const { return size_; }

 private:
  // Releases the icon held and loads the one `src` names now.
  void ReloadIcon(int dpi) const;

  // Loaded on demand, also from the const accessor.
  mutable IconHolder icon_;
  int src_ = -1;
  mutable int loadedDpi_ = 96;  // the scale the icon was loaded for
  mutable int loadedId_ = -1;
  mutable bool loaded_ = false;
  int size_ = 16;
  int oem_ = 0;
};
