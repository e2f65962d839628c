// The defines of the run: names and raw values, the reader of defines documents (defines.xml
// and the defines texts of the attached payload), and the %NAME% substitution.
//
// Values are stored raw, exactly as read; expansion happens each time a text is used, so a define
// may refer to defines set later. A later assignment replaces an earlier one of the same name.
//
// Document schema: root "Defines" (any number of times) holding "Define" elements, each with
// "Name" and "Value" text children (the last one of each counts). A Define without a name, or
// with an empty one, is dropped.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "config/section_reader.h"

namespace vorlax {

class DefineTable : public SectionReader {
 public:
  using Map = std::map<std::u16string, std::u16string>;

  // The raw (unexpanded) value of name; empty when the name is absent. Names are case-sensitive.
  std::u16string Get(const std::u16string& name) const;
  // Sets or replaces name's raw value.
  void Set(const std::u16string& name, const std::u16string& value);
  // The raw value of name in place, or null when the name is absent.
  const std::u16string* Find(const std::u16string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
  }
  // True when name has been set (to any value, even an empty one).
  bool Has(const std::u16string& name) const { return values_.count(name) != 0; }
  // Every define in name order.
  const Map& All() const { return values_; }

  // Reads a defines document from a file or a text into the table. False on any error, with the
  // error text set (GetErrorText); entries read before the error stay in the table.
  bool LoadFile(const std::u16string& path);
  bool LoadText(const std::u16string& text);

 private:
  bool ReadDefines();
  FieldResult ReadDefine();

  Map values_;
};

// Bounds of one expansion (see define_expansion.cpp); no real configuration comes near them.
// A reference that would pass a bound expands to empty text.
constexpr int kMaxExpansionDepth = 64;         // values within values, command arguments
constexpr int kMaxExpansionSteps = 4096;       // replacements and commands per outermost call
constexpr std::size_t kMaxExpansionWork = 1u << 20;  // characters handled per outermost call
constexpr std::size_t kMaxExpandedLength = 65536;  // characters a replacement may grow a text to

// Expands every %NAME% placeholder of text against defines, recursively, and runs define
// commands (texts starting with a single "#"). Never fails: missing defines become empty text.
std::u16string ExpandDefines(DefineTable& defines, const std::u16string& text);

}  // namespace vorlax
