// "imglisth" paints a row of skins chosen slot by slot from name lists;
// "iconfrommodule" paints the shell's icon of a file, or an icon the
// application hands over by handle.
#pragma once

#include <map>
#include <string>

#include "skin/resources/unique_handle.h"
#include "skin/tree/bk_window.h"
#include "skin/tree/skin_reference.h"

// Slots "skin0", "skin1", ... name the skins drawn side by side; slots "sub0",
// "sub1", ... the state each is drawn with. `skinlist` and `sublist` fill the
// slots ("skin0=name,skin2=other", "sub0=1"); `imagecount` says how many slots
// are drawn.
class CBkImageListHWnd : public CBkWindow {
 public:
  static constexpr const char* kTag = "imglisth";
  // A document may ask for more; the count is kept within 0..kMaxImageCount.
  static constexpr int kMaxImageCount = 256;

  const char* GetTag() const override { return kTag; }
  // The element part, then the slots reset and both lists applied again.
  bool Load(const TiXmlElement* element) override;
  // Adds "skin", "sub", "imagecount", "skinlist" and "sublist".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  int ImageCount() const { return imageCount_; }
  int Sub() const { return sub_; }
  // The skin of slot `name` (null: none) and the state of slot `name` (-1
  // when the slot has none).
  CBkSkinBase* SlotSkin(const std::string& name) const;
  int SlotSub(const std::string& name) const;
  const std::string& SkinList() const { return skinList_; }
  const std::string& SubList() const { return subList_; }

 private:
  void ApplySkinList(const std::string& text);
  void ApplySubList(const std::string& text);
  void PaintSlots(HDC dc) const;

  int sub_ = -1;
  BkSkinReference skin_;
  int imageCount_ = 0;
  std::string skinList_;
  std::string subList_;
  std::map<std::string, int> subs_;
  // Skin names (looked up at each paint, like every skin an element names);
  // empty: no skin.
  std::map<std::string, std::string> skins_;
};

class CBkDrawFileIcon : public CBkWindow {
 public:
  static constexpr const char* kTag = "iconfrommodule";

  const char* GetTag() const override { return kTag; }
  // Adds "srcfile" (UTF-8 path) and "iconhandle" (decimal handle value);
  // empty values are ignored.
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  const std::string& SourceFile() const { return sourceFile_; }
  HICON IconHandle() const { return iconHandle_.get(); }

 private:
  // The handed-over icon, else the file's shell icon, at the rectangle's
  // top-left corner scaled to its size.
  void PaintIcon(HDC dc) const;

  std::string sourceFile_;
  BorrowedIcon iconHandle_;  // the application's
};

// The shell icons of files, asked for through the wide shell function and
// kept for the rest of the run, keyed by the exact path text. A missing file
// or one without an icon is not kept (the shell is asked again next time).
// Past kMaxCachedFileIcons paths an icon is drawn and destroyed at once.
constexpr size_t kMaxCachedFileIcons = 256;
size_t CachedFileIconCount();
// Destroys every cached icon; elements that drew one ask again at their
// next paint.
void ClearFileIconCache();
