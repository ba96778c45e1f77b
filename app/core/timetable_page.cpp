#include "app/core/timetable_page.h"

#include <tinyxml.h>

#include <utility>

#include "app/core/result_page.h"
#include "app/core/ticket_order.h"
#include "skin/resources/xml_document.h"

namespace {

enum StopCell { kSequenceCell = 0, kStationCell, kArriveCell, kDepartCell, kStayCell, kDistanceCell, kStopCellCount };

constexpr int kMinutesPerDay = 24 * 60;
constexpr wchar_t kNoTime[] = L"--";

// "HH:MM" of a day as minutes since midnight; -1 for anything else.
int TimeOfDay(const std::wstring& text) {
  const int minutes = ParseMinutes(text);
  return minutes < kMinutesPerDay ? minutes : -1;
}

const char* StationText(const TiXmlElement* cell) {
  if (const char* link = CellLinkText(cell)) return link;
  return cell && cell->FirstChildElement("a") ? nullptr : CellText(cell);
}

}  // namespace

TimetablePage ParseTimetablePage(std::wstring repairedPage, std::vector<TrainStop>& stops) {
  if (HasTooMuchMarkup(repairedPage)) return TimetablePage::TooLarge;
  TiXmlDocument document;
  if (!ParseXmlDocument(std::move(repairedPage), document)) return TimetablePage::NoTable;
  const TiXmlElement* table = FindResultTable(document.RootElement());
  const TiXmlElement* header = table ? table->FirstChildElement("tr") : nullptr;
  if (!header) return TimetablePage::NoTable;

  std::vector<TrainStop> parsed;
  parsed.reserve(CountDataRows(header));
  for (const TiXmlElement* row = header->NextSiblingElement(); row; row = row->NextSiblingElement()) {
    const TiXmlElement* cells[kStopCellCount] = {};
    const TiXmlElement* cell = row->FirstChildElement("td");
    for (const TiXmlElement*& slot : cells) {
      slot = cell;
      if (cell) cell = cell->NextSiblingElement();
    }
    const char* station = StationText(cells[kStationCell]);
    if (!station || !*station) continue;  // an empty or decorative row: no stop
    if (parsed.size() == kMaxResultRows) return TimetablePage::TooLarge;
    TrainStop& stop = parsed.emplace_back();
    AssignCellField(stop.sequence, CellText(cells[kSequenceCell]));
    AssignCellField(stop.station, station);
    AssignCellField(stop.arrive, CellText(cells[kArriveCell]));
    AssignCellField(stop.depart, CellText(cells[kDepartCell]));
    AssignCellField(stop.distance, CellText(cells[kDistanceCell]));
  }
  stops.swap(parsed);
  return TimetablePage::Stops;
}

std::vector<std::vector<std::wstring>> TimetableTexts(const std::vector<TrainStop>& stops) {
  std::vector<std::vector<std::wstring>> texts;
  texts.reserve(stops.size());
  int day = 0;
  int previous = -1;  // the last time that read, in minutes of its day
  // A time earlier than the one before it lies on the next day.
  const auto passTime = [&day, &previous](int minutes) {
    if (minutes < 0) return;
    if (minutes < previous) ++day;
    previous = minutes;
  };
  for (size_t i = 0; i < stops.size(); ++i) {
    const TrainStop& stop = stops[i];
    const bool first = i == 0;
    const bool last = i + 1 == stops.size();
    const int arrive = first ? -1 : TimeOfDay(stop.arrive);
    const int depart = last ? -1 : TimeOfDay(stop.depart);
    passTime(arrive);
    // A stop is on the day the train arrives there (the first: leaves).
    const std::wstring dayWord = DayWord(day);
    passTime(depart);

    std::wstring stay = kNoTime;
    if (arrive >= 0 && depart >= 0) stay = std::to_wstring((depart - arrive + kMinutesPerDay) % kMinutesPerDay) + L"分";

    std::vector<std::wstring>& row = texts.emplace_back(kTimetableColumnCount);
    row[kStopSequence] = stop.sequence;
    row[kStopStation] = stop.station;
    row[kStopArrive] = first ? kNoTime : stop.arrive;
    row[kStopDepart] = last ? kNoTime : stop.depart;
    row[kStopStay] = std::move(stay);
    row[kStopDistance] = stop.distance;
    row[kStopDay] = dayWord;
  }
  return texts;
}

std::wstring DayWord(int dayIndex) {
  if (dayIndex <= 0) return L"当日";
  if (dayIndex == 1) return L"次日";
  return L"第" + std::to_wstring(dayIndex + 1) + L"日";
}
