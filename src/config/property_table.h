// PropertyTable: the localised strings of props.xml (every caption, label, line and message the
// user sees) and its string arrays.
//
// Document schema: root "Properties" (any number of times) holding "String" elements (attribute
// "id", text content) and "StringArray" elements (attribute "id", holding "String" items whose
// attributes are ignored). A missing id is the empty id.
//
// Traps:
//   - Each id keeps its FIRST entry; a later String or StringArray with the same id is read and
//     discarded (defines do the reverse).
//   - Ids are 8-bit: a character up to U+00FF becomes the byte of the same value. An id that has
//     no such form (a character above U+00FF, or more than 255 characters) could only be stored
//     cut short, where it might take the place of another id; such an entry is not stored, and
//     its id is kept in UnconvertibleIds() so a checking tool can report it.
//   - "Unexpected Section" names the element in quotes in this file only.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "config/section_reader.h"

namespace vorlax {

class PropertyTable : public SectionReader {
 public:
  using Strings = std::map<std::string, std::u16string>;
  using Arrays = std::map<std::string, std::vector<std::u16string>>;

  PropertyTable() : SectionReader(SectionStyle::kQuoted) {}

  // Reads props.xml into the table. False on any error, with the error text set; entries read
  // before the error stay in the table.
  bool LoadFile(const std::u16string& path);
  // The same for a document held in memory (messages then carry no file name).
  bool LoadText(const std::u16string& text);

  // Every string and every array, in byte order of the ids.
  const Strings& GetStrings() const { return strings_; }
  const Arrays& GetArrays() const { return arrays_; }
  // Ids (as written) of entries that were not stored because the id has no 8-bit form.
  const std::vector<std::u16string>& UnconvertibleIds() const { return unconvertibleIds_; }

 private:
  bool ReadProperties();
  FieldResult ReadString(const XmlNode& startTag);
  FieldResult ReadStringArray(const XmlNode& startTag);
  // The 8-bit id of a String or StringArray start tag; false when it has none.
  bool IdOf(const XmlNode& startTag, std::string* id);

  Strings strings_;
  Arrays arrays_;
  std::vector<std::u16string> unconvertibleIds_;
};

}  // namespace vorlax
