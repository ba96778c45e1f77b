// Parse pipeline benchmark: RepairMarkup + TinyXML + rows against a bare
// TinyXML parse of the same repaired text, and RepairMarkup alone on large
// pages. Prints medians of several runs.
#include <windows.h>

#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/result_page.h"
#include "bench/bench_timing.h"
#include "skin/resources/text_encoding.h"

namespace {

// A result page as the site writes it, broken markup included.
std::wstring MakePage(int rows) {
  std::wstring page =
      L"<html><head><title>余票查询</title></head><body><div id=\"search\"><form action=\"Default.aspx\">"
      L"<select name=\"D\"><option selected value=\"1\" >今天</option><option value=\"2\">明天</option></select>"
      L"<select name=\"M\"><option selected value=\"1\" >1月</option></select>"
      L"<input type=\"text\" id=\"days\" value=\"0\"/ onkeypress=\"updateDaysRange()\" /></form></div>"
      L"<div id=\"result\"><table><tr><th>序号</th><th>车次</th><th>出发站</th></tr>";
  for (int i = 0; i < rows; ++i) {
    const std::wstring n = std::to_wstring(i);
    page += L"<tr><td>" + n + L"</td><td>24000000G" + n + L"</td><td><a href=\"#\">G" + n +
            L"</a></td><td><a>北京南</a></td><td><a>上海虹桥</a></td><td>07:00</td><td>12:38</td>"
            L"<td>05:38</td><td>有</td><td>12</td><td>--</td><td>--</td><td>--</td><td>无</td>"
            L"<td><a>北京南</a></td><td><a>上海虹桥</a></td><td>高速动车</td></tr>";
  }
  return page + L"</table></div></body></html>";
}

// Plain text padded with the broken forms, `mebibytes` of UTF-16 long.
std::wstring MakeRepairInput(size_t mebibytes) {
  const std::wstring unit = MakePage(40);
  std::wstring text;
  const size_t target = mebibytes * 1024 * 1024 / sizeof(wchar_t);
  text.reserve(target + unit.size());
  while (text.size() < target) text += unit;
  text.resize(target);
  return text;
}

}  // namespace

int main() {
  const int kRuns = 7;
  std::printf("Parse pipeline (RepairMarkup + UTF-8 + depth check + TinyXML + rows), median of %d runs\n", kRuns);
  std::printf("%8s %10s %14s %14s %8s\n", "rows", "page KiB", "pipeline ms", "bare parse ms", "ratio");
  for (int rows : {25, 1000, 20000}) {
    const std::wstring page = MakePage(rows);
    const std::string repairedBytes = WideToUtf8(RepairMarkup(page));
    size_t parsedRows = 0;
    const double pipeline = MedianSeconds(kRuns, [&] {
      std::vector<TicketRow> result;
      ParseResultPage(RepairMarkup(page), result);
      parsedRows = result.size();
    });
    const double bare = MedianSeconds(kRuns, [&] {
      TiXmlDocument document;
      document.Parse(repairedBytes.c_str(), nullptr, TIXML_ENCODING_UTF8);
    });
    if (parsedRows != static_cast<size_t>(rows)) {
      std::printf("error: parsed %u rows of %d\n", static_cast<unsigned>(parsedRows), rows);
      return 1;
    }
    std::printf("%8d %10u %14.3f %14.3f %8.2f\n", rows, static_cast<unsigned>(repairedBytes.size() / 1024),
                pipeline * 1000, bare * 1000, pipeline / bare);
  }

  std::printf("\nRepairMarkup alone, median of %d runs\n", kRuns);
  std::printf("%8s %12s %12s\n", "MiB", "total ms", "ms per MiB");
  for (size_t mebibytes : {1u, 8u, 32u}) {
    const std::wstring text = MakeRepairInput(mebibytes);
    size_t length = 0;
    const double seconds = MedianSeconds(kRuns, [&] { length = RepairMarkup(text).size(); });
    if (length <= text.size()) {
      std::printf("error: nothing was repaired\n");
      return 1;
    }
    std::printf("%8u %12.2f %12.2f\n", static_cast<unsigned>(mebibytes), seconds * 1000, seconds * 1000 / mebibytes);
  }
  return 0;
}
