#include "app/core/result_page.h"

#include <tinyxml.h>

#include <array>
#include <cstddef>
#include <cwchar>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/core/page_text.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"
#include "skin/resources/xml_document.h"

namespace {

// One change to the page: `removed` characters at `position` (an offset in
// the page as received) give way to `inserted`.
struct MarkupEdit {
  size_t position;
  size_t removed;
  std::wstring_view inserted;
};

ptrdiff_t Growth(const MarkupEdit& edit) {
  return static_cast<ptrdiff_t>(edit.inserted.size()) - static_cast<ptrdiff_t>(edit.removed);
}

// Applies edits, sorted by position and not overlapping, in place, each
// character moving at most once. The page grows once; then every stretch after
// an edit moves to its final place, last stretch first, so a stretch moving
// right never lands on text still to be moved. A deletion before every other
// edit moves its stretch left, and goes first. The edits after it must not
// shrink the text taken together with it (here: one deleted slash, then
// options that each grow by four).
void ApplyEdits(std::wstring& page, const std::vector<MarkupEdit>& edits) {
  ptrdiff_t shift = 0;
  for (const MarkupEdit& edit : edits) shift += Growth(edit);
  const size_t oldSize = page.size();
  const size_t newSize = oldSize + shift;
  if (newSize > oldSize) {
    page.reserve(newSize);
    page.resize(newSize);
  }
  wchar_t* text = &page[0];

  size_t first = 0;
  if (!edits.empty() && Growth(edits[0]) < 0) {
    const MarkupEdit& cut = edits[0];
    const size_t tail = cut.position + cut.removed;
    const size_t stop = edits.size() > 1 ? edits[1].position : oldSize;
    cut.inserted.copy(text + cut.position, cut.inserted.size());
    std::wmemmove(text + tail + Growth(cut), text + tail, stop - tail);
    first = 1;
  }

  // `shift` is the distance the stretch after the current edit moves.
  size_t end = oldSize;
  for (size_t i = edits.size(); i > first; --i) {
    const MarkupEdit& edit = edits[i - 1];
    const size_t tail = edit.position + edit.removed;
    std::wmemmove(text + tail + shift, text + tail, end - tail);
    shift -= Growth(edit);
    edit.inserted.copy(text + edit.position + shift, edit.inserted.size());
    end = edit.position;
  }
  page.resize(newSize);
}

// Finds an ASCII pattern with Horspool's method: a page is mostly tags, so
// looking at each '<' would stop every few characters; this steps over most
// of the page a pattern's length at a time.
class AsciiFinder {
 public:
  explicit AsciiFinder(std::wstring_view pattern) : pattern_(pattern) {
    skip_.fill(pattern.size());
    for (size_t i = 0; i + 1 < pattern.size(); ++i) skip_[pattern[i] & 0x7F] = pattern.size() - 1 - i;
  }

  // The first position at or after `from` where the pattern starts, or npos.
  size_t Find(std::wstring_view text, size_t from) const {
    const size_t length = pattern_.size();
    if (length == 0 || text.size() < length) return std::wstring_view::npos;
    const wchar_t lastOfPattern = pattern_[length - 1];
    for (size_t at = from; at <= text.size() - length;) {
      const wchar_t last = text[at + length - 1];
      if (last == lastOfPattern && text.compare(at, length, pattern_) == 0) return at;
      at += last < 0x80 ? skip_[last] : length;
    }
    return std::wstring_view::npos;
  }

 private:
  std::wstring_view pattern_;
  std::array<size_t, 0x80> skip_;
};

}  // namespace

std::wstring RepairMarkup(std::wstring page) {
  // An option marked selected without a value.
  static constexpr std::wstring_view kBareSelected = L"<option selected value=\"1\" >";
  static constexpr std::wstring_view kFixedSelected = L"<option selected=\"1\" value=\"1\" >";
  // A stray slash inside the day-range input tag; offset 9 is the slash.
  static constexpr std::wstring_view kStraySlash = L"value=\"0\"/ onkeypress=\"updateDaysRange()\"";
  constexpr size_t kSlashOffset = 9;

  // Neither form can overlap itself or the other, and the replacement text
  // holds neither, so both can be found in the page as received.
  std::vector<MarkupEdit> edits;
  const size_t slash = AsciiFinder(kStraySlash).Find(page, 0);
  bool slashPlaced = slash == std::wstring::npos;
  const AsciiFinder bareSelected(kBareSelected);
  for (size_t hit = bareSelected.Find(page, 0); hit != std::wstring::npos;
       hit = bareSelected.Find(page, hit + kBareSelected.size())) {
    if (!slashPlaced && slash < hit) {
      edits.push_back({slash + kSlashOffset, 1, {}});
      slashPlaced = true;
    }
    edits.push_back({hit, kBareSelected.size(), kFixedSelected});
  }
  if (!slashPlaced) edits.push_back({slash + kSlashOffset, 1, {}});
  ApplyEdits(page, edits);
  return page;
}

const TiXmlElement* FindResultDivision(const TiXmlElement* root) {
  if (!root) return nullptr;
  const TiXmlElement* body = root->FirstChildElement("body");
  if (!body) return nullptr;
  const TiXmlElement* div = body->FirstChildElement("div");
  if (!div) return nullptr;
  return div->NextSiblingElement();
}

const TiXmlElement* FindResultTable(const TiXmlElement* root) {
  const TiXmlElement* division = FindResultDivision(root);
  return division ? division->FirstChildElement("table") : nullptr;
}

