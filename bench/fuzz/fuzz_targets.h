// The parser families the fuzz driver feeds: each has seed documents and a
// runner that pushes one input through the real code path and checks what
// must hold afterwards. Add a family by adding a row to FuzzFamilies().
#pragma once

#include <string>
#include <vector>

// Where the loader families write their documents: a scratch skin folder
// (Windows path) that the runner installs with SetSkinFolder.
struct FuzzContext {
  std::wstring skinFolder;
};

struct FuzzFamily {
  const char* name;
  // Seed documents, in a fixed order (inputs are regenerated from it).
  std::vector<std::string> (*seeds)();
  // Runs one input. Returns an empty text when everything held, otherwise a
  // one-line description of the broken rule.
  std::string (*run)(const std::string& input, const FuzzContext& context);
};

const std::vector<FuzzFamily>& FuzzFamilies();
// The family called `name`, or null.
const FuzzFamily* FindFuzzFamily(const std::string& name);

// The skin folder document id the loader families write and load.
constexpr unsigned kFuzzDocumentId = 7001;

// A result page as the query site writes it (broken markup included), with
// `rows` trains.
std::string MakeResultPage(int rows);
