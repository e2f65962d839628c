// The %NAME% references of a configuration text as the substitution's first pass pairs them: the
// "%" characters left to right, each pair enclosing one name, so "50% of %B%" refers to " of ".
#pragma once

#include <string>
#include <vector>

namespace vorlax {

std::vector<std::u16string> ReferencedNames(const std::u16string& text);

}  // namespace vorlax
