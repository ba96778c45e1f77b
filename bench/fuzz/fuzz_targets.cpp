#include "bench/fuzz/fuzz_targets.h"

#include <windows.h>
#include <tinyxml.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "app/core/fare_page.h"
#include "app/core/page_text.h"
#include "app/core/result_page.h"
#include "app/core/ticket_row.h"
#include "app/core/timetable_page.h"
#include "app/entry/command_line.h"
#include "bench/bench_surface.h"
#include "skin/host/dialog_view.h"
#include "skin/host/list_view.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/style.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/containers.h"
#include "skin/tree/window_registry.h"

std::string MakeResultPage(int rows) {
  std::string page =
      "<html><head><title>余票查询</title></head><body><div id=\"search\"><form action=\"Default.aspx\">"
      "<select name=\"D\"><option selected value=\"1\" >今天</option><option value=\"2\">明天</option></select>"
      "<input type=\"text\" id=\"days\" value=\"0\"/ onkeypress=\"updateDaysRange()\" /></form></div>"
      "<div id=\"result\"><table><tr><th>序号</th><th>车次</th><th>出发站</th></tr>";
  for (int i = 0; i < rows; ++i) {
    const std::string n = std::to_string(i);
    page += "<tr><td>" + n + "</td><td>24000000G" + n + "</td><td><a href=\"#\">G" + n +
            "</a></td><td><a>北京南</a></td><td><a>上海虹桥</a></td><td>07:00</td><td>12:38</td>"
            "<td>05:38</td><td>有</td><td>12</td><td>--</td><td>--</td><td>--</td><td>无</td>"
            "<td><a>北京南</a></td><td><a>上海虹桥</a></td><td>高速动车</td></tr>";
  }
  return page + "</table></div></body></html>";
}

