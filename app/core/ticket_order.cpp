#include "app/core/ticket_order.h"

#include <algorithm>
#include <climits>

#include "skin/resources/parse_util.h"

namespace {

constexpr wchar_t kHasTickets[] = L"有";
constexpr wchar_t kNoTickets[] = L"无";
// Counts above this are ranked as this; no carriage holds more.
constexpr int kCountCap = 100000;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

unsigned KindOfLetter(wchar_t letter) {
  switch (UpperAscii(letter)) {
    case L'C':
      return kKindIntercity;
    case L'G':
      return kKindHighSpeed;
    case L'D':
      return kKindMultipleUnit;
    case L'Z':
      return kKindDirect;
    case L'T':
      return kKindExpress;
    case L'K':
      return kKindFast;
    case L'L':
    case L'Y':
      return kKindTemporary;
    default:
      return 0;
  }
}

std::wstring Trimmed(const std::wstring& text) { return std::wstring(TrimWhiteSpace(text)); }

// The whole text as a count, capped at kCountCap; -1 unless it is all digits.
int ParseCount(const std::wstring& text) {
  const DecimalScan scan = ScanDecimal(text, false);
  if (scan.digits == 0 || !scan.wholeText) return -1;
  return static_cast<int>(std::min<unsigned long long>(scan.magnitude, kCountCap));
}

// Unreadable keys (-1) sort after every readable one in ascending order.
int CompareKeys(int a, int b) {
  if (a == b) return 0;
  if (a < 0) return 1;
  if (b < 0) return -1;
  return a < b ? -1 : 1;
}

// Letter prefix first, then the number that follows as a number: G2 before G10.
int CompareTrimmedCodes(const std::wstring& a, const std::wstring& b) {
  const auto split = [](const std::wstring& code, std::wstring& prefix, int& number) {
    size_t i = 0;
    while (i < code.size() && !IsDigit(code[i])) ++i;
    prefix = code.substr(0, i);
    size_t end = i;
    while (end < code.size() && IsDigit(code[end])) ++end;
    number = ParseCount(code.substr(i, end - i));
  };
  std::wstring prefixA, prefixB;
  int numberA = -1, numberB = -1;
  split(a, prefixA, numberA);
  split(b, prefixB, numberB);
  if (const int byPrefix = CompareTexts(prefixA, prefixB)) return byPrefix;
  if (const int byNumber = CompareKeys(numberA, numberB)) return byNumber;
  return CompareTexts(a, b);
}

const std::wstring& SeatCell(const TicketRow& row, int column) {
  const std::wstring* cells[] = {&row.seatHardOrSecond, &row.seatSoftOrFirst, &row.sleeperHard,
                                 &row.sleeperSoft,      &row.sleeperDeluxe,   &row.standing};
  return *cells[column - kColumnFirstSeat];
}

}  // namespace

unsigned TrainKindOf(const std::wstring& trainCode) {
  const std::wstring code = Trimmed(trainCode);
  if (code.empty()) return 0;
  if (IsDigit(code[0])) return kKindOrdinary;
  return KindOfLetter(code[0]);
}

bool ParseTrainKinds(const std::wstring& letters, unsigned& kinds) {
  unsigned parsed = 0;
  for (const wchar_t letter : letters) {
    const unsigned kind = UpperAscii(letter) == L'P' ? kKindOrdinary : KindOfLetter(letter);
    if (kind == 0) return false;
    parsed |= kind;
  }
  if (parsed == 0) return false;
  kinds = parsed;
  return true;
}

bool KindShown(const std::wstring& trainCode, unsigned kinds) {
  const unsigned kind = TrainKindOf(trainCode);
  return kind == 0 || (kind & kinds) != 0;
}

bool TrainShown(const TicketRow& row, unsigned kinds) { return TrainShown(row, RowFilter{kinds}); }

std::vector<TicketRow> FilterRows(const std::vector<TicketRow>& rows, unsigned kinds) {
  return FilterRows(rows, RowFilter{kinds});
}

bool DepartsIn(const TicketRow& row, DepartRange range) {
  if (range == DepartRange::AllDay) return true;
  constexpr int kRangeMinutes = 6 * 60;
  const int minutes = ParseMinutes(row.departTime);
  const int start = (static_cast<int>(range) - static_cast<int>(DepartRange::Night)) * kRangeMinutes;
  return minutes >= start && minutes < start + kRangeMinutes;
}

