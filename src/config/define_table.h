// The defines of the run: names and raw values, and the %NAME% substitution.
#pragma once

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

// Expands every %NAME% placeholder of text against defines.
std::u16string ExpandDefines(DefineTable& defines, const std::u16string& text);

}  // namespace vorlax
