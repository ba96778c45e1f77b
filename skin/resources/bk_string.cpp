#include "skin/resources/bk_string.h"

#include <tinyxml.h>

#include <utility>

#include "skin/resources/parse_util.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/text_encoding.h"

BkString& BkString::Instance() {
  static BkString table;
  return table;
}

void BkString::Set(int id, std::wstring text) { strings_[id] = std::move(text); }

const wchar_t* BkString::Find(int id) const {
  const auto found = strings_.find(id);
  return found == strings_.end() ? nullptr : found->second.c_str();
}

namespace {

bool LoadStringsFrom(unsigned resourceId) {
  TiXmlDocument document;
  if (!LoadSkinDocument(resourceId, document)) return false;
  const TiXmlElement* root = document.RootElement();
  if (!root || root->ValueStr() != "string") return false;

  BkString& table = BkString::Instance();
  for (const TiXmlElement* entry = root->FirstChildElement("s"); entry; entry = entry->NextSiblingElement("s")) {
    const char* id = entry->Attribute("id");
    if (!id) continue;
    const char* text = entry->GetText();
    table.Set(ParseDecimal(id), text ? Utf8ToWide(text) : std::wstring());
  }
  return true;
}

}  // namespace

bool LoadStrings(unsigned resourceId) {
  return LoadFolderFirst([resourceId] { return LoadStringsFrom(resourceId); });
}

const wchar_t* GetString(int id) { return BkString::Instance().Find(id); }

std::wstring ExpandStringReferences(const std::wstring& text) {
  static const std::wstring kOpen = L"%str";
  std::wstring result = text;
  size_t position = 0;
  for (;;) {
    const size_t start = result.find(kOpen, position);
    if (start == std::wstring::npos) break;
    const int id = ParseDecimal(result.c_str() + start + kOpen.size());
    if (id <= 0) break;
    const size_t close = result.find(L'%', start + kOpen.size());
    if (close == std::wstring::npos) break;
    const wchar_t* replacement = GetString(id);
    const std::wstring inserted = replacement ? replacement : L"";
    result.replace(start, close - start + 1, inserted);
    position = start + inserted.size();
  }
  return result;
}
