// Elements with children: the abstract container, the panel ("div", flow
// layout), the dialog ("dlg", places children by their "pos") and the dialog
// file ("dlgfile", a dialog whose children come from another document).
#pragma once

#include <memory>
#include <vector>

#include "skin/tree/bk_window.h"

// Sends WM_DESTROY to every element of an owned list and deletes it, then
// leaves the list empty. The list is taken out first, so that nothing an
// element does while it goes can reach a half-destroyed list.
template <typename Element>
void DestroyOwnedElements(std::vector<std::unique_ptr<Element>>& list) {
  std::vector<std::unique_ptr<Element>> taken;
  taken.swap(list);
  for (auto& element : taken) {
    element->SendElementMessage(WM_DESTROY);
    element.reset();
  }
}

class CBkContainerWnd : public CBkWindow {
 public:
  bool IsContainer() const override { return true; }
  // The first descendant with element id `id`, or null.
  virtual CBkWindow* FindElementById(int id);
  // Places every child (dialogs: by their "pos"); nothing here.
  virtual void PlaceChildren();
  // Places one child; nothing here.
  virtual void PlaceChild(CBkWindow* child);
};

class CBkPanel : public CBkContainerWnd {
 public:
  static constexpr const char* kTag = "div";

  const char* GetTag() const override { return kTag; }
  // The element part, then the children from the element's first child element.
  bool Load(const TiXmlElement* element) override;
  // Adds "onlydrawchild".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void SetHostWindow(HWND host) override;
  BkHandle HitTest(int x, int y, int flag) override;
  bool PaintInRegion(HDC dc, HRGN region) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void ShowHostedWindows(bool show) override;
  CBkWindow* FindElementById(int id) override;

  // Replaces the children by elements made from `first` and its following
  // sibling elements (tags the factory does not know are skipped with their
  // subtrees). Below kMaxElementDepth no child is made. False when the load's
  // budget (load_budget.h) ran out: making stops there, and a panel whose
  // call opened the budget is left empty.
  bool CreateChildren(const TiXmlElement* first);

  // The children's handles in list order: walk this snapshot and look each
  // child up again, since a handler may change the list.
  std::vector<BkHandle> ChildHandles() const;
  size_t ChildCount() const { return children_.size(); }
  CBkWindow* ChildAt(size_t index) const { return index < children_.size() ? children_[index].get() : nullptr; }
  bool OnlyDrawChild() const { return onlyDrawChild_ != 0; }

 protected:
  // Appends an element made elsewhere (controls that build their own parts).
  void AppendChild(std::unique_ptr<CBkWindow> child);
  // WM_DESTROY: destroys and deletes every child, then empties the list.
  void DestroyChildren();

 private:
  void FlowLayout(const WINDOWPOS& position);
  void AlignLine(size_t first, size_t end, int lineTop, int lineBottom);

  std::vector<std::unique_ptr<CBkWindow>> children_;
  int onlyDrawChild_ = 0;
};

class CBkDialog : public CBkPanel {
 public:
  static constexpr const char* kTag = "dlg";

  const char* GetTag() const override { return kTag; }
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Places every child, hidden ones included, in list order.
  void PlaceChildren() override;
  // Sends the child WM_WINDOWPOSCHANGED at its "pos" within the content box.
  void PlaceChild(CBkWindow* child) override;
  // rect shrunk by the style's margins.
  RECT ContentBox() const;
};

class CBkDialogFile : public CBkDialog {
 public:
  static constexpr const char* kTag = "dlgfile";

  const char* GetTag() const override { return kTag; }
  // The element part only; then every top-level element of document "src"
  // becomes a child (a copy in the skin folder that does not parse gives way
  // to the embedded one). No "src", a document that does not parse, or a
  // load whose budget ran out: false and no children. No such document, or
  // one already being loaded further up (a dialog file that includes itself,
  // directly or through others): true and no children.
  bool Load(const TiXmlElement* element) override;
};
