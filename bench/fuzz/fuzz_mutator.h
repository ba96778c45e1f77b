// Deterministic input generation for the parser fuzz driver: every input is a
// function of (seed documents, salt, seed, index) alone, so any input of a run
// can be regenerated from its numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// splitmix64: small, fast and identical on every platform and compiler.
class FuzzRng {
 public:
  explicit FuzzRng(uint64_t state) : state_(state) {}
  uint64_t Next();
  // Uniform in [0, bound); 0 when bound is 0.
  size_t Below(size_t bound);
  // Uniform in [low, high].
  size_t Between(size_t low, size_t high) { return low + Below(high - low + 1); }
  // Log-uniform in [low, high], low >= 1: small values are common, large ones rare.
  size_t LogBetween(size_t low, size_t high);
  bool OneIn(size_t n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

// Bounds on what one input may grow to, so that a run keeps its pace.
struct FuzzLimits {
  size_t maxBytes = 4u << 20;
  size_t maxDepth = 20000;
  size_t maxAttributes = 100000;
};

// Opening forms of the deep-nesting bursts; each unit opens one element for
// the parser, some in ways that a plain tag scanner reads differently.
struct NestingForm {
  const char* name;
  const char* unit;
};
const std::vector<NestingForm>& NestingForms();

// The individual mutations, by name, for tests and the driver's logs.
using MutationFn = void (*)(std::string& data, FuzzRng& rng, const std::vector<std::string>& seeds,
                            const FuzzLimits& limits);
struct Mutation {
  const char* name;
  MutationFn apply;
  unsigned weight;
};
const std::vector<Mutation>& Mutations();

// `count` units of `form` followed by as many closing tags when `closed`.
std::string NestingBurst(const NestingForm& form, size_t count, bool closed);
// A start tag "<e a0="0" a1="1" …>" with `count` distinct attributes.
std::string ManyAttributeTag(size_t count);

// Input `index` of the run `seed`: one seed document changed by one to a few
// stacked mutations, never longer than limits.maxBytes. `salt` separates the
// families. When `applied` is given it receives the mutation names, in order.
std::string MakeFuzzInput(const std::vector<std::string>& seeds, uint64_t salt, uint64_t seed, uint64_t index,
                          const FuzzLimits& limits, std::vector<std::string>* applied = nullptr);

// FNV-1a of a name: the salt of a family.
uint64_t NameSalt(const char* name);
