#include "app/query_session.h"

#include <utility>

void QuerySession::InstallRows(std::vector<TicketRow> replacement) {
  rows.Replace(std::move(replacement));
  newRows_ = true;
}

bool QuerySession::TakeNewRows(std::vector<TicketRow>& copy) {
  if (!newRows_.exchange(false)) return false;
  copy = rows.Snapshot();
  return true;
}

void QuerySession::Close() {
  owner_ = nullptr;
  queryClient.Cancel();
}
