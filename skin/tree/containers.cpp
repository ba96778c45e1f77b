#include "skin/tree/containers.h"

#include <tinyxml.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "skin/resources/parse_util.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/skin_xml.h"
#include "skin/tree/element_factory.h"
#include "skin/tree/load_budget.h"

// ---- CBkContainerWnd --------------------------------------------------------

CBkWindow* CBkContainerWnd::FindElementById(int) { return nullptr; }

void CBkContainerWnd::PlaceChildren() {}

void CBkContainerWnd::PlaceChild(CBkWindow*) {}

// ---- CBkPanel ---------------------------------------------------------------

bool CBkPanel::Load(const TiXmlElement* element) {
  const bool loaded = CBkWindow::Load(element);
  if (element && !CreateChildren(element->FirstChildElement())) return false;
  return loaded;
}

HRESULT CBkPanel::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkContainerWnd::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "onlydrawchild") {
    onlyDrawChild_ = ParseDecimal(value);
    return kAttributeHandled;
  }
  return kAttributeNotHandled;
}

void CBkPanel::SetHostWindow(HWND host) {
  CBkContainerWnd::SetHostWindow(host);
  for (const auto& child : children_) child->SetHostWindow(host);
}

bool CBkPanel::CreateChildren(const TiXmlElement* first) {
  SendElementMessage(WM_DESTROY);
  // Children would sit one level below this panel; past the limit the panel
  // stays empty, so no walk over the tree recurses deeper than it.
  if (Depth() + 1 > kMaxElementDepth) return true;
  const ElementLoadBudget budget;
  for (const TiXmlElement* xml = first; xml && !budget.Spent(); xml = xml->NextSiblingElement()) {
    std::unique_ptr<CBkWindow> child = CreateChildByName(xml->Value());
    if (!child) continue;
    child->SetParent(GetHandle());
    child->SetHostWindow(GetHostWindow());
    child->Load(xml);
    children_.push_back(std::move(child));
  }
  if (!budget.Spent()) return true;
  // The load that opened the budget fails as a whole; with no host load
  // around it, that is this one.
  if (budget.Outermost()) DestroyChildren();
  return false;
}

void CBkPanel::AppendChild(std::unique_ptr<CBkWindow> child) {
  if (!child) return;
  child->SetParent(GetHandle());
  child->SetHostWindow(GetHostWindow());
  children_.push_back(std::move(child));
}

std::vector<BkHandle> CBkPanel::ChildHandles() const {
  std::vector<BkHandle> handles;
  handles.reserve(children_.size());
  for (const auto& child : children_) handles.push_back(child->GetHandle());
  return handles;
}

void CBkPanel::DestroyChildren() { DestroyOwnedElements(children_); }

BkHandle CBkPanel::HitTest(int x, int y, int flag) {
  const BkHandle self = CBkContainerWnd::HitTest(x, y, flag);
  if (!self) return 0;
  if (onlyDrawChild_) return self;
  // The mouse goes to what the user sees on top: floating children first,
  // then the others from the last painted (topmost) to the first. The
  // program's own documents overlap non-transparent siblings (the header's
  // title text under its buttons, the search button's background image under
  // the button, each check box's label under the next box), so asking the
  // earliest sibling first would leave those controls unclickable.
  for (const bool floating : {true, false}) {
    for (auto child = children_.rbegin(); child != children_.rend(); ++child) {
      if (!(*child)->IsVisible(false) || (*child)->IsTransparent() || (*child)->IsFloat() != floating) continue;
      if (const BkHandle hit = (*child)->HitTest(x, y, flag)) return hit;
    }
  }
  return self;
}

bool CBkPanel::PaintInRegion(HDC dc, HRGN region) {
  if (!CBkContainerWnd::PaintInRegion(dc, region)) return false;
  const BkHandle self = GetHandle();
  BeginTextPaint(dc);
  for (const BkHandle handle : ChildHandles()) {
    CBkWindow* child = LookupElement(handle);
    if (child && child->IsVisible(false)) child->PaintInRegion(dc, region);
    if (!LookupElement(self)) return true;
  }
  EndTextPaint(dc);
  return true;
}

bool CBkPanel::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT:
      break;
    case WM_WINDOWPOSCHANGED:
      if (lParam) {
        const WINDOWPOS position = *reinterpret_cast<const WINDOWPOS*>(lParam);
        OnWindowPosChanged(position);
        FlowLayout(position);
      }
      break;
    case WM_DESTROY:
      DestroyChildren();
      break;
    case WM_MOUSEMOVE: {
      const int x = GET_X_LPARAM(lParam);
      const int y = GET_Y_LPARAM(lParam);
      const BkHandle self = GetHandle();
      for (const BkHandle handle : ChildHandles()) {
        CBkWindow* child = LookupElement(handle);
        if (!child || !child->IsVisible(false)) continue;
        const RECT& area = child->GetRect();
        if (x >= area.left && x < area.right && y >= area.top && y < area.bottom) {
          child->SendElementMessage(message, wParam, lParam);
        }
        if (!LookupElement(self)) return true;
      }
      break;
    }
    case WM_SHOWWINDOW:
      SetVisible(wParam != 0);
      ShowHostedWindows(wParam != 0);
      break;
    default:
      return CBkContainerWnd::ProcessMessage(message, wParam, lParam, result);
  }
  SetMsgHandled(true);
  return true;
}

