// Keyboard focus within an element tree: which elements take the focus, and
// the order Tab walks them in. The walk is the reading order of the document:
// elements and the native windows of "realwnd" elements interleaved where
// they stand, the tab control as one stop followed by its selected page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "skin/tree/bk_window.h"

// One place the focus can go: an element, or a native window (element 0).
// A rich text's links are a stop each (`link`: the index in its Links()).
// With labels asked for, a text element that marks an access key is listed
// too (`label`): it hands its key to the first stop after it.
struct FocusStop {
  BkHandle element = 0;
  HWND native = nullptr;
  wchar_t accessKey = 0;  // upper case; 0 when the element's text marks none
  bool label = false;
  int link = -1;
};

// The character after the first single '&' of `text`, in upper case ("&&" is
// a literal ampersand); 0 when there is none.
wchar_t AccessKeyOf(const std::wstring& text);

// Whether the element's kind takes the focus: check and radio boxes, the tab
// control, buttons, image buttons and links that report clicks (an id or an
// address), and rich text with links laid out. A "tabstop" attribute decides
// over the kind.
bool IsFocusableElement(const CBkWindow& element);

// Appends the stops of `root` and its descendants in document order: shown
// and enabled focusable elements, and the shown, enabled native windows with
// WS_TABSTOP of "realwnd" elements. Hidden or disabled subtrees add nothing.
// Makes no call that could run a handler, so the tree stays as it is.
// `keep` (when not 0) is listed where it stands even while it is hidden or
// disabled itself, so that a walk can go on from a focused element that
// went away for a while.
void CollectFocusStops(const CBkWindow& root, std::vector<FocusStop>& stops, bool withLabels = false,
                       BkHandle keep = 0);

// The stop after (before, when `backwards`) position `current` in `count`
// stops, wrapping around; -1 as `current` starts at an end. -1 when there are
// no stops.
int NextFocusIndex(int current, int count, bool backwards);
