// Parse pipeline benchmark: RepairMarkup + TinyXML + rows against a bare
// TinyXML parse of the same repaired text, RepairMarkup alone on large pages,
// and the parser on hostile input. Prints medians of several runs.
#include <windows.h>

#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/core/result_page.h"
#include "bench/bench_timing.h"
#include "skin/resources/skin_xml.h"
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

// Reads through more memory than the processor caches hold, so that a timed
// run finds none of its data there, whatever its size.
void EvictCaches() {
  static std::vector<char> sweep(64u << 20, 1);
  volatile char sink = 0;
  for (size_t i = 0; i < sweep.size(); i += 64) sink = static_cast<char>(sink + sweep[i]);
  for (size_t i = 0; i < sweep.size(); i += 64) sweep[i] = static_cast<char>(i);
}

// Median seconds of RepairMarkup on a page handed over by move, as the query
// worker does. The page is decoded from its UTF-8 bytes as the page client
// decodes a body, outside the timing; every run starts with cold caches, so
// that the time per MiB compares the work, not the cache sizes.
double MedianRepairSeconds(int runs, const std::string& body, size_t& repairedLength) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    std::wstring page = Utf8ToWide(body);
    EvictCaches();
    const double start = Now();
    std::wstring repaired = RepairMarkup(std::move(page));
    times.push_back(Now() - start);
    repairedLength = repaired.size();
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// `mebibytes` of UTF-8 made of elements that each carry the most attributes
// the parser takes, with names that share a long prefix: the worst case for
// the parser's duplicate check.
std::string MakeAttributeFlood(size_t mebibytes, int attributes) {
  std::string element = "<e";
  for (int i = 0; i < attributes; ++i) element += " attribute_with_a_long_shared_prefix_" + std::to_string(i) + "='1'";
  element += "/>";
  std::string text = "<r>" + element;
  const size_t target = mebibytes * 1024 * 1024;
  while (text.size() + element.size() + 4 < target) text += element;
  return text + "</r>";
}

}  // namespace

int main() {
  const int kRuns = 9;
  std::printf("Parse pipeline (RepairMarkup + UTF-8 + TinyXML + rows) against a bare TinyXML parse\n");
  std::printf("of the same repaired UTF-8, median of %d runs; target ratio at 1,000 rows: 1.15 or less\n", kRuns);
  std::printf("%8s %10s %14s %14s %8s\n", "rows", "page KiB", "pipeline ms", "bare parse ms", "ratio");
  for (int rows : {25, 1000, static_cast<int>(kMaxResultRows)}) {
    const std::wstring page = MakePage(rows);
    const std::string repairedBytes = WideToUtf8(RepairMarkup(page));
    size_t parsedRows = 0;
    // Both sides are timed alternately so that load on the machine falls on
    // both alike.
    std::vector<double> pipelineTimes, bareTimes;
    for (int run = 0; run < kRuns; ++run) {
      std::wstring received(page);
      double start = Now();
      {
        std::vector<TicketRow> result;
        ParseResultPage(RepairMarkup(std::move(received)), result);
        parsedRows = result.size();
      }
      pipelineTimes.push_back(Now() - start);
      start = Now();
      {
        TiXmlDocument document;
        document.Parse(repairedBytes.c_str(), nullptr, TIXML_ENCODING_UTF8);
      }
      bareTimes.push_back(Now() - start);
    }
    std::sort(pipelineTimes.begin(), pipelineTimes.end());
    std::sort(bareTimes.begin(), bareTimes.end());
    const double pipeline = pipelineTimes[kRuns / 2];
    const double bare = bareTimes[kRuns / 2];
    if (parsedRows != static_cast<size_t>(rows)) {
      std::printf("error: parsed %u rows of %d\n", static_cast<unsigned>(parsedRows), rows);
      return 1;
    }
    std::printf("%8d %10u %14.3f %14.3f %8.2f\n", rows, static_cast<unsigned>(repairedBytes.size() / 1024),
                pipeline * 1000, bare * 1000, pipeline / bare);
  }

  std::printf("\nRepairMarkup alone, page moved in, caches cold, median of %d runs; target at 32 MiB: 1.10 or less\n",
              kRuns);
  std::printf("%8s %12s %12s %16s\n", "MiB", "total ms", "ms per MiB", "per MiB / 1 MiB");
  double perMebibyteAtOne = 0;
  for (size_t mebibytes : {1u, 8u, 32u}) {
    const std::wstring text = MakeRepairInput(mebibytes);
    size_t length = 0;
    const double seconds = MedianRepairSeconds(kRuns, WideToUtf8(text), length);
    if (length <= text.size()) {
      std::printf("error: nothing was repaired\n");
      return 1;
    }
    const double perMebibyte = seconds * 1000 / mebibytes;
    if (mebibytes == 1) perMebibyteAtOne = perMebibyte;
    std::printf("%8u %12.2f %12.2f %16.2f\n", static_cast<unsigned>(mebibytes), seconds * 1000, perMebibyte,
                perMebibyte / perMebibyteAtOne);
  }

  std::printf("\nHostile parses (refused or accepted), median of 3 runs: time per MiB should stay flat\n");
  std::printf("%-44s %8s %12s %12s\n", "input", "MiB", "total ms", "ms per MiB");
  const struct {
    const char* name;
    size_t mebibytes;
    int attributes;
  } floods[] = {{"elements at the attribute limit", 1, kMaxXmlAttributes},
                {"elements at the attribute limit", 32, kMaxXmlAttributes},
                {"one element with 100,000 attributes", 1, 100000}};
  for (const auto& flood : floods) {
    const std::string text = MakeAttributeFlood(flood.mebibytes, flood.attributes);
    const double seconds = MedianSeconds(3, [&] {
      TiXmlDocument document;
      ParseSkinDocument(text, document);
    });
    const double mebibytes = static_cast<double>(text.size()) / (1024 * 1024);
    std::printf("%-44s %8.1f %12.2f %12.2f\n", flood.name, mebibytes, seconds * 1000, seconds * 1000 / mebibytes);
  }
  std::string deep;
  for (int i = 0; i < 4000000; ++i) deep += "<a>";
  const double deepSeconds = MedianSeconds(3, [&] {
    TiXmlDocument document;
    ParseSkinDocument(deep, document);
  });
  std::printf("%-44s %8.1f %12.2f %12.2f\n", "4,000,000 nested elements", deep.size() / (1024.0 * 1024),
              deepSeconds * 1000, deepSeconds * 1000 * 1024 * 1024 / deep.size());
  return 0;
}
