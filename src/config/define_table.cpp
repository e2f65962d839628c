#include "config/define_table.h"

namespace vorlax {

std::u16string DefineTable::Get(const std::u16string& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::u16string() : it->second;
}

void DefineTable::Set(const std::u16string& name, const std::u16string& value) {
  values_[name] = value;
}

}  // namespace vorlax