const char* CellText(const TiXmlElement* cell) {
  if (!cell) return nullptr;
  const TiXmlNode* child = cell->FirstChild();
  return child ? child->Value() : nullptr;
}

const char* CellLinkText(const TiXmlElement* cell) {
  if (!cell) return nullptr;
  return CellText(cell->FirstChildElement("a"));
}

namespace {

constexpr int kTrainCodeCell = 2;

bool IsLinkCell(int index) {
  // Cells 3, 4, 5, 15 and 16 (1-based) carry their text inside a link.
  return index == kTrainCodeCell || index == 3 || index == 4 || index == 14 || index == 15;
}

using RowCells = std::array<const TiXmlElement*, TicketRow::kFieldCount>;

// The row's first "td" and the siblings after it, whatever their names;
// null past the row's end.
void FindCells(const TiXmlElement* row, RowCells& cells) {
  const TiXmlElement* cell = row->FirstChildElement("td");
  for (const TiXmlElement*& slot : cells) {
    slot = cell;
    if (cell) cell = cell->NextSiblingElement();
  }
}

const char* CellValue(const RowCells& cells, int index) {
  return IsLinkCell(index) ? CellLinkText(cells[index]) : CellText(cells[index]);
}

// The texts under `node`, in document order, until `text` holds `maxBytes`.
// The parser bounds the nesting, and with it this recursion.
void AppendTexts(const TiXmlNode* node, std::string& text, size_t maxBytes) {
  for (const TiXmlNode* child = node->FirstChild(); child && text.size() < maxBytes; child = child->NextSibling()) {
    if (child->ToText()) {
      const std::string_view value = child->Value();
      text.append(value.substr(0, maxBytes - text.size()));
    } else {
      AppendTexts(child, text, maxBytes);
    }
  }
}

ResultPage ReadRows(const TiXmlElement* table, std::vector<TicketRow>& rows) {
  const TiXmlElement* header = table->FirstChildElement("tr");
  if (!header) return ResultPage::NoTable;

  // Sized once: growing moves every row made so far, seventeen strings each.
  std::vector<TicketRow> parsed;
  parsed.reserve(CountDataRows(header));
  for (const TiXmlElement* row = header->NextSiblingElement(); row; row = row->NextSiblingElement()) {
    RowCells cells;
    FindCells(row, cells);
    const char* code = CellValue(cells, kTrainCodeCell);
    if (!code || !*code) continue;  // an empty or decorative row: no train
    if (parsed.size() == kMaxResultRows) return ResultPage::TooLarge;
    TicketRow& ticket = parsed.emplace_back();
    // Every way a row leaves the program (the list, copies, exports, the
    // table, JSON, a notice) gets the page's text without its controls.
    for (int index = 0; index < TicketRow::kFieldCount; ++index)
      AssignCellField(ticket.Field(index), CellValue(cells, index));
  }
  rows.swap(parsed);
  return ResultPage::Rows;
}

}  // namespace

bool HasTooMuchMarkup(const std::wstring& page) {
  // A page no longer than the bound cannot pass it: most pages are not read.
  if (page.size() <= kMaxResultMarkup) return false;
  size_t count = 0;
  for (const wchar_t c : page) count += c == L'<' || c == L'=';
  return count > kMaxResultMarkup;
}

size_t CountDataRows(const TiXmlElement* header) {
  size_t count = 0;
  for (const TiXmlElement* row = header->NextSiblingElement(); row && count < kMaxResultRows;
       row = row->NextSiblingElement()) {
    ++count;
  }
  return count;
}

void AssignCellField(std::wstring& field, const char* value) {
  if (!value) return;
  AssignUtf8ToWide(field, value);
  field = BlankControls(std::move(field));
}

std::wstring SiteMessage(const TiXmlElement* division) {
  const TiXmlElement* paragraph = division ? division->FirstChildElement("p") : nullptr;
  if (!paragraph) return std::wstring();
  // Enough for the message after blanks at its start; the rest is cut anyway.
  constexpr size_t kMaxMessageBytes = 64 * 1024;
  std::string bytes;
  AppendTexts(paragraph, bytes, kMaxMessageBytes);
  std::wstring message;
  AssignCellField(message, bytes.c_str());
  return ShortenText(std::wstring(TrimWhiteSpace(message)), kMaxSiteMessageChars);
}

ResultPage ParseResultPage(std::wstring repairedPage, std::vector<TicketRow>& rows, std::wstring& message) {
  message.clear();
  if (HasTooMuchMarkup(repairedPage)) return ResultPage::TooLarge;

  // The page is handed to the parser as UTF-8 whatever the system's code
  // page, so that every station name and count arrives unchanged. A hostile
  // page (too deep, too many attributes) fails the parse like broken markup.
  // The wide text goes before the parse tree is built.
  TiXmlDocument document;
  if (!ParseXmlDocument(std::move(repairedPage), document)) return ResultPage::NoTable;

  const TiXmlElement* division = FindResultDivision(document.RootElement());
  const TiXmlElement* table = division ? division->FirstChildElement("table") : nullptr;
  if (!table) {
    message = SiteMessage(division);
    return ResultPage::NoTable;
  }
  return ReadRows(table, rows);
}

ResultPage ParseResultPage(std::wstring repairedPage, std::vector<TicketRow>& rows) {
  std::wstring message;
  return ParseResultPage(std::move(repairedPage), rows, message);
}

std::wstring ResultPageMessage(std::wstring repairedPage) {
  std::vector<TicketRow> rows;
  std::wstring message;
  ParseResultPage(std::move(repairedPage), rows, message);
  return message;
}
