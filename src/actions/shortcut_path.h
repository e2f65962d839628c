// The small path syntax of a shortcut's destination: a system alternative in braces, name
// variants separated by a vertical bar, and the permanent marker.
//
// - Brace rule (SelectPathVariant): the text between the LAST "{" and the LAST "}" replaces
//   everything before the "{" on Windows 98 and Me; elsewhere the braces and their content are
//   dropped; the text after the "}" remains in both cases. The two are found independently, so a
//   "{" after the last "}" still counts.
// - Bar rule (ApplyNameVariant): when the link path holds a "|", the path is cut after its last
//   separator and the name becomes its variant, appended to the path: the part after the name's
//   last "|" on 98/Me, the part before it elsewhere (so "A|B|C" gives "A|B" elsewhere). A name
//   without a "|" is not appended and the path then ends with its separator. The variant is also
//   the shortcut's description.
// - "{perm}": its first occurrence is removed and the shortcut is not logged.
//
// Trap: "{perm}" as the last brace group is consumed by the brace rule itself (on 98/Me the path
// becomes just "perm"); only a "{perm}" before another brace group survives it.
#pragma once

#include <string>

namespace vorlax {

constexpr char16_t kPermanentMarker[] = u"{perm}";

// The brace rule for a system that is (windows98OrMe) or is not Windows 98 or Me. A "{" after
// the last "}" opens no group: the path stays as it is.
std::u16string SelectPathVariantFor(const std::u16string& path, bool windows98OrMe);

// The brace rule for the running system (any system whose version cannot be read counts as not
// 98/Me).
std::u16string SelectPathVariant(const std::u16string& path);

// The bar rule: linkPath as it stays, or cut and (with name's variant, which name becomes)
// completed again.
void ApplyNameVariant(std::u16string* linkPath, std::u16string* name, bool windows98OrMe);

// The file-name part of an unexpanded destination: the text after its last "\" or "/", or the
// whole text without either.
std::u16string DestinationName(const std::u16string& dest);

// Removes the first "{perm}"; false (path unchanged) when there is none.
bool RemovePermanentMarker(std::u16string* path);

}  // namespace vorlax
