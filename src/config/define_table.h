// The defines of the run: names and raw values, and the %NAME% substitution.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace vorlax {

class DefineTable {
 public:
  // The raw (unexpanded) value of name; empty when the name is absent. Names are case-sensitive.
  std::u16string Get(const std::u16string& name) const;
  // Sets or replaces name's raw value.
  void Set(const std::u16string& name, const std::u16string& value);

 private:
  std::map<std::u16string, std::u16string> values_;
};

// Bounds of one expansion (see define_expansion.cpp); no real configuration comes near them.
// A reference that would pass a bound expands to empty text.
constexpr int kMaxExpansionDepth = 64;         // values within values, command arguments
constexpr int kMaxExpansionSteps = 10000;      // replacements and commands per outermost call
constexpr std::size_t kMaxExpandedLength = 65536;  // characters a replacement may grow a text to

// Expands every %NAME% placeholder of text against defines, recursively, and runs define
// commands (texts starting with a single "#"). Never fails: missing defines become empty text.
std::u16string ExpandDefines(DefineTable& defines, const std::u16string& text);

}  // namespace vorlax
