// The switch parser, the case-blind switch map and the rebuilt parameters.
#include "app/entry/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/resources/text_encoding.h"

namespace {

SwitchMap Parse(const std::wstring& text) {
  CCommandLine line;
  EXPECT_TRUE(line.ParseCommandLine(text.c_str()));
  EXPECT_EQ(text, line.commandLine);
  return line.switches;
}

std::wstring Value(const SwitchMap& switches, const std::wstring& name) {
  const auto found = switches.find(name);
  return found == switches.end() ? L"<absent>" : found->second;
}

}  // namespace

TEST(CommandLineParse, NoTextAtAllFailsButEmptyTextIsFine) {
  CCommandLine line;
  EXPECT_FALSE(line.ParseCommandLine(nullptr));
  EXPECT_TRUE(line.switches.empty());
  EXPECT_TRUE(line.ParseCommandLine(L""));
  EXPECT_TRUE(line.switches.empty());
  EXPECT_EQ(L"", line.commandLine);
}

TEST(CommandLineParse, SwitchNamesIgnoreLetterCase) {
  for (const wchar_t* text : {L"-install", L"/INSTALL", L"-Install", L"/iNsTaLl"}) {
    CCommandLine line;
    ASSERT_TRUE(line.ParseCommandLine(text));
    EXPECT_TRUE(line.HasSwitch(L"Install")) << text;
    EXPECT_TRUE(line.HasSwitch(L"install")) << text;
    EXPECT_EQ(L"1", line.GetSwitch(L"INSTALL")) << text;
    EXPECT_FALSE(line.HasSwitch(L"Uninstall")) << text;
    EXPECT_EQ(1u, line.switches.size());
  }
}

TEST(CommandLineParse, ValueAfterColonAndBareSwitch) {
  const SwitchMap switches = Parse(L"prog.exe -Update:D:\\tmp\\setup.exe -x");
  EXPECT_EQ(2u, switches.size());
  EXPECT_EQ(L"D:\\tmp\\setup.exe", Value(switches, L"Update"));
  EXPECT_EQ(L"1", Value(switches, L"x"));
}

TEST(CommandLineParse, QuotedValueKeepsBlanksUnquotedEndsAtFirstBlank) {
  SwitchMap switches = Parse(L"-Update:\"C:\\Program Files\\setup.exe\" -y");
  EXPECT_EQ(L"C:\\Program Files\\setup.exe", Value(switches, L"Update"));
  EXPECT_EQ(L"1", Value(switches, L"y"));

  switches = Parse(L"-Update:C:\\Program Files\\setup.exe -y");
  EXPECT_EQ(L"C:\\Program", Value(switches, L"Update"));
  EXPECT_EQ(L"1", Value(switches, L"y"));
  EXPECT_EQ(2u, switches.size());  // "Files\setup.exe" starts no switch
}

TEST(CommandLineParse, ColonFollowedByBlankOrEndGivesEmptyValue) {
  SwitchMap switches = Parse(L"-Update: -x");
  EXPECT_EQ(L"", Value(switches, L"Update"));
  EXPECT_EQ(L"1", Value(switches, L"x"));
  switches = Parse(L"-x -Update:");
  EXPECT_EQ(L"", Value(switches, L"Update"));
  EXPECT_EQ(L"1", Value(switches, L"x"));
}

TEST(CommandLineParse, DashInsideQuotesStartsNoSwitch) {
  SwitchMap switches = Parse(L"\"C:\\my -dir\\set-up /x.exe\" -real");
  EXPECT_EQ(1u, switches.size());
  EXPECT_EQ(L"1", Value(switches, L"real"));

  switches = Parse(L"\"C:\\a b\\c.exe\" \"-notaswitch\" /yes");
  EXPECT_EQ(1u, switches.size());
  EXPECT_EQ(L"1", Value(switches, L"yes"));
}

TEST(CommandLineParse, LaterSwitchReplacesEarlierWhateverItsCase) {
  SwitchMap switches = Parse(L"-Name:first /NAME:second -name");
  EXPECT_EQ(1u, switches.size());
  EXPECT_EQ(L"1", Value(switches, L"Name"));
  switches = Parse(L"-a -A:2 -b:1 /B:3");
  EXPECT_EQ(2u, switches.size());
  EXPECT_EQ(L"2", Value(switches, L"a"));
  EXPECT_EQ(L"3", Value(switches, L"b"));
}

TEST(CommandLineParse, UnbalancedQuotesEndAtTheTextEnd) {
  SwitchMap switches = Parse(L"-x:\"abc def");
  EXPECT_EQ(L"abc def", Value(switches, L"x"));

  // An opening quote outside any switch swallows the rest of the text.
  switches = Parse(L"\"C:\\prog.exe -x -y");
  EXPECT_TRUE(switches.empty());

  // A stray quote inside an unquoted value is part of it.
  switches = Parse(L"-x:a\"b -y");
  EXPECT_EQ(L"a\"b", Value(switches, L"x"));
  EXPECT_EQ(L"1", Value(switches, L"y"));
}

