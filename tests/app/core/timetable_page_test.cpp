#include "app/core/timetable_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/result_page.h"

namespace {

// A page shaped like the site's /train.aspx answer, with the site's broken
// form markup before the stop table.
std::wstring TrainPage(const std::wstring& rows) {
  return L"<html><body><div><select><option selected value=\"1\" >1</option></select></div><div><h3>G1</h3>"
         L"<table id=\"StopTable\"><tr><th>站序</th><th>站名</th></tr>" + rows + L"</table><p>x</p></div></body></html>";
}

}  // namespace

// Stops in order (controls blanked); rows without a station are none. A page
// without the table, broken or past the row bound leaves the stops alone.
TEST(ParseTimetablePage, ReadsTheStopTableWithinTheResultPagesBounds) {
  std::wstring many;
  for (size_t i = 0; i < kMaxResultRows; ++i) many += L"<tr><td>1</td><td>站</td></tr><tr/>";
  const std::wstring stops = L"<tr><td>1</td><td><a href=\"/station.aspx?S=x\">北京</a></td><td>----</td>"
                             L"<td>07:00</td><td>----</td><td>0</td></tr><tr><td>x</td><td><a/></td></tr>"
                             L"<tr><td>2</td><td>济\u202E南</td><td>08:28</td><td>08:31</td><td>3分</td><td>406</td></tr>";
  const struct {
    std::wstring page;
    TimetablePage result;
    std::wstring stops;
  } cases[] = {
      {TrainPage(stops), TimetablePage::Stops, L"1北京----07:000;2济 南08:2808:31406;"},
      {TrainPage(many + L"<tr><td>1</td><td>北京</td></tr>"), TimetablePage::TooLarge, L"9旧站;"},
      {L"<html><body><div/><div><p>没有找到车次 G9999。</p></div></body></html>", TimetablePage::NoTable, L"9旧站;"},
      {TrainPage(L"<tr>"), TimetablePage::NoTable, L"9旧站;"},
  };
  for (const auto& c : cases) {
    std::vector<TrainStop> read = {{L"9", L"旧站", L"", L"", L""}};
    EXPECT_EQ(c.result, ParseTimetablePage(RepairMarkup(c.page), read));
    std::wstring texts;
    for (const TrainStop& s : read) texts += s.sequence + s.station + s.arrive + s.depart + s.distance + L";";
    EXPECT_EQ(c.stops, texts);
  }
  std::vector<TrainStop> read;
  EXPECT_EQ(TimetablePage::Stops, ParseTimetablePage(RepairMarkup(TrainPage(many)), read));
  EXPECT_EQ(kMaxResultRows, read.size());
}

// Two midnights, one between a stop's arrival and departure, around a time
// that does not read; times written at the ends are not shown.
TEST(TimetableTexts, CountsMidnightsAndMarksTheEnds) {
  const std::vector<TrainStop> stops = {{L"1", L"A", L"23:00", L"22:00", L"0"}, {L"2", L"B", L"晚点", L"23:30", L"9"},
                                        {L"3", L"C", L"05:00", L"24:10", L""},  {L"4", L"D", L"23:59", L"00:01", L""},
                                        {L"5", L"E", L"00:30", L"01:00", L""}};
  const std::vector<std::vector<std::wstring>> texts = {{L"1", L"A", L"--", L"22:00", L"--", L"0", L"当日"},
                                                        {L"2", L"B", L"晚点", L"23:30", L"--", L"9", L"当日"},
                                                        {L"3", L"C", L"05:00", L"24:10", L"--", L"", L"次日"},
                                                        {L"4", L"D", L"23:59", L"00:01", L"2分", L"", L"次日"},
                                                        {L"5", L"E", L"00:30", L"--", L"--", L"", L"第3日"}};
  EXPECT_EQ(texts, TimetableTexts(stops));
  EXPECT_EQ(L"第12日", DayWord(11));
}
