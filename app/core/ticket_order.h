// Which trains are shown and in what order: the train-kind filter of the
// query bar's check boxes (and of tavora-query --kinds), sorting by a result
// column, and whether a seat cell has tickets left.
#pragma once

#include <string>
#include <vector>

#include "app/core/result_columns.h"
#include "app/core/ticket_row.h"

// One bit per train-kind check box, in the boxes' order after "全选".
enum TrainKind : unsigned {
  kKindIntercity = 1u << 0,     // 城际: C
  kKindHighSpeed = 1u << 1,     // 高铁: G
  kKindMultipleUnit = 1u << 2,  // 动车: D
  kKindDirect = 1u << 3,        // 直达: Z
  kKindExpress = 1u << 4,       // 特快: T
  kKindFast = 1u << 5,          // 快速: K
  kKindOrdinary = 1u << 6,      // 普快: codes that start with a digit
  kKindTemporary = 1u << 7,     // 临客: L and Y
};
constexpr unsigned kAllTrainKinds = 0xFF;
constexpr int kTrainKindCount = 8;

// The kind bit of a train code, from its first character; 0 when no box
// names it (an unknown letter, an empty code): such trains are always shown.
unsigned TrainKindOf(const std::wstring& trainCode);

// Letters of tavora-query --kinds: C G D Z T K L Y as on the train codes, and
// P for 普快; either case. False for an empty text or any other character.
bool ParseTrainKinds(const std::wstring& letters, unsigned& kinds);

// Whether a train passes the filter `kinds`: its kind is among them, or it
// has none (TrainKindOf).
bool KindShown(const std::wstring& trainCode, unsigned kinds);
bool TrainShown(const TicketRow& row, unsigned kinds);
std::vector<TicketRow> FilterRows(const std::vector<TicketRow>& rows, unsigned kinds);

// The departure-time ranges of the query bar and of tavora-query --depart.
enum class DepartRange : int {
  AllDay = 0,  // 全天
  Night,       // 00:00–06:00
  Morning,     // 06:00–12:00
  Afternoon,   // 12:00–18:00
  Evening,     // 18:00–24:00
};
constexpr int kDepartRangeCount = 5;
// Whether the departure time falls in the range (start included, end
// excluded). A time that does not read passes AllDay only.
bool DepartsIn(const TicketRow& row, DepartRange range);
// tavora-query --depart: "00-06", "06-12", "12-18", "18-24" (single digits
// too: "6-12"), or "all"; false for any other text.
bool ParseDepartRange(const std::wstring& text, DepartRange& range);

// Whether any seat class of the train has tickets left (HasTickets).
bool HasAnyTickets(const TicketRow& row);

// Everything that decides whether a train is shown.
struct RowFilter {
  unsigned kinds = kAllTrainKinds;
  bool availableOnly = false;  // 只看有票: HasAnyTickets
  DepartRange depart = DepartRange::AllDay;
};
bool TrainShown(const TicketRow& row, const RowFilter& filter);
std::vector<TicketRow> FilterRows(const std::vector<TicketRow>& rows, const RowFilter& filter);

// "HH:MM" (hours may pass 23, as a travel time does) as minutes; -1 when the
// text is no such time.
int ParseMinutes(const std::wstring& text);

// How much a seat cell offers: "有" ranks above every count, counts rank by
// their value above "无", and "无" above "--" and anything else.
int SeatRank(const std::wstring& cell);
// "有" or a count above zero.
bool HasTickets(const std::wstring& cell);

// The comparisons the list's order is made of, for every list of trains: <0,
// 0 or >0 as `a` sorts before, with or after `b` ascending.
// Train codes, trimmed: letters first, then the number after them as a
// number (G2 before G10), then the whole text.
int CompareTrainCodes(const std::wstring& a, const std::wstring& b);
// Times and travel times as minutes (ParseMinutes); unreadable ones last.
int CompareTimes(const std::wstring& a, const std::wstring& b);
// Texts by code point.
int CompareTexts(const std::wstring& a, const std::wstring& b);

// <0, 0 or >0 as `a` sorts before, with or after `b` by `column` ascending:
// times and travel times as minutes (unreadable ones last), seat cells by
// SeatRank, train codes by letter then number, other texts by code point.
int CompareByColumn(const TicketRow& a, const TicketRow& b, int column);
// The direction a first click on `column` sorts in: seat columns with the most
// tickets first, the others ascending.
bool SortsDescendingFirst(int column);
// Stable sort by `column`; ties keep their order.
void SortRows(std::vector<TicketRow>& rows, int column, bool descending);