// A switch written whole inside quotes is not read as one, but noted; a
// quoted program path or argument is not.
TEST(CommandLineParse, ASwitchInsideQuotesIsNotedNotTaken) {
  const struct {
    const wchar_t* text;
    bool noted;
    size_t switches;
  } cases[] = {
      {L"prog.exe \"-Update:C:\\a b\\setup.exe\" -x", true, 1},
      {L"\"C:\\Program Files\\tavora.exe\" \"-Install\"", true, 0},
      {L"\"C:\\my -dir\\p.exe\" -z -Update:\"C:\\a b\\s.exe\"", false, 2},
      {L"\"-", true, 0},
      {L"-x:\"-y\"", false, 1},
  };
  for (const auto& c : cases) {
    CCommandLine line;
    ASSERT_TRUE(line.ParseCommandLine(c.text));
    EXPECT_EQ(c.noted, line.quotedSwitch) << WideToUtf8(c.text);
    EXPECT_EQ(c.switches, line.switches.size()) << WideToUtf8(c.text);
  }
}

TEST(CommandLineParse, QuoteRightBeforeTheEndIsNotSteppedOver) {
  // The character after an opening quote is examined like any other: the
  // terminating zero right after the quote ends the value (and the text).
  CCommandLine line;
  std::wstring text = L"-x:\"";
  ASSERT_TRUE(line.ParseCommandLine(text.c_str()));
  EXPECT_EQ(L"", line.GetSwitch(L"x"));
  EXPECT_TRUE(line.HasSwitch(L"x"));
  EXPECT_EQ(1u, line.switches.size());

  // Text after the zero in the same buffer must not be read as switches.
  const wchar_t buffer[] = L"-x:\"\0 -after:seen";
  CCommandLine bounded;
  ASSERT_TRUE(bounded.ParseCommandLine(buffer));
  EXPECT_EQ(1u, bounded.switches.size());
  EXPECT_FALSE(bounded.HasSwitch(L"after"));
}

TEST(CommandLineParse, EmptyQuotedValueIsEmptyAndNextSwitchSurvives) {
  const SwitchMap switches = Parse(L"-a:\"\" -b -c:\"\"");
  EXPECT_EQ(3u, switches.size());
  EXPECT_EQ(L"", Value(switches, L"a"));
  EXPECT_EQ(L"1", Value(switches, L"b"));
  EXPECT_EQ(L"", Value(switches, L"c"));
}

TEST(CommandLineParse, LoneSwitchCharactersStoreNothingAtTheEnd) {
  EXPECT_TRUE(Parse(L"-").empty());
  EXPECT_TRUE(Parse(L"/").empty());
  SwitchMap switches = Parse(L"-a /");
  EXPECT_EQ(1u, switches.size());
  EXPECT_EQ(L"1", Value(switches, L"a"));
  switches = Parse(L"-a:v -");
  EXPECT_EQ(1u, switches.size());
  EXPECT_EQ(L"v", Value(switches, L"a"));
}

TEST(CommandLineParse, CharacterAfterSwitchCharAlwaysStartsTheName) {
  // Even a blank or a colon right after "-" belongs to the name.
  SwitchMap switches = Parse(L"- x");
  EXPECT_EQ(1u, switches.size());
  EXPECT_EQ(L"1", Value(switches, L" x"));
  switches = Parse(L"-:abc -:");
  EXPECT_EQ(2u, switches.size());
  EXPECT_EQ(L"1", Value(switches, L":abc"));
  EXPECT_EQ(L"1", Value(switches, L":"));
}

TEST(CommandLineParse, VeryLongValuesAndNamesAreKeptWhole) {
  const std::wstring longValue(100000, L'v');
  SwitchMap switches = Parse(L"-Update:" + longValue + L" -x");
  EXPECT_EQ(longValue, Value(switches, L"Update"));
  EXPECT_EQ(L"1", Value(switches, L"x"));

  const std::wstring blanks = std::wstring(50000, L'a') + L" " + std::wstring(49999, L'b');
  switches = Parse(L"-q:\"" + blanks + L"\"");
  EXPECT_EQ(blanks, Value(switches, L"q"));

  const std::wstring longName(100000, L'N');
  switches = Parse(L"/" + longName);
  EXPECT_EQ(L"1", Value(switches, std::wstring(100000, L'n')));
}

TEST(CommandLineParse, RunsOfSwitchCharactersAndQuotesStayBounded) {
  SwitchMap switches = Parse(std::wstring(100000, L'-'));
  // The first dash starts a switch whose name is all the other dashes.
  EXPECT_EQ(1u, switches.size());
  EXPECT_EQ(L"1", Value(switches, std::wstring(99999, L'-')));

  switches = Parse(std::wstring(100001, L'"'));
  EXPECT_TRUE(switches.empty());

  std::wstring mixed;
  for (int i = 0; i < 20000; ++i) mixed += L"-a:\"";
  switches = Parse(mixed);
  EXPECT_EQ(1u, switches.size());
  EXPECT_TRUE(switches.count(L"a"));
}

