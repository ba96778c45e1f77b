#include "app/query_page.h"

#include <utility>

#include "app/result_page.h"

QueryStations CQueryPage::ReadStations() const {
  return QueryStations{TrimStationName(ReadWindowText(FromEditWindow())),
                       TrimStationName(ReadWindowText(ToEditWindow()))};
}

void CQueryPage::InstallRows(std::vector<TicketRow> replacement) {
  rows.Replace(std::move(replacement));
  listStale_ = true;
}

void CQueryPage::OnQueryDone() {
  if (!listStale_.exchange(false)) return;
  if (HWND list = ListWindow()) RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
