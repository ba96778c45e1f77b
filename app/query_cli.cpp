// tavora-query: one query from the command line.
//   tavora-query <from> <to>
// Prints the trains as an aligned table (UTF-8). Exit code 0 when rows came
// back, 1 with a one-line reason when none did, 2 on wrong usage.
#include <windows.h>

#include <string>
#include <vector>

#include "app/http_page_client.h"
#include "app/query_worker.h"
#include "app/server_config.h"
#include "app/ticket_table.h"
#include "skin/resources/text_encoding.h"

namespace {

void Write(HANDLE stream, const std::wstring& text) {
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(stream, &mode)) {
    WriteConsoleW(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  // Redirected or a Unix terminal under Wine: UTF-8 bytes.
  const std::string bytes = WideToUtf8(text);
  WriteFile(stream, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int Fail(const std::wstring& reason) {
  Write(GetStdHandle(STD_ERROR_HANDLE), L"tavora-query: " + reason + L"\n");
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    Write(GetStdHandle(STD_ERROR_HANDLE), L"usage: tavora-query <from station> <to station>\n");
    return 2;
  }
  const std::wstring from = argv[1];
  const std::wstring to = argv[2];
  const ServerAddress site = GetServerAddress(ServerKind::Query);

  CHttpPageClient client(site.HostPort().c_str());
  std::vector<TicketRow> rows;
  switch (RunQuery(client, from, to, rows)) {
    case QueryOutcome::MissingStation:
      return Fail(L"both station names are needed");
    case QueryOutcome::NoPage:
      return Fail(L"no result page from " + site.HostPort());
    case QueryOutcome::NoResultTable:
      return Fail(L"the result page from " + site.HostPort() + L" held no result table");
    case QueryOutcome::RowsReplaced:
      break;
  }
  if (rows.empty()) return Fail(L"no trains from " + from + L" to " + to);
  Write(GetStdHandle(STD_OUTPUT_HANDLE), FormatTicketTable(rows));
  return 0;
}
