// The tool tip of a host window (the dialog view, the list).
//
// A tooltip is a top-level window: the system gives it the host's top-level
// window as owner and destroys it together with that window, before any
// window of that tree hears WM_DESTROY. Its handle value is then free for
// the next window made, so a holder that looked its old value up later could
// destroy a window of someone else. This object is bound to its tooltip from
// the first message to the last: it lets go of the handle when the tooltip's
// window ends, however that comes, so a window the system took is never
// acted on. A host destroys its tooltip in its own WM_DESTROY, which matters
// when the host goes while its top-level window stays.
#pragma once

#include <windows.h>

#include "skin/host/window_impl.h"

class CTooltipWindow : public CWindowImplBase {
 public:
  CTooltipWindow() = default;

  // Makes the tooltip for `host` (its owner); null when it already has one
  // or the system refuses.
  HWND Create(HWND host);
  using CWindowImplBase::Create;

  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  WindowClassInfo& GetWindowClassInfo() const override;
};
