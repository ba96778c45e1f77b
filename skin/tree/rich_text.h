// "richtext": a small text view with inline markup. The element keeps a copy
// of the XML it was loaded from and renders it on every paint: "b", "i", "u"
// add font bits, "c" changes the colour, "br" starts a line, and "a" makes a
// clickable link drawn in the link style. A click on a link goes to the
// parent of the host window as SKN_COMMAND with the link's id.
#pragma once

#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/tree/bk_window.h"

struct RichLink {
  std::wstring text;
  int id = 0;
  RECT rect = {0, 0, 0, 0};
};

class CBkRichText : public CBkWindow {
 public:
  static constexpr const char* kTag = "richtext";
  // Markup elements nested deeper than this below the root are not rendered,
  // so that a paint never recurses deeper whatever the document holds.
  static constexpr int kMaxMarkupDepth = 32;

  const char* GetTag() const override { return kTag; }
  // The element part, then a private copy of the whole element as markup.
  bool Load(const TiXmlElement* element) override;
  // Adds "defaultfont" (hexadecimal font id) and "linkclass".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // The hand while a link is hovered, else the arrow (the style's cursor is
  // not used).
  void SetCursor() override;

  const std::vector<RichLink>& Links() const { return links_; }
  // Index into Links() of the hovered and pressed links, -1 for none.
  int HoveredLink() const { return hovered_; }
  int PressedLink() const { return pressed_; }
  bool LinksLaidOut() const { return linksLaidOut_; }
  unsigned DefaultFont() const { return defaultFont_; }
  const BkStyle& LinkStyle() const { return linkStyle_; }

 private:
  // Pen position and bounds of one render pass.
  struct Pen {
    int x = 0;
    int y = 0;
    int left = 0;   // where a new line starts
    int right = 0;  // where a line ends
  };

  void OnRichPaint(HDC dc);
  void RenderElement(HDC dc, const TiXmlElement& element, unsigned font, Pen& pen, int depth);
  void RenderText(HDC dc, const std::string& utf8, bool measureOnly, Pen& pen) const;
  void CreateLink(HDC dc, const TiXmlElement& anchor, Pen& pen);
  void DrawLinks(HDC dc);
  void NewLine(Pen& pen) const;
  void ForgetLinks();

  void OnMouseMove(int x, int y);
  void OnMouseLeave();
  void OnButtonUp();

  std::unique_ptr<TiXmlElement> markup_;
  unsigned defaultFont_ = 0;
  BkStyle linkStyle_;
  bool linksLaidOut_ = false;
  int hovered_ = -1;
  int pressed_ = -1;
  std::vector<RichLink> links_;
};
