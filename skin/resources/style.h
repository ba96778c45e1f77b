// Style classes: named bundles of colours, text format, fonts, margins,
// cursor and skin names, defined in the style document (root "style",
// children <class name="..." .../>) and copied into elements.
#pragma once

#include "skin/resources/bk_object.h"
#include "skin/resources/parse_util.h"

#include <windows.h>

#include <map>
#include <string>

// System cursor ids a style can name.
constexpr int kCursorArrow = 32512;
constexpr int kCursorIBeam = 32513;
constexpr int kCursorHand = 32649;

// A value: copying copies every field. Fonts belong to BkFontPool and are
// only referred to.
class BkStyle : public CBkObject {
 public:
  static constexpr const char* kTag = "style";

  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

  BkColor crbg = kColorNotSet;        // background
  BkColor crbghover = kColorNotSet;   // background while hovered
  BkColor crtext = kColorNotSet;      // text
  BkColor crhover = kColorNotSet;     // text while hovered
  BkColor crdisabled = 0xCCCCCC;      // text while disabled
  BkColor crfocus = kColorNotSet;     // the keyboard focus ring (unset: the text colour)
  unsigned textmode = 0x28;           // DrawText flags: single line, bottom
  HFONT font = nullptr;
  HFONT hoverfont = nullptr;
  int xMargin = 0;                    // "x-margin"
  int yMargin = 0;                    // "y-margin"
  int spacing = 0;
  int linespacing = 20;
  int cursor = kCursorArrow;          // system cursor id
  std::string skin;                   // background skin name
  std::string border;                 // skin painted over the background
  std::string name;                   // the class's own name
};

// The process-wide style classes, by exact name.
class BkStylePool {
 public:
  static BkStylePool& Instance();
  std::map<std::string, BkStyle>& Styles() { return styles_; }
  void Clear() { styles_.clear(); }

 private:
  BkStylePool() = default;
  std::map<std::string, BkStyle> styles_;
};

// Loads the style document `resourceId` (type "xml", skin folder first) and
// replaces every style class with its "class" elements, plus the default style
// under the empty name. Classes of the same name apply on top of each other;
// a "class" without "name" is skipped. A document that cannot be loaded, does
// not parse, or whose root is not "style" returns false and leaves the pool as
// it was. A copy in the skin folder that does not load is passed over for the
// embedded resource (LoadFolderFirst).
bool LoadStyles(unsigned resourceId);

// The style class `name`; the default style (created with defaults when
// missing) when there is no such class. Copy the result: a later LoadStyles
// replaces the pool's entries.
const BkStyle& GetStyle(const std::string& name);
