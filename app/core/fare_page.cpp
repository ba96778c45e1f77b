#include "app/core/fare_page.h"

#include <tinyxml.h>

#include <algorithm>
#include <utility>

#include "app/core/result_page.h"
#include "app/core/ticket_json.h"
#include "app/core/ticket_order.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/xml_document.h"

namespace {

constexpr const wchar_t* kColumnTitles[kFareColumnCount] = {
    L"车次",   L"出发站", L"到达站", L"发时", L"到时", L"历时", L"商务座",
    L"一等座", L"二等座", L"硬座",   L"硬卧", L"软卧", L"无座",
};

constexpr const wchar_t* kJsonKeys[kFareClassCount] = {
    L"business", L"firstClass", L"secondClass", L"hardSeat", L"hardSleeper", L"softSleeper", L"standing",
};

using TrainField = std::wstring FareRow::*;
constexpr TrainField kTrainFields[kFareFirstClassColumn] = {
    &FareRow::trainCode,  &FareRow::fromStation, &FareRow::toStation,
    &FareRow::departTime, &FareRow::arriveTime,  &FareRow::travelTime,
};

bool IsLinkColumn(int column) {
  return column == kFareColumnTrainCode || column == kFareColumnFrom || column == kFareColumnTo;
}

std::wstring& Field(FareRow& row, int column) {
  return column < kFareFirstClassColumn ? row.*kTrainFields[column] : row.fares[column - kFareFirstClassColumn];
}

bool IsYuanSign(wchar_t c) { return c == L'\u00A5' || c == L'\uFFE5'; }

// The row's texts, each amount written by `format`.
std::vector<std::wstring> RowCells(const FareRow& row, std::wstring (*format)(int)) {
  std::vector<std::wstring> cells;
  cells.reserve(kFareColumnCount);
  for (const TrainField field : kTrainFields) cells.push_back(row.*field);
  for (const std::wstring& fare : row.fares) cells.push_back(format(ParseFareTenths(fare)));
  return cells;
}

int CompareTrainColumn(const FareRow& a, const FareRow& b, int column) {
  switch (column) {
    case kFareColumnTrainCode:
      return CompareTrainCodes(a.trainCode, b.trainCode);
    case kFareColumnDepart:
    case kFareColumnArrive:
    case kFareColumnTravelTime:
      return CompareTimes(a.*kTrainFields[column], b.*kTrainFields[column]);
    default:
      return CompareTexts(a.*kTrainFields[column], b.*kTrainFields[column]);
  }
}

}  // namespace

const wchar_t* FareColumnTitle(int column) {
  return column >= 0 && column < kFareColumnCount ? kColumnTitles[column] : L"";
}

int ParseFareTenths(std::wstring_view text) {
  std::wstring_view amount = TrimWhiteSpace(text);
  if (!amount.empty() && IsYuanSign(amount.front())) amount.remove_prefix(1);
  const size_t point = amount.find(L'.');
  unsigned long long yuan = 0;
  if (!ParseWholeDecimal(amount.substr(0, point), kMaxFareTenths / 10, yuan)) return -1;
  int tenths = static_cast<int>(yuan) * 10;
  if (point != std::wstring_view::npos) {
    const std::wstring_view decimals = amount.substr(point + 1);
    if (decimals.size() != 1 || decimals[0] < L'0' || decimals[0] > L'9') return -1;
    tenths += decimals[0] - L'0';
  }
  return tenths <= kMaxFareTenths ? tenths : -1;
}

