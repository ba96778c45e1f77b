#include "app/entry/command_line.h"

namespace {

wchar_t FoldAsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

enum ParseState {
  kBetweenSwitches = 0,
  kSwitchCharSeen = 1,
  kInName = 2,
  kAfterColon = 3,
  kInValue = 4,
};

}  // namespace

size_t SwitchNameHash::operator()(const std::wstring& name) const {
  size_t hash = 0;
  for (wchar_t c : name) hash = hash * 33 + static_cast<size_t>(FoldAsciiUpper(c));
  return hash;
}

bool SwitchNameEqual::operator()(const std::wstring& a, const std::wstring& b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAsciiUpper(a[i]) != FoldAsciiUpper(b[i])) return false;
  }
  return true;
}

bool CCommandLine::ParseCommandLine(const wchar_t* text) {
  if (!text) return false;
  commandLine = text;
  quotedSwitch = false;

  // One pass over the characters, the terminating zero included: the zero
  // closes whatever name or value is open, and the loop ends right after it
  // whatever state it left, so nothing is ever read past the text.
  const wchar_t* const begin = commandLine.c_str();
  const size_t length = commandLine.size();
  int state = kBetweenSwitches;
  bool quoted = false;
  size_t nameStart = 0;
  size_t valueStart = 0;
  std::wstring name;
  for (size_t i = 0; i <= length; ++i) {
    const wchar_t c = begin[i];  // begin[length] is the terminating zero
    const bool end = i == length;
    switch (state) {
      case kBetweenSwitches:
        if (quoted) {
          if (c == L'"') quoted = false;
        } else if (c == L'-' || c == L'/') {
          state = kSwitchCharSeen;
        } else if (c == L'"') {
          quoted = true;  // a quoted program path or argument is skipped whole
          // A switch written inside the quotes is skipped too, but noted: the
          // caller meant a switch that is not taken.
          if (begin[i + 1] == L'-') quotedSwitch = true;
        }
        break;
      case kSwitchCharSeen:
        nameStart = i;
        state = kInName;
        break;
      case kInName:
        if (c == L' ' || end) {
          switches.insert_or_assign(commandLine.substr(nameStart, i - nameStart), L"1");
          state = kBetweenSwitches;
        } else if (c == L':') {
          name = commandLine.substr(nameStart, i - nameStart);
          state = kAfterColon;
        }
        break;
      case kAfterColon:
        if (c == L'"') {
          // The value starts after the quote. The next character is examined
          // like any other, so that an empty '""' or a quote right before the
          // end closes the value instead of being stepped over.
          quoted = true;
          valueStart = i + 1;
          state = kInValue;
        } else if (c == L' ' || end) {
          switches.insert_or_assign(name, std::wstring());
          state = kBetweenSwitches;
        } else {
          valueStart = i;
          state = kInValue;
        }
        break;
      case kInValue:
        if ((c == L' ' && !quoted) || end || (c == L'"' && quoted)) {
          switches.insert_or_assign(name, commandLine.substr(valueStart, i - valueStart));
          quoted = false;
          state = kBetweenSwitches;
        }
        break;
    }
  }
  return true;
}

bool CCommandLine::HasSwitch(const std::wstring& name) const { return switches.find(name) != switches.end(); }

std::wstring CCommandLine::GetSwitch(const std::wstring& name) const {
  const auto found = switches.find(name);
  return found == switches.end() ? std::wstring() : found->second;
}

std::wstring CCommandLine::BuildSwitchParameters() const {
  std::wstring parameters;
  for (const auto& entry : switches) {
    parameters += L" -";
    parameters += entry.first;
    if (entry.second == L"1") continue;
    parameters += L':';
    // Unquoted, a blank would end the value early. A parsed value never holds
    // both a blank and a double quote, so quoting keeps every parsed value.
    if (entry.second.find(L' ') != std::wstring::npos) {
      parameters += L'"';
      parameters += entry.second;
      parameters += L'"';
    } else {
      parameters += entry.second;
    }
  }
  return parameters;
}
