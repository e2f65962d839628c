#include "actions/registry_key_path.h"

namespace vorlax {

namespace {

struct RootPrefix {
  const char16_t* prefix;  // five characters, ending in "\"
  RegistryKey root;
};

constexpr std::size_t kPrefixLength = 5;

constexpr RootPrefix kRootPrefixes[] = {
    {u"HKLM\\", kHkeyLocalMachine},
    {u"HKCU\\", kHkeyCurrentUser},
    {u"HKCR\\", kHkeyClassesRoot},
};

}  // namespace

bool ParseRegistryKeyPath(const std::u16string& path, RegistryKey* root, std::u16string* subkey) {
  if (path.size() < kPrefixLength) return false;
  for (const RootPrefix& known : kRootPrefixes) {
    if (path.compare(0, kPrefixLength, known.prefix) != 0) continue;
    *root = known.root;
    *subkey = path.substr(kPrefixLength);
    return true;
  }
  return false;
}

}  // namespace vorlax