std::wstring PlainFare(int tenths) {
  if (tenths < 0) return std::wstring();
  return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

std::wstring FormatFare(int tenths) { return tenths < 0 ? L"--" : L"¥" + PlainFare(tenths); }

FarePage ParseFarePage(std::wstring repairedPage, std::vector<FareRow>& rows, std::wstring& message) {
  message.clear();
  if (HasTooMuchMarkup(repairedPage)) return FarePage::TooLarge;
  TiXmlDocument document;
  if (!ParseXmlDocument(std::move(repairedPage), document)) return FarePage::NoTable;
  const TiXmlElement* division = FindResultDivision(document.RootElement());
  const TiXmlElement* table = division ? division->FirstChildElement("table") : nullptr;
  if (!table) {
    message = SiteMessage(division);
    return FarePage::NoTable;
  }
  const TiXmlElement* header = table->FirstChildElement("tr");
  if (!header) return FarePage::NoTable;

  std::vector<FareRow> parsed;
  parsed.reserve(CountDataRows(header));
  for (const TiXmlElement* row = header->NextSiblingElement(); row; row = row->NextSiblingElement()) {
    const char* values[kFareColumnCount] = {};
    const TiXmlElement* cell = row->FirstChildElement("td");
    for (int column = 0; column < kFareColumnCount && cell; ++column, cell = cell->NextSiblingElement())
      values[column] = IsLinkColumn(column) ? CellLinkText(cell) : CellText(cell);
    if (!values[kFareColumnTrainCode] || !*values[kFareColumnTrainCode]) continue;  // no train
    if (parsed.size() == kMaxResultRows) return FarePage::TooLarge;
    FareRow& fare = parsed.emplace_back();
    for (int column = 0; column < kFareColumnCount; ++column) AssignCellField(Field(fare, column), values[column]);
  }
  rows.swap(parsed);
  return FarePage::Rows;
}

std::vector<int> FareClassesPresent(const std::vector<FareRow>& rows) {
  const std::array<int, kFareClassCount> cheapest = CheapestFares(rows);
  std::vector<int> classes;
  for (int fareClass = 0; fareClass < kFareClassCount; ++fareClass)
    if (cheapest[fareClass] >= 0) classes.push_back(fareClass);
  return classes;
}

std::array<int, kFareClassCount> CheapestFares(const std::vector<FareRow>& rows) {
  std::array<int, kFareClassCount> cheapest;
  cheapest.fill(-1);
  for (const FareRow& row : rows) {
    for (int fareClass = 0; fareClass < kFareClassCount; ++fareClass) {
      const int tenths = ParseFareTenths(row.fares[fareClass]);
      if (tenths >= 0 && (cheapest[fareClass] < 0 || tenths < cheapest[fareClass])) cheapest[fareClass] = tenths;
    }
  }
  return cheapest;
}

void SortFareRows(std::vector<FareRow>& rows, int column, bool descending) {
  if (column < 0 || column >= kFareColumnCount) return;
  if (column < kFareFirstClassColumn) {
    std::stable_sort(rows.begin(), rows.end(), [column, descending](const FareRow& a, const FareRow& b) {
      const int order = CompareTrainColumn(a, b, column);
      return descending ? order > 0 : order < 0;
    });
    return;
  }
  // Each amount is read once; rows without one go last either way.
  const int fareClass = column - kFareFirstClassColumn;
  std::vector<std::pair<int, size_t>> keys;
  keys.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) keys.emplace_back(ParseFareTenths(rows[i].fares[fareClass]), i);
  std::stable_sort(keys.begin(), keys.end(), [descending](const auto& a, const auto& b) {
    if (a.first < 0 || b.first < 0) return a.first >= 0 && b.first < 0;
    return descending ? a.first > b.first : a.first < b.first;
  });
  std::vector<FareRow> sorted;
  sorted.reserve(rows.size());
  for (const auto& key : keys) sorted.push_back(std::move(rows[key.second]));
  rows.swap(sorted);
}

std::vector<FareRow> FilterFareRows(const std::vector<FareRow>& rows, unsigned kinds) {
  std::vector<FareRow> shown;
  shown.reserve(rows.size());
  for (const FareRow& row : rows)
    if (KindShown(row.trainCode, kinds)) shown.push_back(row);
  return shown;
}

std::vector<std::wstring> FareRowTexts(const FareRow& row) { return RowCells(row, FormatFare); }

std::vector<std::vector<std::wstring>> FareRowsAsCells(const std::vector<FareRow>& rows, bool plain) {
  std::vector<std::vector<std::wstring>> cells;
  cells.reserve(rows.size());
  for (const FareRow& row : rows) cells.push_back(RowCells(row, plain ? PlainFare : FormatFare));
  return cells;
}

const wchar_t* FareJsonKey(int fareClass) {
  return fareClass >= 0 && fareClass < kFareClassCount ? kJsonKeys[fareClass] : L"";
}

std::wstring FormatFareJson(const std::vector<FareRow>& rows, const std::vector<int>& classes) {
  std::vector<const wchar_t*> keys = {L"trainCode",  L"fromStation", L"toStation",
                                      L"departTime", L"arriveTime",  L"travelTime"};
  for (const int fareClass : classes) keys.push_back(FareJsonKey(fareClass));
  std::vector<std::vector<std::wstring>> values;
  values.reserve(rows.size());
  for (const FareRow& row : rows) {
    std::vector<std::wstring>& line = values.emplace_back();
    for (const TrainField field : kTrainFields) line.push_back(JsonString(row.*field));
    for (const int fareClass : classes) {
      const int tenths = ParseFareTenths(fareClass >= 0 && fareClass < kFareClassCount ? row.fares[fareClass] : L"");
      line.push_back(tenths < 0 ? L"null" : PlainFare(tenths));
    }
  }
  return FormatJsonValueObjects(keys, values);
}
