// ParseRegistryKeyPath: the three known prefixes, exactly as written, and everything else.
#include "actions/registry_key_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"

namespace vorlax {
namespace {

struct KeyPathCase {
  std::u16string path;
  bool parses;
  RegistryKey root;
  std::u16string subkey;
};

TEST(ParseRegistryKeyPath, KnowsExactlyThreePrefixes) {
  const std::vector<KeyPathCase> cases = {
      {u"HKLM\\SOFTWARE\\Vendor", true, kHkeyLocalMachine, u"SOFTWARE\\Vendor"},
      {u"HKCU\\Software\\Vendor", true, kHkeyCurrentUser, u"Software\\Vendor"},
      {u"HKCR\\.demo", true, kHkeyClassesRoot, u".demo"},
      {u"HKLM\\", true, kHkeyLocalMachine, u""},
      {u"HKLM\\\\a\\\\", true, kHkeyLocalMachine, u"\\a\\\\"},  // no check on the subkey
      {u"hkcu\\Software", false, kNoRegistryKey, u""},
      {u"HkLm\\SOFTWARE", false, kNoRegistryKey, u""},
      {u"HKLM", false, kNoRegistryKey, u""},
      {u"HKLM/SOFTWARE", false, kNoRegistryKey, u""},
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE", false, kNoRegistryKey, u""},
      {u"HKU\\.DEFAULT", false, kNoRegistryKey, u""},
      {u" HKLM\\SOFTWARE", false, kNoRegistryKey, u""},
      {u"", false, kNoRegistryKey, u""},
  };
  for (const KeyPathCase& c : cases) {
    RegistryKey root = kNoRegistryKey;
    std::u16string subkey;
    EXPECT_EQ(ParseRegistryKeyPath(c.path, &root, &subkey), c.parses) << ToUtf8(c.path);
    EXPECT_EQ(root, c.root) << ToUtf8(c.path);
    EXPECT_EQ(subkey, c.subkey) << ToUtf8(c.path);
  }
}

}  // namespace
}  // namespace vorlax