namespace {

std::string ModuleDocument(unsigned id) {
  std::string bytes;
  LoadModuleResource(id, bytes, L"xml");
  return bytes;
}

// ---- result pages ----------------------------------------------------------

std::vector<std::string> ResultPageSeeds() { return {MakeResultPage(0), MakeResultPage(1), MakeResultPage(4)}; }

std::vector<TicketRow> HeldRows() {
  std::vector<TicketRow> rows(2);
  for (int i = 0; i < TicketRow::kFieldCount; ++i) {
    rows[0].Field(i) = L"held-" + std::to_wstring(i);
    rows[1].Field(i) = L"行" + std::to_wstring(i * 7);
  }
  return rows;
}

bool SameRows(const std::vector<TicketRow>& a, const std::vector<TicketRow>& b) {
  if (a.size() != b.size()) return false;
  for (size_t row = 0; row < a.size(); ++row)
    for (int i = 0; i < TicketRow::kFieldCount; ++i)
      if (a[row].Field(i) != b[row].Field(i)) return false;
  return true;
}

// What the query worker does with a fetched body: it ends at the first zero
// byte, is decoded as UTF-8, repaired and parsed into rows that already hold
// the previous answer, or into the site's message.
std::string RunResultPage(const std::string& input, const FuzzContext&) {
  const std::string body = input.substr(0, input.find('\0'));
  std::wstring page = MultiByteToWide(body, kCodePageUtf8);
  if (page.empty()) return std::string();
  page = RepairMarkup(std::move(page));
  static const std::vector<TicketRow> kHeld = HeldRows();
  std::vector<TicketRow> rows = kHeld;
  std::wstring message;
  if (ParseResultPage(page, rows, message) != ResultPage::Rows) {
    if (message.size() > kMaxSiteMessageChars) return "a site's message longer than its bound";
    if (std::any_of(message.begin(), message.end(), IsControlCharacter)) return "a site's message holding a control";
    return SameRows(rows, kHeld) ? std::string() : "rows changed by a page that did not parse";
  }
  if (!message.empty()) return "a site's message beside a result table";
  if (rows.size() > kMaxResultRows) return "more rows than an answer may hold";
  for (const TicketRow& row : rows) {
    if (row.trainCode.empty()) return "a row without a train code";
    for (int i = 0; i < TicketRow::kFieldCount; ++i) {
      const std::wstring& field = row.Field(i);
      if (std::any_of(field.begin(), field.end(), IsControlCharacter)) return "a cell holding a control character";
    }
  }
  return std::string();
}

// ---- timetable pages -------------------------------------------------------

// A timetable page as the site writes it, with `stops` stops an hour apart
// from 22:00, so that the times pass midnight.
std::string MakeTimetablePage(int stops) {
  std::string page =
      "<html><head><title>T1 次列车时刻表</title></head><body><div id=\"search\"><form action=\"train.aspx\">"
      "<input type=\"text\" name=\"T\" value=\"T1\" /></form></div><div id=\"result\"><h3>T1</h3>"
      "<table id=\"StopTable\"><tr><th>站序</th><th>站名</th><th>到站时间</th><th>出发时间</th><th>停留</th>"
      "<th>里程</th></tr>";
  for (int i = 0; i < stops; ++i) {
    const std::string n = std::to_string(i + 1);
    const std::string hour = std::to_string(100 + (22 + i) % 24).substr(1);
    page += "<tr><td>" + n + "</td><td><a href=\"/station.aspx?S=站" + n + "\">站" + n + "</a></td><td>" +
            (i == 0 ? "----" : hour + ":00") + "</td><td>" + (i + 1 == stops ? "----" : hour + ":05") +
            "</td><td>5分</td><td>" + std::to_string(i * 90) + "</td></tr>";
  }
  return page + "</table><p class=\"note\">时刻仅供参考。</p></div></body></html>";
}

std::vector<std::string> TimetablePageSeeds() {
  return {MakeTimetablePage(0), MakeTimetablePage(1), MakeTimetablePage(5)};
}

// What the timetable query does with a fetched body, then the texts every
// stop is shown in.
std::string RunTimetablePage(const std::string& input, const FuzzContext&) {
  const std::string body = input.substr(0, input.find('\0'));
  std::wstring page = MultiByteToWide(body, kCodePageUtf8);
  if (page.empty()) return std::string();
  static const std::vector<TrainStop> kHeld = {{L"1", L"旧站", L"08:00", L"----", L"0"}};
  std::vector<TrainStop> stops = kHeld;
  if (ParseTimetablePage(RepairMarkup(std::move(page)), stops) != TimetablePage::Stops) {
    return stops.size() == 1 && stops[0].station == kHeld[0].station ? std::string()
                                                                     : "stops changed by a page that did not parse";
  }
  if (stops.size() > kMaxResultRows) return "more stops than a page may hold";
  const std::vector<std::vector<std::wstring>> texts = TimetableTexts(stops);
  if (texts.size() != stops.size()) return "not one line of texts per stop";
  for (size_t i = 0; i < stops.size(); ++i) {
    if (stops[i].station.empty()) return "a stop without a station";
    if (texts[i].size() != kTimetableColumnCount) return "a stop without every column";
    for (const std::wstring& text : texts[i])
      if (std::any_of(text.begin(), text.end(), IsControlCharacter)) return "a stop's text holding a control character";
    if (texts[i][kStopDay].empty()) return "a stop without its day";
  }
  return std::string();
}

// ---- fare pages ------------------------------------------------------------

// A fare page as the site writes it, with `rows` trains: high-speed and
// conventional ones by turns, so that every class has amounts and "--".
std::string MakeFarePage(int rows) {
  std::string page =
      "<html><head><title>北京 到 上海 票价查询</title></head><body><div id=\"search\"><form action=\"fare.aspx\">"
      "<select name=\"D\"><option selected value=\"1\" >今天</option></select>"
      "<input type=\"text\" id=\"days\" value=\"0\"/ onkeypress=\"updateDaysRange()\" /></form></div>"
      "<div id=\"result\"><h3>北京 到 上海 票价</h3><table id=\"FareTable\"><tr><th>车次</th><th>出发站</th>"
      "<th>到达站</th><th>发时</th><th>到时</th><th>历时</th><th>商务座</th><th>一等座</th><th>二等座</th>"
      "<th>硬座</th><th>硬卧</th><th>软卧</th><th>无座</th></tr>";
  for (int i = 0; i < rows; ++i) {
    const bool fast = i % 2 == 0;
    const std::string code = (fast ? "G" : "Z") + std::to_string(i + 1);
    page += "<tr><td><a href=\"/train.aspx?T=" + code + "&amp;D=1\">" + code +
            "</a></td><td><a>北京</a></td><td><a>上海</a></td><td>07:00</td><td>11:51</td><td>04:51</td>" +
            (fast ? "<td>1940.0</td><td>970.0</td><td>606.5</td><td>--</td><td>--</td><td>--</td>"
                  : "<td>--</td><td>--</td><td>--</td><td>197.5</td><td>356.0</td><td>553.5</td>") +
            "<td>" + (fast ? "606.5" : "197.5") + "</td></tr>";
  }
  return page + "</table><p class=\"note\">票价仅供参考。</p></div></body></html>";
}

std::vector<std::string> FarePageSeeds() { return {MakeFarePage(0), MakeFarePage(1), MakeFarePage(4)}; }

// What the fare query does with a fetched body, then what the list, the
// exports and the command line make of the rows: texts, amounts, the
// cheapest per class, and an order by each column.
std::string RunFarePage(const std::string& input, const FuzzContext&) {
  const std::string body = input.substr(0, input.find('\0'));
  std::wstring page = MultiByteToWide(body, kCodePageUtf8);
  if (page.empty()) return std::string();
  const FareRow held{L"K9", L"旧站", L"新站", L"08:00", L"09:00", L"01:00", {L"--", L"--", L"--", L"12.5"}};
  std::vector<FareRow> rows = {held};
  std::wstring message;
  if (ParseFarePage(RepairMarkup(std::move(page)), rows, message) != FarePage::Rows) {
    if (message.size() > kMaxSiteMessageChars) return "a site's message longer than its bound";
    if (std::any_of(message.begin(), message.end(), IsControlCharacter)) return "a site's message holding a control";
    return rows.size() == 1 && rows[0].fromStation == held.fromStation ? std::string()
                                                                        : "rows changed by a page that did not parse";
  }
  if (!message.empty()) return "a site's message beside a fare table";
  if (rows.size() > kMaxResultRows) return "more rows than an answer may hold";
  const std::array<int, kFareClassCount> cheapest = CheapestFares(rows);
  for (const FareRow& row : rows) {
    if (row.trainCode.empty()) return "a row without a train code";
    const std::vector<std::wstring> texts = FareRowTexts(row);
    if (texts.size() != static_cast<size_t>(kFareColumnCount)) return "a row without every column";
    for (const std::wstring& text : texts)
      if (std::any_of(text.begin(), text.end(), IsControlCharacter)) return "a fare text holding a control character";
    for (int fareClass = 0; fareClass < kFareClassCount; ++fareClass) {
      const int tenths = ParseFareTenths(row.fares[fareClass]);
      if (tenths > kMaxFareTenths) return "an amount past its bound";
      if (tenths >= 0 && (ParseFareTenths(FormatFare(tenths)) != tenths || tenths < cheapest[fareClass]))
        return "an amount that does not read back or lies below the cheapest";
    }
  }
  for (int column = 0; column < kFareColumnCount; ++column) {
    std::vector<FareRow> sorted = rows;
    SortFareRows(sorted, column, column % 2 == 1);
    if (sorted.size() != rows.size()) return "a sort that lost rows";
    if (column < kFareFirstClassColumn) continue;
    bool missing = false;
    for (const FareRow& row : sorted) {
      const bool none = ParseFareTenths(row.fares[column - kFareFirstClassColumn]) < 0;
      if (missing && !none) return "an amount sorted after a row without one";
      missing = missing || none;
    }
  }
  return std::string();
}

// ---- skin documents --------------------------------------------------------

// Writes the input as the fuzz document of the scratch skin folder.
bool WriteDocument(const FuzzContext& context, const std::string& input) {
  SetSkinFolder(context.skinFolder);
  const std::wstring path = context.skinFolder + L"\\" + std::to_wstring(kFuzzDocumentId) + L".xml";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = input.empty() || (WriteFile(file, input.data(), static_cast<DWORD>(input.size()), &written, nullptr) &&
                                    written == input.size());
  CloseHandle(file);
  return ok;
}

std::string RunStrings(const std::string& input, const FuzzContext& context) {
  if (!WriteDocument(context, input)) return "cannot write the skin document";
  constexpr int kHeldId = -424242;
  BkString& table = BkString::Instance();
  table.Set(kHeldId, L"held");
  const size_t before = table.Count();
  if (!LoadStrings(kFuzzDocumentId)) {
    const wchar_t* held = table.Find(kHeldId);
    if (table.Count() != before || !held || std::wstring(held) != L"held")
      return "string table changed by a document that did not load";
  }
  return std::string();
}

std::string RunStyles(const std::string& input, const FuzzContext& context) {
  if (!WriteDocument(context, input)) return "cannot write the skin document";
  static const std::string kHeldName = "\x01held";
  auto& styles = BkStylePool::Instance().Styles();
  styles[kHeldName].crtext = 0x123456;
  const size_t before = styles.size();
  if (!LoadStyles(kFuzzDocumentId)) {
    auto held = styles.find(kHeldName);
    if (styles.size() != before || held == styles.end() || held->second.crtext != 0x123456)
      return "style pool changed by a document that did not load";
  }
  return std::string();
}

std::string RunSkins(const std::string& input, const FuzzContext& context) {
  if (!WriteDocument(context, input)) return "cannot write the skin document";
  const bool loaded = LoadSkins(kFuzzDocumentId);
  auto& skins = BkSkinPool::Instance().Skins();
  // A readable document empties the pool before it is parsed.
  if (!loaded && !input.empty() && !skins.empty()) return "skin pool kept skins after a document that did not parse";

  // Small, so that the paint paths run without costing the run its pace.
  constexpr int kWidth = 96;
  constexpr int kHeight = 64;
  static Surface target(kWidth, kHeight);
  if (!target.valid()) return "no paint target";
  static const RECT kRects[] = {{0, 0, kWidth, kHeight}, {-20, 50, 30, 90}, {40, 30, 10, 5}};
  static const int kStates[] = {-1, 0, 1, 2, 16};
  for (auto& entry : skins) {
    CBkSkinBase* skin = entry.second.get();
    skin->GetNaturalSize();
    skin->IsStateless();
    for (const RECT& rect : kRects)
      for (int state : kStates) skin->Draw(target.dc(), rect, state);
  }
  GdiFlush();
  return std::string();
}

// ---- element documents: layers, fragments, list-item templates -------------------

constexpr int kLayerWidth = 680;
constexpr int kLayerHeight = 430;

Surface& LayerSurface() {
  static Surface surface(kLayerWidth, kLayerHeight);
  return surface;
}

// Lays `element` out in a box of the layer's size (and a tiny one, and an
// inverted one), paints it into the surface and hit-tests it: the paths a
// host takes, without a window.
void PlaceAndPaint(CBkWindow& element, HDC dc) {
  static const RECT kBoxes[] = {{0, 0, kLayerWidth, kLayerHeight}, {0, 0, 3, 2}, {10, 10, -40, -5}};
  for (const RECT& box : kBoxes) {
    PlaceElement(element, box.left, box.top, box.right - box.left, box.bottom - box.top);
    element.PaintInRegion(dc, nullptr);
    element.HitTest(box.left + 5, box.top + 5, 0);
  }
  PlaceElement(element, 0, 0, kLayerWidth, kLayerHeight);
  element.PaintInRegion(dc, nullptr);
  for (int x = 0; x < kLayerWidth; x += 97) element.HitTest(x, x % kLayerHeight, 0);
}

// Elements are made and registered per document: all of them are gone again
// when the document's holder goes.
std::string RegistryKept(size_t before) {
  return BkWindowRegistry::Instance().Count() == before ? std::string() : "elements outlived their document";
}

std::string RunLayer(const std::string& input, const FuzzContext& context) {
  SetSkinFolder(context.skinFolder);
  Surface& target = LayerSurface();
  if (!target.valid()) return "no paint target";
  const size_t before = BkWindowRegistry::Instance().Count();
  {
    CBkDialogView view;
    view.LoadLayer(input);
    for (int i = 0; i < 3; ++i)
      if (CBkDialog* section = view.Section(i)) PlaceAndPaint(*section, target.dc());
    GdiFlush();
  }
  return RegistryKept(before);
}

// A dialog fragment, loaded as the program loads its header and footer: by a
// "dlgfile" element from the skin folder.
std::string RunFragment(const std::string& input, const FuzzContext& context) {
  if (!WriteDocument(context, input)) return "cannot write the skin document";
  Surface& target = LayerSurface();
  if (!target.valid()) return "no paint target";
  static const std::string kHost =
      "<dlg><dlgfile pos=\"0,0,-0,-0\" src=\"" + std::to_string(kFuzzDocumentId) + "\"/></dlg>";
  const size_t before = BkWindowRegistry::Instance().Count();
  {
    TiXmlDocument document;
    if (!ParseSkinDocument(kHost, document)) return "the host document does not parse";
    CBkDialog dialog;
    dialog.Load(document.RootElement());
    PlaceAndPaint(dialog, target.dc());
    GdiFlush();
  }
  return RegistryKept(before);
}

std::string RunListItem(const std::string& input, const FuzzContext& context) {
  SetSkinFolder(context.skinFolder);
  Surface& target = LayerSurface();
  if (!target.valid()) return "no paint target";
  const size_t before = BkWindowRegistry::Instance().Count();
  {
    CBkListView list;
    const bool loaded = list.LoadTemplate(input);
    const int height = list.GetRowHeight();
    if (loaded && (height < CBkListView::kMinRowHeight || height > CBkListView::kMaxRowHeight) &&
        list.IsTemplateLoaded() && height != 0)
      return "row height outside its bounds";
    for (int id : {5, 20020, 20114}) {
      list.SetElementText(id, L"G1234");
      list.SetElementAttribute(id, "crbg", "A9DAF1");
    }
    PlaceAndPaint(list.Template(), target.dc());
    GdiFlush();
  }
  return RegistryKept(before);
}

// ---- command lines ------------------------------------------------------------------

// The input's bytes as UTF-16 units (pairs, little-endian), so that every
// unit, quotes and blanks included, can appear.
std::wstring WideUnits(const std::string& input) {
  std::wstring text;
  for (size_t i = 0; i + 1 < input.size(); i += 2)
    text += static_cast<wchar_t>(static_cast<unsigned char>(input[i]) | (static_cast<unsigned char>(input[i + 1]) << 8));
  return text;
}

std::vector<std::string> CommandLineSeeds() {
  const std::wstring texts[] = {
      L"\"C:\\Program Files\\tavora.exe\" -Install",
      L"tavora.exe -Update:\"C:\\Temp Dir\\tavoSetup.exe\" /x -Name:\"a b\"",
      L"- -: -\"\" /\" -q:\"  \" -k",
  };
  std::vector<std::string> seeds;
  for (const std::wstring& text : texts) {
    std::string bytes;
    for (wchar_t c : text) {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    seeds.push_back(bytes);
  }
  return seeds;
}

// Any command line parses, and the switches written out again for a relaunch
// parse to the same switches.
std::string RunCommandLine(const std::string& input, const FuzzContext&) {
  const std::wstring text = WideUnits(input);
  CCommandLine first;
  if (!first.ParseCommandLine(text.c_str())) return "a command line was refused";
  const std::wstring rebuilt = first.BuildSwitchParameters();
  CCommandLine second;
  second.ParseCommandLine(rebuilt.c_str());
  if (second.switches != first.switches) return "rebuilt parameters parse to other switches";
  return std::string();
}

}  // namespace

const std::vector<FuzzFamily>& FuzzFamilies() {
  static const std::vector<FuzzFamily> kFamilies = {
      {"result-page", ResultPageSeeds, RunResultPage},
      {"timetable-page", TimetablePageSeeds, RunTimetablePage},
      {"fare-page", FarePageSeeds, RunFarePage},
      {"strings", [] { return std::vector<std::string>{ModuleDocument(102)}; }, RunStrings},
      {"styles", [] { return std::vector<std::string>{ModuleDocument(101)}; }, RunStyles},
      {"skins", [] { return std::vector<std::string>{ModuleDocument(100)}; }, RunSkins},
      {"layers", [] { return std::vector<std::string>{ModuleDocument(103)}; }, RunLayer},
      {"fragments", [] { return std::vector<std::string>{ModuleDocument(104), ModuleDocument(105)}; }, RunFragment},
      {"listitem", [] { return std::vector<std::string>{ModuleDocument(106)}; }, RunListItem},
      {"cmdline", CommandLineSeeds, RunCommandLine},
  };
  return kFamilies;
}

const FuzzFamily* FindFuzzFamily(const std::string& name) {
  for (const FuzzFamily& family : FuzzFamilies())
    if (name == family.name) return &family;
  return nullptr;
}
