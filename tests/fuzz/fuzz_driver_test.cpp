// The fuzz driver's own parts: inputs are a function of their numbers, the
// structure-aware mutations make what they claim, the family runners accept
// their seeds, and the guard heap turns a one-byte over-read into a crash
// (checked in a child process, since the crash ends it).
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <set>
#include <string>
#include <vector>

#include "bench/fuzz/fuzz_mutator.h"
#include "bench/fuzz/fuzz_targets.h"
#include "skin/resources/skin_xml.h"
#include "tests/support/test_support.h"

namespace {

std::wstring DriverCommand(const std::wstring& arguments) {
  return L"\"" + ProgramFolder() + L"..\\..\\fuzz\\fuzz_parsers.exe\" " + arguments;
}

std::vector<std::string> SeedsOf(const char* name) {
  const FuzzFamily* family = FindFuzzFamily(name);
  return family ? family->seeds() : std::vector<std::string>();
}

// True when `data` holds a multi-byte lead byte followed by fewer
// continuation bytes than it announces.
bool HasCutCharacter(const std::string& data) {
  for (size_t i = 0; i < data.size(); ++i) {
    const unsigned char lead = static_cast<unsigned char>(data[i]);
    size_t announced = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 && lead < 0xF0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : 0;
    if (!announced) continue;
    size_t present = 0;
    while (present < announced && i + 1 + present < data.size() &&
           (static_cast<unsigned char>(data[i + 1 + present]) & 0xC0) == 0x80)
      ++present;
    if (present < announced) return true;
  }
  return false;
}

const Mutation& MutationNamed(const std::string& name) {
  for (const Mutation& mutation : Mutations())
    if (name == mutation.name) return mutation;
  ADD_FAILURE() << "no mutation " << name;
  return Mutations().front();
}

}  // namespace

TEST(FuzzMutator, SameNumbersGiveTheSameInput) {
  for (const FuzzFamily& family : FuzzFamilies()) {
    const std::vector<std::string> seeds = family.seeds();
    const uint64_t salt = NameSalt(family.name);
    FuzzLimits limits;
    limits.maxBytes = 256 * 1024;
    limits.maxDepth = 2000;
    limits.maxAttributes = 2000;
    size_t differing = 0;
    for (uint64_t index = 0; index < 200; ++index) {
      const std::string first = MakeFuzzInput(seeds, salt, 5, index, limits);
      ASSERT_EQ(first, MakeFuzzInput(seeds, salt, 5, index, limits)) << family.name << " index " << index;
      if (first != MakeFuzzInput(seeds, salt, 6, index, limits)) ++differing;
    }
    // Another run seed gives another run.
    EXPECT_GT(differing, 180u) << family.name;
  }
}

TEST(FuzzMutator, InputsStayWithinTheSizeBound) {
  const std::vector<std::string> seeds = SeedsOf("result-page");
  FuzzLimits limits;
  limits.maxBytes = 3000;
  limits.maxDepth = 5000;
  limits.maxAttributes = 5000;
  for (uint64_t index = 0; index < 500; ++index)
    ASSERT_LE(MakeFuzzInput(seeds, 1, 1, index, limits).size(), limits.maxBytes) << "index " << index;
}

TEST(FuzzMutator, EveryMutationIsChosenInAThousandInputs) {
  const std::vector<std::string> seeds = SeedsOf("strings");
  FuzzLimits limits;
  limits.maxBytes = 64 * 1024;
  limits.maxDepth = 300;
  limits.maxAttributes = 300;
  std::set<std::string> seen;
  for (uint64_t index = 0; index < 1000; ++index) {
    std::vector<std::string> applied;
    MakeFuzzInput(seeds, NameSalt("strings"), 1, index, limits, &applied);
    ASSERT_FALSE(applied.empty());
    seen.insert(applied.begin(), applied.end());
  }
  for (const Mutation& mutation : Mutations()) EXPECT_TRUE(seen.count(mutation.name)) << mutation.name;
}

TEST(FuzzMutator, StructuralMutationsMakeWhatTheyClaim) {
  FuzzLimits limits;
  limits.maxDepth = 400;
  limits.maxAttributes = 400;
  const std::vector<std::string> seeds = SeedsOf("strings");
  struct Case {
    const char* mutation;
    bool (*holds)(const std::string& before, const std::string& after);
  } cases[] = {
      {"cut-utf8", [](const std::string&, const std::string& after) { return HasCutCharacter(after); }},
      {"zero-byte", [](const std::string&, const std::string& after) { return after.find('\0') != std::string::npos; }},
      {"deep-nest", [](const std::string& before, const std::string& after) { return after.size() >= before.size() + 100 * 3; }},
      {"odd-open", [](const std::string& before, const std::string& after) { return after.size() > before.size() && after.find('<') != std::string::npos; }},
      {"declaration-quotes", [](const std::string&, const std::string& after) { return after.find("<?xml ") != std::string::npos; }},
      {"many-attributes", [](const std::string& before, const std::string& after) { return after.find(" a1=\"1\"") != std::string::npos && after.size() > before.size(); }},
  };
  const std::string text = "<string><s id=\"1\">ordinary text</s></string>";
  for (const Case& c : cases) {
    const Mutation& mutation = MutationNamed(c.mutation);
    for (uint64_t n = 0; n < 50; ++n) {
      FuzzRng rng(n);
      std::string data = text;
      mutation.apply(data, rng, seeds, limits);
      ASSERT_TRUE(c.holds(text, data)) << c.mutation << " with rng " << n;
    }
  }
}

