// XmlNode: one node delivered by XmlReader::Next (a start tag, an end tag, a run of text or a
// processing instruction; comments are consumed by the reader and never delivered).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vorlax {

enum class XmlNodeKind : int32_t {
  None = 0,
  StartTag = 1,
  EndTag = 2,
  Text = 3,
  Instruction = 4,
  Comment = 5,
};

struct XmlNode {
  XmlNodeKind kind = XmlNodeKind::None;
  // The open elements when the call began, outermost first, joined by "/": for a start tag the
  // path of its parent, for an end tag the path that still includes the element being closed,
  // for text the path of the element that holds it.
  std::u16string path;
  // Element name (StartTag, EndTag), the text itself (Text), the target (Instruction).
  std::u16string name;
  // For Instruction: everything after the target up to "?>".
  std::u16string extra;
  // One value per name, ordered by code-unit comparison of the names; a repeated name keeps its
  // last value.
  std::map<std::u16string, std::u16string> attributes;
  // One entry per attribute added, in the order added, naming its element of `attributes` (so a
  // node stays valid when copied); a repeated name appears again; an attribute named "/" has no
  // entry.
  std::vector<std::u16string> attributeOrder;
};

// The entity decoder applied to every finished name, text and attribute: "&lt;" "&amp;" "&gt;"
// "&quot;" "&apos;" "&nbsp;" (a plain space) and "&cr;" (a line feed). Any other name between "&"
// and the next ";" becomes a single "&"; an "&" with no ";" after it stays as it is. One pass:
// "&amp;lt;" becomes "&lt;".
std::u16string DecodeEntities(const std::u16string& text);

}  // namespace vorlax
