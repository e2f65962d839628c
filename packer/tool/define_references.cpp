#include "packer/tool/define_references.h"

namespace vorlax {

std::vector<std::u16string> ReferencedNames(const std::u16string& text) {
  std::vector<std::u16string> names;
  std::size_t open = text.find(u'%');
  while (open != std::u16string::npos) {
    std::size_t close = text.find(u'%', open + 1);
    if (close == std::u16string::npos) break;
    names.push_back(text.substr(open + 1, close - open - 1));
    open = text.find(u'%', close + 1);
  }
  return names;
}

}  // namespace vorlax
