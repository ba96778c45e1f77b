#include "app/result_page.h"

#include <tinyxml.h>

#include "skin/resources/parse_util.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/text_encoding.h"

std::wstring TrimStationName(std::wstring_view name) { return std::wstring(TrimWhiteSpace(name)); }

namespace {

bool MustEscape(unsigned char byte) {
  if (byte < 0x20 || byte == 0x7F) return true;
  switch (byte) {
    case ' ': case '#': case '%': case '&': case '+':
      return true;
    default:
      return false;
  }
}

void AppendQueryValue(std::string& path, std::wstring_view value) {
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char byte : WideToUtf8(value)) {
    if (MustEscape(byte)) {
      path += '%';
      path += kHex[byte >> 4];
      path += kHex[byte & 0x0F];
    } else {
      path += static_cast<char>(byte);
    }
  }
}

}  // namespace

std::string BuildQueryPath(std::wstring_view from, std::wstring_view to) {
  std::string path = "/Default.aspx?A=";
  AppendQueryValue(path, from);
  path += "&B=";
  AppendQueryValue(path, to);
  path += "&C=&D=1&S=0";
  return path;
}

std::wstring RepairMarkup(std::wstring page) {
  // An option marked selected without a value.
  static const std::wstring kBareSelected = L"<option selected value=\"1\" >";
  static const std::wstring kFixedSelected = L"<option selected=\"1\" value=\"1\" >";
  // A stray slash inside the day-range input tag; offset 9 is the slash.
  static const std::wstring kStraySlash = L"value=\"0\"/ onkeypress=\"updateDaysRange()\"";
  constexpr size_t kSlashOffset = 9;

  size_t hit = page.find(kBareSelected);
  if (hit != std::wstring::npos) {
    std::wstring out;
    out.reserve(page.size() + page.size() / 16);
    size_t from = 0;
    while (hit != std::wstring::npos) {
      out.append(page, from, hit - from);
      out += kFixedSelected;
      from = hit + kBareSelected.size();
      hit = page.find(kBareSelected, from);
    }
    out.append(page, from, std::wstring::npos);
    page.swap(out);
  }

  const size_t slash = page.find(kStraySlash);
  if (slash != std::wstring::npos) page.erase(slash + kSlashOffset, 1);
  return page;
}

const TiXmlElement* FindResultTable(const TiXmlElement* root) {
  if (!root) return nullptr;
  const TiXmlElement* body = root->FirstChildElement("body");
  if (!body) return nullptr;
  const TiXmlElement* div = body->FirstChildElement("div");
  if (!div) return nullptr;
  const TiXmlElement* sibling = div->NextSiblingElement();
  if (!sibling) return nullptr;
  return sibling->FirstChildElement("table");
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

bool IsLinkCell(int index) {
  // Cells 3, 4, 5, 15 and 16 (1-based) carry their text inside a link.
  return index == 2 || index == 3 || index == 4 || index == 14 || index == 15;
}

TicketRow ReadRow(const TiXmlElement* row) {
  TicketRow ticket;
  const TiXmlElement* cell = row->FirstChildElement("td");
  for (int index = 0; index < TicketRow::kFieldCount; ++index) {
    const char* text = IsLinkCell(index) ? CellLinkText(cell) : CellText(cell);
    if (text) ticket.Field(index) = Utf8ToWide(text);
    if (cell) cell = cell->NextSiblingElement();
  }
  return ticket;
}

}  // namespace

bool ParseResultPage(const std::wstring& repairedPage, std::vector<TicketRow>& rows) {
  // The page is handed to the parser as UTF-8 whatever the system's code
  // page, so that every station name and count arrives unchanged.
  // A hostile page nested too deeply is refused before the parser recurses.
  TiXmlDocument document;
  if (!ParseSkinDocument(WideToUtf8(repairedPage), document)) return false;

  const TiXmlElement* table = FindResultTable(document.RootElement());
  if (!table) return false;
  const TiXmlElement* header = table->FirstChildElement("tr");
  if (!header) return false;

  std::vector<TicketRow> parsed;
  for (const TiXmlElement* row = header->NextSiblingElement(); row; row = row->NextSiblingElement()) {
    parsed.push_back(ReadRow(row));
  }
  rows.swap(parsed);
  return true;
}