void CBkPanel::ShowHostedWindows(bool show) {
  const bool parentVisible = IsVisible(true);
  const BkHandle self = GetHandle();
  for (const BkHandle handle : ChildHandles()) {
    CBkWindow* child = LookupElement(handle);
    if (child) child->ShowHostedWindows(show && parentVisible && child->IsVisible(false));
    if (!LookupElement(self)) return;
  }
}

CBkWindow* CBkPanel::FindElementById(int id) {
  for (const auto& child : children_) {
    if (child->GetElementId() == id) return child.get();
  }
  for (const auto& child : children_) {
    if (!child->IsContainer()) continue;
    if (CBkWindow* found = static_cast<CBkContainerWnd*>(child.get())->FindElementById(id)) return found;
  }
  return nullptr;
}

void CBkPanel::FlowLayout(const WINDOWPOS& position) {
  const BkStyle& style = GetStyle();
  const int mx = style.xMargin;
  const int my = style.yMargin;
  const int spacing = style.spacing;
  const int lineSpacing = style.linespacing;
  const int lineWidth =
      SaturatingSubtract(WidthMode() == SizeFixed ? FixedWidth() : position.cx, SaturatingAdd(mx, mx));
  int left = SaturatingAdd(position.x, mx);
  int top = SaturatingAdd(position.y, my);
  int available = lineWidth;
  int availableHeight = SaturatingSubtract(position.cy, SaturatingAdd(my, my));
  int lineTop = top;
  int lineBottom = SaturatingAdd(top, lineSpacing);
  int maxRight = GetRect().right;
  size_t lineStart = 0;
  bool lineEmpty = true;

  auto layOut = [](CBkWindow* child, int x, int y, int cx, int cy) { PlaceElement(*child, x, y, cx, cy); };

  for (size_t index = 0; index < children_.size(); ++index) {
    CBkWindow* child = children_[index].get();
    if (!child->IsVisible(false) || child->IsFloat()) continue;
    bool newLine = available == 0;
    if (!newLine) {
      layOut(child, left, top, available, availableHeight);
      const RECT& area = child->GetRect();
      newLine = !lineEmpty && (area.right > SaturatingAdd(left, available) || area.right <= area.left);
    } else {
      newLine = !lineEmpty;
    }
    if (newLine) {
      AlignLine(lineStart, index, lineTop, lineBottom);
      left = SaturatingAdd(position.x, mx);
      top = SaturatingAdd(lineBottom, lineSpacing);
      lineTop = top;
      available = lineWidth;
      availableHeight = SaturatingSubtract(SaturatingSubtract(SaturatingAdd(position.y, position.cy), top), my);
      layOut(child, left, top, available, availableHeight);
      lineStart = index;
    }
    const RECT& area = child->GetRect();
    const int width = SaturatingSubtract(area.right, area.left);
    left = SaturatingAdd(left, SaturatingAdd(width, spacing));
    available = SaturatingSubtract(available, SaturatingAdd(width, spacing));
    lineBottom = std::max<int>(lineBottom, area.bottom);
    maxRight = std::max<int>(maxRight, SaturatingAdd(area.right, mx));
    lineEmpty = false;
  }
  AlignLine(lineStart, children_.size(), lineTop, lineBottom);

  RECT own = GetRect();
  switch (WidthMode()) {
    case SizeFixed:
      own.right = SaturatingAdd(position.x, FixedWidth());
      break;
    case SizeAuto:
      own.right = maxRight;
      break;
    case SizeFull:
      own.right = SaturatingAdd(position.x, position.cx);
      break;
  }
  switch (HeightMode()) {
    case SizeFixed:
      own.bottom = SaturatingAdd(position.y, FixedHeight());
      break;
    case SizeAuto:
      own.bottom = SaturatingAdd(lineBottom, my);
      break;
    case SizeFull:
      own.bottom = SaturatingAdd(position.y, position.cy);
      break;
  }
  SetRect(own);

  const int floatLeft = SaturatingAdd(position.x, mx);
  const int floatTop = SaturatingAdd(position.y, my);
  const int floatHeight = SaturatingSubtract(position.cy, SaturatingAdd(my, my));
  for (const auto& child : children_) {
    if (!child->IsVisible(false) || !child->IsFloat()) continue;
    layOut(child.get(), floatLeft, floatTop, lineWidth, floatHeight);
    const RECT& area = child->GetRect();
    const int width = SaturatingSubtract(area.right, area.left);
    const int height = SaturatingSubtract(area.bottom, area.top);
    int x = floatLeft;
    int y = floatTop;
    if (child->GetAlign() == AlignRight) x = SaturatingAdd(floatLeft, SaturatingSubtract(lineWidth, width));
    if (child->GetAlign() == AlignCenter) x = SaturatingAdd(floatLeft, SaturatingSubtract(lineWidth, width) / 2);
    if (child->GetVAlign() == VAlignBottom) y = SaturatingAdd(floatTop, SaturatingSubtract(floatHeight, height));
    if (child->GetVAlign() == VAlignMiddle) y = SaturatingAdd(floatTop, SaturatingSubtract(floatHeight, height) / 2);
    layOut(child.get(), x, y, width, height);
  }
}

