// The string table: texts of the skin documents and the program, by number,
// loaded from string documents (root "string", children <s id="N">text</s>).
#pragma once

#include <map>
#include <string>

// The process-wide table. Loading adds and replaces entries; nothing removes them.
class BkString {
 public:
  static BkString& Instance();
  void Set(int id, std::wstring text);
  // The entry's text, or null. Valid until that entry is replaced.
  const wchar_t* Find(int id) const;
  size_t Count() const { return strings_.size(); }
  // Forgets every entry.
  void Clear() { strings_.clear(); }

 private:
  BkString() = default;
  std::map<int, std::wstring> strings_;
};

// Loads string document `resourceId` (type "xml", skin folder first) into the
// table. False, with the table unchanged, when the document cannot be loaded,
// does not parse or its root is not "string". An "s" without "id" is skipped;
// a non-numeric id reads as 0. A copy in the skin folder that does not load
// is passed over for the embedded resource (LoadFolderFirst).
bool LoadStrings(unsigned resourceId);

// Text of string `id`, or null when the table has no such entry.
const wchar_t* GetString(int id);

// Replaces string references "%strN%" (N a positive decimal) in `text` by
// GetString(N), the empty text for an id the table lacks. Inserted text is not
// searched again. A reference whose number is not positive, or that has no
// closing '%', is left as written and ends the expansion.
std::wstring ExpandStringReferences(const std::wstring& text);
