// Placeholder substitution of one window text, the rule every page applies to its caption and to
// each control when it opens.
//
// The text is read the way GetWindowTextW reads it into a 16,384-character buffer, so at most
// kMaxWindowTextChars characters take part; the cut happens before expansion, and the expanded
// result is set whole.
#pragma once

#include <cstddef>
#include <string>

namespace vorlax {

constexpr std::size_t kMaxWindowTextChars = 16383;

// The first kMaxWindowTextChars characters of text with every %NAME% expanded.
std::u16string SubstituteText(const std::u16string& text);

}  // namespace vorlax
