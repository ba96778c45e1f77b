// The tab control ("tabctrl"): a row (or column) of skinned heads above (or
// beside) a page area. Each page is a "tab", a dialog with a title; one page
// is shown at a time, and a click on another head selects it after asking
// the owner (SKN_TABSELCHANGE through the host window).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "skin/tree/containers.h"
#include "skin/tree/skin_reference.h"

// One page: a dialog whose head shows `title`; `hide` non-zero takes the head
// out of the row.
class CBkTab : public CBkDialog {
 public:
  static constexpr const char* kTag = "tab";

  const char* GetTag() const override { return kTag; }
  // Adds "title" (UTF-8) and "hide".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

  const std::wstring& Title() const { return title_; }
  bool IsHeadHidden() const { return hide_ != 0; }

 private:
  std::wstring title_;
  int hide_ = 0;
};

class CBkTabCtrl : public CBkContainerWnd {
 public:
  static constexpr const char* kTag = "tabctrl";
  enum Alignment { AlignTop = 0, AlignLeft = 1 };

  CBkTabCtrl() = default;
  ~CBkTabCtrl() override;

  const char* GetTag() const override { return kTag; }
  // Own attributes, then one page per "tab" child element (others ignored).
  // The page of the selected index is shown, every other page hidden.
  bool Load(const TiXmlElement* element) override;
  // Adds "cursel", "tabwidth", "tabheight", "tabpos", "tabspacing",
  // "tabskin", "frameskin", "border", "iconskin", "splitterskin", "icon-x",
  // "icon-y", "text-x", "text-y", "tabalign" and "framepos".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void SetCursor() override;
  void SetHostWindow(HWND host) override;
  // 0 outside the control; in the page area the selected page's answer; on
  // the heads the control's own handle.
  BkHandle HitTest(int x, int y, int flag) override;
  // Heads (through WM_PAINT), then the selected page alone.
  bool PaintInRegion(HDC dc, HRGN region) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // The selected page gets `show`; every other page false.
  void ShowHostedWindows(bool show) override;
  // Each page by its own id, then its descendants, page by page.
  CBkWindow* FindElementById(int id) override;

  // Asks the owner, then selects page `index`: true when it is (now) the
  // selected one; false when the owner refused, the index is outside the
  // list, or the control went away while the owner was asked.
  bool SelectTab(int index);
  // Page `index`, or null outside the list.
  CBkTab* GetTab(int index) const;
  int GetCurSel() const { return curSel_; }
  int GetHoverIndex() const { return hover_; }
  size_t TabCount() const { return pages_.size(); }
  Alignment GetAlignment() const { return align_; }

  // Head of tab `index` in host coordinates; false (and no rectangle) for an
  // index outside the list.
  bool HeadRect(int index, RECT& head) const;
  // The page area: below (or beside) the heads, moved by "framepos" and
  // shrunk by the margins when `withMargins`.
  RECT PageRect(bool withMargins) const;

 private:
  // Width and height of one head: the head skin's size, replaced by
  // "tabwidth" / "tabheight" when those are not zero.
  SIZE HeadSize() const;
  // The first tab whose head is shown, is not the selected one and contains
  // (x, y); -1 when there is none.
  int HeadAt(int x, int y) const;
  // The pages' handles in list order, for walks that call out.
  std::vector<BkHandle> PageHandles() const;
  void DestroyPages();
  void PlacePages();
  void PaintHeads(HDC dc);
  void PaintHead(HDC dc, int index, const RECT& head, int skinState);
  void OnMouseMove(int x, int y);
  void OnMouseLeave();
  // Redraw requests for one head or the page area (nothing for -1).
  void RedrawHead(int index);

  std::vector<std::unique_ptr<CBkTab>> pages_;
  int hover_ = -1;
  int curSel_ = 0;
  int tabSpacing_ = 0;
  int tabPos_ = 0;
  int tabWidth_ = 0;
  int tabHeight_ = 0;
  PosExpression framePos_;
  BkSkinReference tabSkin_;
  BkSkinReference frameSkin_;
  BkSkinReference borderSkin_;
  BkSkinReference iconSkin_;
  BkSkinReference splitterSkin_;
  int iconX_ = 0;
  int iconY_ = 0;
  int textX_ = 0;
  int textY_ = 0;
  Alignment align_ = AlignTop;
};
