#include "skin/host/tooltip_window.h"

#include <commctrl.h>

HWND CTooltipWindow::Create(HWND host) { return CWindowImplBase::Create(host, nullptr); }

bool CTooltipWindow::ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

WindowClassInfo& CTooltipWindow::GetWindowClassInfo() const {
  static WindowClassInfo info = [] {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    WindowClassInfo tooltip;
    tooltip.className = L"TavoraTooltip";
    tooltip.superclassName = TOOLTIPS_CLASSW;
    return tooltip;
  }();
  return info;
}