TEST(FuzzMutator, ManyAttributeTagParsesWithEveryAttribute) {
  const size_t limit = kMaxXmlAttributes;
  for (size_t count : {size_t{1}, size_t{2}, size_t{50}, limit}) {
    TiXmlDocument document;
    document.Parse((ManyAttributeTag(count) + "</e>").c_str(), nullptr, TIXML_ENCODING_UTF8);
    ASSERT_FALSE(document.Error()) << count;
    size_t attributes = 0;
    for (const TiXmlAttribute* a = document.RootElement()->FirstAttribute(); a; a = a->Next()) ++attributes;
    EXPECT_EQ(attributes, count);
  }
  // Past the parser's bound the same well-formed tag is refused.
  for (size_t count : {limit + 1, size_t{1000}}) {
    TiXmlDocument document;
    document.Parse((ManyAttributeTag(count) + "</e>").c_str(), nullptr, TIXML_ENCODING_UTF8);
    EXPECT_TRUE(document.Error()) << count;
  }
}

TEST(FuzzMutator, ClosedNestingBurstsParseToTheirDepth) {
  // The plain forms nest as many elements as the burst has units.
  for (const char* name : {"element", "attribute"}) {
    for (const NestingForm& form : NestingForms()) {
      if (std::string(form.name) != name) continue;
      TiXmlDocument document;
      document.Parse(NestingBurst(form, 40, true).c_str(), nullptr, TIXML_ENCODING_UTF8);
      ASSERT_FALSE(document.Error()) << name;
      int depth = 0;
      for (const TiXmlElement* e = document.RootElement(); e; e = e->FirstChildElement()) ++depth;
      EXPECT_EQ(depth, 40) << name;
    }
  }
}

TEST(FuzzFamilies, SeedsKeepEveryRule) {
  const std::wstring folder = MakeScratchFolder("fuzz-families");
  const FuzzContext context{folder};
  for (const FuzzFamily& family : FuzzFamilies()) {
    const std::vector<std::string> seeds = family.seeds();
    ASSERT_FALSE(seeds.empty()) << family.name;
    for (const std::string& seed : seeds) {
      ASSERT_FALSE(seed.empty()) << family.name;
      EXPECT_EQ(family.run(seed, context), "") << family.name;
    }
  }
}

TEST(FuzzDriver, EmitWritesTheInputOfItsNumbers) {
  const std::wstring folder = MakeScratchFolder("fuzz-emit");
  FuzzLimits limits;
  for (uint64_t index : {0u, 7u, 123u}) {
    const std::wstring out = folder + L"\\" + std::to_wstring(index) + L".bin";
    const ProcessResult result = RunProcess(
        DriverCommand(L"emit --family styles --seed 3 --index " + std::to_wstring(index) + L" --out \"" + out + L"\""),
        60000);
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(ReadFileBytes(out), MakeFuzzInput(SeedsOf("styles"), NameSalt("styles"), 3, index, limits));
  }
}

TEST(FuzzDriver, GuardHeapFaultsOnReadsPastTheBlock) {
  constexpr DWORD kCrash = 241;
  const struct {
    const wchar_t* guard;
    int size;
    int offset;
    DWORD exitCode;
  } cases[] = {
      {L"exact", 1, 1, kCrash},     {L"exact", 17, 17, kCrash}, {L"exact", 4096, 4096, kCrash},
      {L"exact", 17, 16, 0},        {L"aligned", 16, 16, kCrash}, {L"aligned", 13, 16, kCrash},
      {L"aligned", 13, 13, 0},      {L"off", 16, 16, 0},
  };
  for (const auto& c : cases) {
    const ProcessResult result =
        RunProcess(DriverCommand(L"probe-overread --guard " + std::wstring(c.guard) + L" --size " +
                                 std::to_wstring(c.size) + L" --offset " + std::to_wstring(c.offset)),
                   60000);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.size << "/" << c.offset << " " << result.err;
    if (c.exitCode == kCrash) {
      EXPECT_NE(result.err.find("fuzz: crash code=0xC0000005"), std::string::npos);
    }
  }
}
