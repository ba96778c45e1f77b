// The program's command line: the raw text and the switches found in it.
// A switch is "-name" or "/name", optionally followed by ":value" or
// ':"value with blanks"'. Names ignore ASCII letter case.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

// Hash of a switch name: h = h * 33 + c over the characters, with 'a'..'z'
// folded to upper case first, so that names differing only in case collide.
struct SwitchNameHash {
  size_t operator()(const std::wstring& name) const;
};

// Equality of switch names without regard to ASCII letter case.
struct SwitchNameEqual {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};

using SwitchMap = std::unordered_map<std::wstring, std::wstring, SwitchNameHash, SwitchNameEqual>;

class CCommandLine {
 public:
  // Reads the switches of `text` into `switches` (a later switch of the same
  // name replaces the earlier value). Bare switches get "1"; "-name:" gets
  // the empty string. False only when there is no text at all (null).
  bool ParseCommandLine(const wchar_t* text);

  bool HasSwitch(const std::wstring& name) const;
  // The value of a switch, empty when absent.
  std::wstring GetSwitch(const std::wstring& name) const;

  // The switches written out again for a relaunch: " -name" for the value
  // "1", else " -name:value". A value holding a blank is enclosed in double
  // quotes so that it reaches the new process whole.
  std::wstring BuildSwitchParameters() const;

  std::wstring commandLine;
  SwitchMap switches;
  // Whether a quoted piece of the text starts like a switch ("-Update:C:\a
  // b\setup.exe" in quotes): it is skipped as quoted text is, and the entry
  // refuses to run on it rather than open the window as if it were not there.
  bool quotedSwitch = false;
};
