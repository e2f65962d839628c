// The destination rules of shortcuts on both kinds of system: the brace rule (SelectPathVariant,
// also through the fake's version), the bar rule with its name variants, the name part of an
// unexpanded destination and the permanent marker.
#include "actions/shortcut_path.h"

#include <gtest/gtest.h>

#include <string>

#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

TEST(SelectPathVariant, BraceRuleOnBothKindsOfSystem) {
  struct Case {
    std::u16string path;
    std::u16string elsewhere;
    std::u16string on98OrMe;
  };
  const Case cases[] = {
      {u"C:\\Menu\\Game", u"C:\\Menu\\Game", u"C:\\Menu\\Game"},
      {u"C:\\All\\Demo{C:\\Mine\\Demo}\\Play", u"C:\\All\\Demo\\Play", u"C:\\Mine\\Demo\\Play"},
      {u"C:\\All{C:\\Mine}", u"C:\\All", u"C:\\Mine"},
      // Only the last group counts; an earlier "{perm}" survives it.
      {u"C:\\X{perm}{C:\\Y}\\Play", u"C:\\X{perm}\\Play", u"C:\\Y\\Play"},
      {u"C:\\X{a}{b}", u"C:\\X{a}", u"b"},
      // "{perm}" as the last group is taken by the brace rule itself.
      {u"C:\\X{perm}", u"C:\\X", u"perm"},
      {u"{}tail", u"tail", u"tail"},
      // Unpaired braces leave the path as it is.
      {u"C:\\X}tail", u"C:\\X}tail", u"C:\\X}tail"},
      {u"C:\\X{open", u"C:\\X{open", u"C:\\X{open"},
      {u"C:\\X}b{c", u"C:\\X}b{c", u"C:\\X}b{c"},
      // The last "{" before the last "}" pairs with it, however many come before.
      {u"a{b{c}d", u"a{bd", u"cd"},
      {u"", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
    EXPECT_EQ(SelectPathVariantFor(c.path, false), c.elsewhere);
    EXPECT_EQ(SelectPathVariantFor(c.path, true), c.on98OrMe);
  }
}

TEST(SelectPathVariant, AsksTheRunningSystem) {
  struct Case {
    const char* name;
    SystemVersion version;
    bool queryFails;
    std::u16string expected;
  };
  const Case cases[] = {
      {"Windows98", {4, 10, 1998, 1}, false, u"C:\\Mine"},
      {"WindowsMe", {4, 90, 3000, 1}, false, u"C:\\Mine"},
      {"Windows95", {4, 0, 950, 1}, false, u"C:\\All"},
      {"WindowsXP", {5, 1, 2600, 2}, false, u"C:\\All"},
      {"VersionUnreadable", {4, 10, 1998, 1}, true, u"C:\\All"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem fake;
    ResetInstallerState();
    State().system = &fake;
    fake.version = c.version;
    fake.versionQueryFails = c.queryFails;
    EXPECT_EQ(SelectPathVariant(u"C:\\All{C:\\Mine}"), c.expected);
    State().system = nullptr;
  }
}

TEST(ApplyNameVariant, BarRule) {
  struct Case {
    std::u16string linkPath, name;
    std::u16string pathElsewhere, nameElsewhere;
    std::u16string path98, name98;
  };
  const Case cases[] = {
      {u"C:\\Desk\\Play", u"Play", u"C:\\Desk\\Play", u"Play", u"C:\\Desk\\Play", u"Play"},
      {u"C:\\Desk\\Spiel|Game", u"Spiel|Game", u"C:\\Desk\\Spiel", u"Spiel", u"C:\\Desk\\Game", u"Game"},
      {u"C:\\Desk\\A|B|C", u"A|B|C", u"C:\\Desk\\A|B", u"A|B", u"C:\\Desk\\C", u"C"},
      // The name comes from the unexpanded destination: its variant replaces the expanded one.
      {u"C:\\Desk\\Spiel|Game", u"Other|Name", u"C:\\Desk\\Other", u"Other", u"C:\\Desk\\Name", u"Name"},
      // A bar elsewhere in the path and a name without one: the path ends with its separator.
      {u"C:\\A|B\\Play", u"Play", u"C:\\A|B\\", u"Play", u"C:\\A|B\\", u"Play"},
      {u"C:/Desk/Spiel|Game", u"Spiel|Game", u"C:/Desk/Spiel", u"Spiel", u"C:/Desk/Game", u"Game"},
      {u"Spiel|Game", u"Spiel|Game", u"Spiel", u"Spiel", u"Game", u"Game"},
      {u"C:\\Desk\\|", u"|", u"C:\\Desk\\", u"", u"C:\\Desk\\", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.linkPath.begin(), c.linkPath.end()));
    std::u16string path = c.linkPath, name = c.name;
    ApplyNameVariant(&path, &name, false);
    EXPECT_EQ(path, c.pathElsewhere);
    EXPECT_EQ(name, c.nameElsewhere);
    path = c.linkPath;
    name = c.name;
    ApplyNameVariant(&path, &name, true);
    EXPECT_EQ(path, c.path98);
    EXPECT_EQ(name, c.name98);
  }
}

TEST(ShortcutPath, DestinationNameAndPermanentMarker) {
  EXPECT_EQ(DestinationName(u"%Desktop%\\Spiel|Game"), u"Spiel|Game");
  EXPECT_EQ(DestinationName(u"C:\\a/b"), u"b");
  EXPECT_EQ(DestinationName(u"C:/a\\b"), u"b");
  EXPECT_EQ(DestinationName(u"Play"), u"Play");
  EXPECT_EQ(DestinationName(u"C:\\Menu\\"), u"");

  std::u16string path = u"C:\\X{perm}\\Y{perm}";
  EXPECT_TRUE(RemovePermanentMarker(&path));
  EXPECT_EQ(path, u"C:\\X\\Y{perm}");
  path = u"C:\\X{Perm}";
  EXPECT_FALSE(RemovePermanentMarker(&path));
  EXPECT_EQ(path, u"C:\\X{Perm}");
}

}  // namespace
}  // namespace vorlax