void CBkPanel::AlignLine(size_t first, size_t end, int lineTop, int lineBottom) {
  const int valign = GetVAlign();
  if (valign == VAlignTop) return;
  for (size_t index = first; index < end && index < children_.size(); ++index) {
    CBkWindow* child = children_[index].get();
    if (!child->IsVisible(false) || child->IsFloat()) continue;
    RECT area = child->GetRect();
    const int height = SaturatingSubtract(area.bottom, area.top);
    const int newTop =
        valign == VAlignMiddle
            ? SaturatingAdd(lineTop, SaturatingSubtract(SaturatingSubtract(lineBottom, lineTop), height) / 2)
            : SaturatingSubtract(lineBottom, height);
    area.top = newTop;
    area.bottom = SaturatingAdd(newTop, height);
    child->MoveRect(area);
  }
}

// ---- CBkDialog --------------------------------------------------------------

bool CBkDialog::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_WINDOWPOSCHANGED) return CBkPanel::ProcessMessage(message, wParam, lParam, result);
  // Marked first: placing a child may run a handler that destroys this dialog.
  SetMsgHandled(true);
  if (lParam) {
    OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
    PlaceChildren();
  }
  return true;
}

RECT CBkDialog::ContentBox() const {
  const RECT& area = GetRect();
  const BkStyle& style = GetStyle();
  return RECT{SaturatingAdd(area.left, style.xMargin), SaturatingAdd(area.top, style.yMargin),
              SaturatingSubtract(area.right, style.xMargin), SaturatingSubtract(area.bottom, style.yMargin)};
}

void CBkDialog::PlaceChildren() {
  const BkHandle self = GetHandle();
  for (const BkHandle handle : ChildHandles()) {
    if (CBkWindow* child = LookupElement(handle)) PlaceChild(child);
    // Placing may run a handler that rebuilds or destroys this dialog.
    if (!LookupElement(self)) return;
  }
}

void CBkDialog::PlaceChild(CBkWindow* child) {
  if (!child) return;
  const RECT box = ContentBox();
  const int width = SaturatingSubtract(box.right, box.left);
  const int height = SaturatingSubtract(box.bottom, box.top);
  const PosExpression& pos = child->GetPos();
  const PosItem none;
  const PosItem& first = pos.Usable() ? pos.items[0] : none;
  const PosItem& second = pos.Usable() ? pos.items[1] : none;
  PlaceElement(*child, SaturatingAdd(box.left, ResolvePosItem(first, width)),
               SaturatingAdd(box.top, ResolvePosItem(second, height)), width, height);
}

// ---- CBkDialogFile ----------------------------------------------------------

namespace {

// Documents whose dialog files are being loaded on this thread, outermost
// first: a dialog file naming one of them would include itself.
thread_local std::vector<unsigned> documentsLoading;

class DocumentLoading {
 public:
  explicit DocumentLoading(unsigned id) { documentsLoading.push_back(id); }
  ~DocumentLoading() { documentsLoading.pop_back(); }
  DocumentLoading(const DocumentLoading&) = delete;
  DocumentLoading& operator=(const DocumentLoading&) = delete;
};

}  // namespace

bool CBkDialogFile::Load(const TiXmlElement* element) {
  if (!CBkWindow::Load(element)) return false;
  const char* source = element->Attribute("src");
  if (!source || !*source) return false;
  const unsigned id = static_cast<unsigned>(ParseDecimal(source));
  if (std::find(documentsLoading.begin(), documentsLoading.end(), id) != documentsLoading.end()) return true;

  // A copy in the skin folder that does not parse gives way to the embedded
  // one. Every document read counts against the load's budget.
  const ElementLoadBudget budget;
  TiXmlDocument document;
  bool found = false;
  const bool parsed = LoadFolderFirst([&] {
    std::string bytes;
    if (!LoadSkinResource(id, bytes, L"xml")) return false;
    found = true;
    return ElementLoadBudget::TakeDocument(bytes.size()) && ParseSkinDocument(std::move(bytes), document);
  });
  if (!found) return true;
  if (!parsed) return false;
  DocumentLoading loading(id);
  return CreateChildren(document.FirstChildElement());
}