bool ParseDepartRange(const std::wstring& text, DepartRange& range) {
  if (text == L"all") {
    range = DepartRange::AllDay;
    return true;
  }
  const size_t dash = text.find(L'-');
  if (dash == std::wstring::npos || dash == 0 || dash > 2 || text.size() - dash - 1 > 2) return false;
  const int from = ParseCount(text.substr(0, dash));
  const int to = ParseCount(text.substr(dash + 1));
  for (int r = static_cast<int>(DepartRange::Night); r < kDepartRangeCount; ++r) {
    const int start = (r - static_cast<int>(DepartRange::Night)) * 6;
    if (from == start && to == start + 6) {
      range = static_cast<DepartRange>(r);
      return true;
    }
  }
  return false;
}

bool HasAnyTickets(const TicketRow& row) {
  for (int column = kColumnFirstSeat; column <= kColumnLastSeat; ++column)
    if (HasTickets(SeatCell(row, column))) return true;
  return false;
}

bool TrainShown(const TicketRow& row, const RowFilter& filter) {
  if (!KindShown(row.trainCode, filter.kinds)) return false;
  if (filter.availableOnly && !HasAnyTickets(row)) return false;
  return DepartsIn(row, filter.depart);
}

std::vector<TicketRow> FilterRows(const std::vector<TicketRow>& rows, const RowFilter& filter) {
  std::vector<TicketRow> shown;
  shown.reserve(rows.size());
  for (const TicketRow& row : rows)
    if (TrainShown(row, filter)) shown.push_back(row);
  return shown;
}

int ParseMinutes(const std::wstring& text) {
  const std::wstring time = Trimmed(text);
  const size_t colon = time.find(L':');
  if (colon == std::wstring::npos || colon == 0 || colon > 4 || time.size() - colon != 3) return -1;
  const int hours = ParseCount(time.substr(0, colon));
  const int minutes = ParseCount(time.substr(colon + 1));
  if (hours < 0 || minutes < 0 || minutes > 59) return -1;
  return hours * 60 + minutes;
}

int SeatRank(const std::wstring& cell) {
  const std::wstring text = Trimmed(cell);
  if (text == kHasTickets) return kCountCap + 2;
  const int count = ParseCount(text);
  if (count >= 0) return count + 1;  // 0 tickets still ranks above "无"
  if (text == kNoTickets) return 0;
  return -1;
}

bool HasTickets(const std::wstring& cell) { return SeatRank(cell) > 1; }

int CompareTrainCodes(const std::wstring& a, const std::wstring& b) {
  return CompareTrimmedCodes(Trimmed(a), Trimmed(b));
}

int CompareTimes(const std::wstring& a, const std::wstring& b) { return CompareKeys(ParseMinutes(a), ParseMinutes(b)); }

int CompareTexts(const std::wstring& a, const std::wstring& b) { return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1); }

int CompareByColumn(const TicketRow& a, const TicketRow& b, int column) {
  switch (column) {
    case kColumnTrainCode:
      return CompareTrainCodes(a.trainCode, b.trainCode);
    case kColumnFrom:
      return CompareTexts(a.fromStation, b.fromStation);
    case kColumnTo:
      return CompareTexts(a.toStation, b.toStation);
    case kColumnDepart:
      return CompareTimes(a.departTime, b.departTime);
    case kColumnArrive:
      return CompareTimes(a.arriveTime, b.arriveTime);
    case kColumnOriginTerminal:
      if (const int byOrigin = CompareTexts(a.originStation, b.originStation)) return byOrigin;
      return CompareTexts(a.terminalStation, b.terminalStation);
    case kColumnTravelTime:
      return CompareTimes(a.travelTime, b.travelTime);
    case kColumnTrainType:
      return CompareTexts(a.trainType, b.trainType);
    default:
      break;
  }
  if (column >= kColumnFirstSeat && column <= kColumnLastSeat) {
    const int rankA = SeatRank(SeatCell(a, column));
    const int rankB = SeatRank(SeatCell(b, column));
    return rankA == rankB ? 0 : (rankA < rankB ? -1 : 1);
  }
  return 0;
}

bool SortsDescendingFirst(int column) { return column >= kColumnFirstSeat && column <= kColumnLastSeat; }

void SortRows(std::vector<TicketRow>& rows, int column, bool descending) {
  if (column < 0 || column >= kResultColumnCount) return;
  std::stable_sort(rows.begin(), rows.end(), [column, descending](const TicketRow& a, const TicketRow& b) {
    const int order = CompareByColumn(a, b, column);
    return descending ? order > 0 : order < 0;
  });
}
