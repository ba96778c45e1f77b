#include "skin/tree/focus_order.h"

#include "skin/tree/containers.h"
#include "skin/tree/hosted_controls.h"
#include "skin/tree/rich_text.h"
#include "skin/tree/tab_control.h"

namespace {

void Collect(const CBkWindow& element, std::vector<FocusStop>& stops, bool withLabels, BkHandle keep, int depth) {
  // Trees are loaded at most kMaxElementDepth deep; the bound only guards the stack.
  const bool kept = keep != 0 && element.GetHandle() == keep;
  if (depth > kMaxElementDepth || (!kept && (!element.IsVisible(false) || element.IsDisabled(false)))) return;
  if (const auto* hosted = dynamic_cast<const CBkRealWnd*>(&element)) {
    const HWND native = hosted->NativeWindow();
    if (native && IsWindowVisible(native) && IsWindowEnabled(native) &&
        (GetWindowLongW(native, GWL_STYLE) & WS_TABSTOP))
      stops.push_back(FocusStop{0, native});
    return;
  }
  const wchar_t key = element.GetText().find(L'&') != std::wstring::npos ? AccessKeyOf(element.GetText()) : 0;
  const auto* rich = dynamic_cast<const CBkRichText*>(&element);
  if (rich && IsFocusableElement(element)) {
    for (size_t link = 0; link < rich->Links().size(); ++link)
      stops.push_back(FocusStop{element.GetHandle(), nullptr, 0, false, static_cast<int>(link)});
  } else if (IsFocusableElement(element))
    stops.push_back(FocusStop{element.GetHandle(), nullptr, key, false});
  else if (withLabels && key != 0)
    stops.push_back(FocusStop{element.GetHandle(), nullptr, key, true});
  if (const auto* tabs = dynamic_cast<const CBkTabCtrl*>(&element)) {
    if (const CBkTab* page = tabs->GetTab(tabs->GetCurSel())) Collect(*page, stops, withLabels, keep, depth + 1);
    return;
  }
  if (const auto* panel = dynamic_cast<const CBkPanel*>(&element)) {
    for (size_t index = 0; index < panel->ChildCount(); ++index) {
      if (const CBkWindow* child = panel->ChildAt(index)) Collect(*child, stops, withLabels, keep, depth + 1);
    }
  }
}

}  // namespace

bool IsFocusableElement(const CBkWindow& element) {
  if (element.TabStopSetting() >= 0) return element.TabStopSetting() != 0;
  if (element.HasTag("check") || element.HasTag("checkex") || element.HasTag("radio") || element.HasTag("tabctrl"))
    return true;
  if (element.HasTag("button") || element.HasTag("imgbtn")) return element.GetElementId() != 0;
  if (element.HasTag("link")) return element.GetElementId() != 0 || !element.GetHref().empty();
  if (const auto* rich = dynamic_cast<const CBkRichText*>(&element)) return !rich->Links().empty();
  return false;
}

void CollectFocusStops(const CBkWindow& root, std::vector<FocusStop>& stops, bool withLabels, BkHandle keep) {
  Collect(root, stops, withLabels, keep, 0);
}

wchar_t AccessKeyOf(const std::wstring& text) {
  for (size_t index = 0; index + 1 < text.size(); ++index) {
    if (text[index] != L'&') continue;
    if (text[index + 1] == L'&') {
      ++index;
      continue;
    }
    return static_cast<wchar_t>(
        reinterpret_cast<uintptr_t>(CharUpperW(reinterpret_cast<wchar_t*>(static_cast<uintptr_t>(text[index + 1])))));
  }
  return 0;
}

int NextFocusIndex(int current, int count, bool backwards) {
  if (count <= 0) return -1;
  if (current < 0 || current >= count) return backwards ? count - 1 : 0;
  return backwards ? (current + count - 1) % count : (current + 1) % count;
}
