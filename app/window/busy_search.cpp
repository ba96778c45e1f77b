#include "app/window/busy_search.h"

#include <climits>

#include "app/window/main_dialog.h"
#include "app/window/query_page.h"

void BusySearch::Begin(CMainDlg& owner) {
  SetTimer(owner.GetHwnd(), timer_, CQueryPage::kQueryTimerMs, nullptr);
  owner.GetView().SetElementVisible(button_, false);
  owner.GetView().SetElementVisible(image_, true);
}

void BusySearch::End(CMainDlg& owner) {
  KillTimer(owner.GetHwnd(), timer_);
  owner.GetView().SetElementVisible(image_, false);
  owner.GetView().SetElementVisible(button_, true);
}

bool BusySearch::OnTimer(CMainDlg& owner, UINT_PTR timer) {
  if (timer != timer_) return false;
  owner.GetView().SetElementIntAttribute(image_, "sub", counter_ % CQueryPage::kBusyFrames);
  if (counter_ < INT_MAX) ++counter_;
  return true;
}
