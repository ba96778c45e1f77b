#include "tests/skin/tree/tree_test_util.h"

#include <algorithm>
#include <cstring>

#include "skin/resources/skin_xml.h"
#include "skin/tree/window_registry.h"

std::unique_ptr<TiXmlDocument> ParseXml(const std::string& xml) {
  auto document = std::make_unique<TiXmlDocument>();
  if (!ParseSkinDocument(xml, *document)) {
    ADD_FAILURE() << "test document does not parse: " << xml.substr(0, 200);
    return nullptr;
  }
  return document;
}

ElementPtr<CBkDialog> LayOut(const std::string& xml, int width, int height, HWND host) {
  ElementPtr<CBkDialog> root = LoadElement<CBkDialog>(xml, nullptr, host);
  // A root without a position fills the area, as the host's sections do.
  if (!root->GetPos().Usable()) root->SetAttribute("pos", "0,0,-0,-0", true);
  PlaceElement(*root, 0, 0, width, height);
  return root;
}

::testing::AssertionResult RectIs(const RECT& rect, long left, long top, long right, long bottom) {
  if (rect.left == left && rect.top == top && rect.right == right && rect.bottom == bottom)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "rect is (" << rect.left << ", " << rect.top << ", " << rect.right << ", "
                                       << rect.bottom << "), expected (" << left << ", " << top << ", " << right << ", "
                                       << bottom << ")";
}

CBkPanel* AsPanel(CBkWindow* element) { return dynamic_cast<CBkPanel*>(element); }

CBkWindow* NthChildWithTag(const CBkWindow* panel, const char* tag, size_t index) {
  const CBkPanel* parent = dynamic_cast<const CBkPanel*>(panel);
  if (!parent) return nullptr;
  for (size_t i = 0; i < parent->ChildCount(); ++i) {
    CBkWindow* child = parent->ChildAt(i);
    if (std::strcmp(child->GetTag(), tag) == 0 && index-- == 0) return child;
  }
  return nullptr;
}

bool IsSelfOrDescendant(BkHandle handle, const CBkWindow* ancestor) {
  for (CBkWindow* element = LookupElement(handle); element; element = element->GetParentElement()) {
    if (element == ancestor) return true;
  }
  return false;
}

bool RecordingElement::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  messages.push_back(message);
  lParams.push_back(lParam);
  return CBkWindow::ProcessMessage(message, wParam, lParam, result);
}

int RecordingElement::Count(UINT message) const {
  return static_cast<int>(std::count(messages.begin(), messages.end(), message));
}

std::unique_ptr<RecordingElement> LoadLeaf(const std::string& xml) {
  auto leaf = std::make_unique<RecordingElement>();
  std::unique_ptr<TiXmlDocument> document = ParseXml(xml);
  if (document) leaf->Load(document->RootElement());
  return leaf;
}