TEST(SwitchNames, HashFoldsAsciiLettersToUpperCase) {
  const SwitchNameHash hash;
  EXPECT_EQ(0u, hash(L""));
  EXPECT_EQ(static_cast<size_t>(L'A') * 33 + L'B', hash(L"ab"));
  EXPECT_EQ(hash(L"AB"), hash(L"ab"));
  EXPECT_EQ(hash(L"Install"), hash(L"iNSTALL"));
  EXPECT_NE(hash(L"Install"), hash(L"Uninstall"));
  // Only ASCII letters fold: digits, signs and other letters stay as they are.
  EXPECT_EQ(static_cast<size_t>(L'1') * 33 + L'_', hash(L"1_"));
  EXPECT_NE(hash(L"\u00e9"), hash(L"\u00c9"));
}

TEST(SwitchNames, EqualityIgnoresOnlyAsciiCase) {
  const SwitchNameEqual equal;
  EXPECT_TRUE(equal(L"update", L"UPDATE"));
  EXPECT_TRUE(equal(L"", L""));
  EXPECT_FALSE(equal(L"update", L"updates"));
  EXPECT_FALSE(equal(L"a", L"b"));
  EXPECT_FALSE(equal(L"\u00e9", L"\u00c9"));
  // '@' and '`' sit next to 'A' and 'a' in the code table; they must not fold.
  EXPECT_FALSE(equal(L"@", L"`"));
  EXPECT_FALSE(equal(L"[", L"{"));
}

TEST(SwitchNames, LookupsOfAbsentSwitches) {
  CCommandLine line;
  ASSERT_TRUE(line.ParseCommandLine(L"-x"));
  EXPECT_FALSE(line.HasSwitch(L"y"));
  EXPECT_EQ(L"", line.GetSwitch(L"y"));
  EXPECT_FALSE(line.HasSwitch(L""));
}

TEST(SwitchParameters, BareForOneValueAfterColonForOthers) {
  CCommandLine line;
  EXPECT_EQ(L"", line.BuildSwitchParameters());
  line.switches[L"x"] = L"1";
  EXPECT_EQ(L" -x", line.BuildSwitchParameters());
  line.switches.clear();
  line.switches[L"Update"] = L"D:\\tmp\\setup.exe";
  EXPECT_EQ(L" -Update:D:\\tmp\\setup.exe", line.BuildSwitchParameters());
  line.switches.clear();
  line.switches[L"e"] = L"";
  EXPECT_EQ(L" -e:", line.BuildSwitchParameters());
  line.switches.clear();
  line.switches[L"n"] = L"01";  // "1" is compared exactly
  EXPECT_EQ(L" -n:01", line.BuildSwitchParameters());
}

TEST(SwitchParameters, ValuesWithBlanksAreQuoted) {
  CCommandLine line;
  line.switches[L"Update"] = L"C:\\Program Files\\setup.exe";
  EXPECT_EQ(L" -Update:\"C:\\Program Files\\setup.exe\"", line.BuildSwitchParameters());
  line.switches.clear();
  line.switches[L"q"] = L"a\"b";  // no blank: written as it is, and read back whole
  EXPECT_EQ(L" -q:a\"b", line.BuildSwitchParameters());
}

TEST(SwitchParameters, EveryEntryWrittenOnce) {
  CCommandLine line;
  ASSERT_TRUE(line.ParseCommandLine(L"-a -b:2 -c:three -D:\"x y\""));
  const std::wstring parameters = line.BuildSwitchParameters();
  for (const wchar_t* piece : {L" -a", L" -b:2", L" -c:three", L" -D:\"x y\""}) {
    const size_t at = parameters.find(piece);
    ASSERT_NE(std::wstring::npos, at) << piece;
    EXPECT_EQ(std::wstring::npos, parameters.find(piece, at + 1)) << piece;
  }
  EXPECT_EQ(std::wstring(L" -a -b:2 -c:three -D:\"x y\"").size(), parameters.size());
}

TEST(SwitchParameters, RebuiltParametersParseToTheSameSwitches) {
  const std::vector<std::wstring> texts = {
      L"prog.exe -Update:D:\\tmp\\setup.exe -x",
      L"-Update:\"C:\\Program Files\\setup.exe\" -y:1 -z:",
      L"-a:\"\" -b -c:a\"b -d:\"p q r\"",
      L"- x -:abc /Q:\"unterminated value",
      L"-x:\"",
      L"\"C:\\dir -x\\p.exe\" -k:\"  leading and trailing  \"",
      L"-" + std::wstring(30000, L'w') + L":\"" + std::wstring(3000, L' ') + L"\"",
  };
  for (const std::wstring& text : texts) {
    CCommandLine first;
    ASSERT_TRUE(first.ParseCommandLine(text.c_str()));
    CCommandLine second;
    const std::wstring rebuilt = first.BuildSwitchParameters();
    ASSERT_TRUE(second.ParseCommandLine(rebuilt.c_str()));
    EXPECT_EQ(first.switches, second.switches) << text.substr(0, 80) << " -> " << rebuilt.substr(0, 80);
  }
}
