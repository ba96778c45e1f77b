#include "app/core/ticket_table.h"

#include <algorithm>

#include "app/core/page_text.h"

namespace {

bool IsWide(unsigned codePoint) {
  return (codePoint >= 0x1100 && codePoint <= 0x115F) || (codePoint >= 0x2E80 && codePoint <= 0xA4CF) ||
         (codePoint >= 0xAC00 && codePoint <= 0xD7A3) || (codePoint >= 0xF900 && codePoint <= 0xFAFF) ||
         (codePoint >= 0xFE30 && codePoint <= 0xFE4F) || (codePoint >= 0xFF00 && codePoint <= 0xFF60) ||
         (codePoint >= 0xFFE0 && codePoint <= 0xFFE6) || (codePoint >= 0x20000 && codePoint <= 0x3FFFD);
}

struct Column {
  const wchar_t* title;
  std::wstring (*value)(const TicketRow&);
};

const Column kColumns[] = {
    {L"车次", [](const TicketRow& r) { return r.trainCode; }},
    {L"出发站", [](const TicketRow& r) { return r.fromStation; }},
    {L"到达站", [](const TicketRow& r) { return r.toStation; }},
    {L"发时", [](const TicketRow& r) { return r.departTime; }},
    {L"到时", [](const TicketRow& r) { return r.arriveTime; }},
    {L"硬座/二等座", [](const TicketRow& r) { return r.seatHardOrSecond; }},
    {L"软座/一等座", [](const TicketRow& r) { return r.seatSoftOrFirst; }},
    {L"硬卧", [](const TicketRow& r) { return r.sleeperHard; }},
    {L"软卧", [](const TicketRow& r) { return r.sleeperSoft; }},
    {L"高级卧", [](const TicketRow& r) { return r.sleeperDeluxe; }},
    {L"无座", [](const TicketRow& r) { return r.standing; }},
    {L"始发站 - 终点站", [](const TicketRow& r) { return r.originStation + L" - " + r.terminalStation; }},
    {L"运行时间", [](const TicketRow& r) { return r.travelTime; }},
    {L"车型", [](const TicketRow& r) { return r.trainType; }},
};

}  // namespace

int DisplayWidth(const std::wstring& text) {
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned codePoint = static_cast<unsigned>(text[i]);
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF && i + 1 < text.size()) {
      const unsigned low = static_cast<unsigned>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    width += IsWide(codePoint) ? 2 : 1;
  }
  return width;
}

std::wstring FormatAlignedTable(const std::vector<std::vector<std::wstring>>& lines) {
  std::vector<int> widths;
  for (const auto& line : lines) {
    if (widths.size() < line.size()) widths.resize(line.size());
    // A blank takes the room of the control it replaces.
    for (size_t c = 0; c < line.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(line[c]));
  }

  std::wstring out;
  for (const auto& line : lines) {
    std::wstring text;
    for (size_t c = 0; c < line.size(); ++c) {
      if (c > 0) text += L"  ";
      const std::wstring cell = BlankControls(line[c]);
      text += cell;
      text.append(static_cast<size_t>(widths[c] - DisplayWidth(cell)), L' ');
    }
    while (!text.empty() && text.back() == L' ') text.pop_back();
    out += text;
    out += L'\n';
  }
  return out;
}

std::wstring FormatTicketTable(const std::vector<TicketRow>& rows) {
  std::vector<std::vector<std::wstring>> lines;
  lines.reserve(rows.size() + 1);
  lines.emplace_back();
  for (const Column& column : kColumns) lines.back().push_back(column.title);
  for (const TicketRow& row : rows) {
    lines.emplace_back();
    for (const Column& column : kColumns) lines.back().push_back(column.value(row));
  }
  return FormatAlignedTable(lines);
}
