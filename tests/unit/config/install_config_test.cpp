// InstallConfig: every element and record of install.xml, defaults, integer conversion and the
// Windows 98/Me alternative of list items through the fake system's version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/install_config.h"
#include "config_fixture.h"

namespace vorlax {
namespace {

const std::u16string kInstall = u"C:\\Temp\\cfg\\install.xml";

class InstallConfigTest : public ConfigTest {
 protected:
  bool Load(const std::u16string& body) {
    AddUtf16File(kInstall, u"<InstallConfig>" + body + u"</InstallConfig>");
    return config.LoadFile(kInstall);
  }
  InstallConfig config;
};

TEST_F(InstallConfigTest, EmptyConfigHasDefaults) {
  ASSERT_TRUE(Load(u""));
  EXPECT_TRUE(config.RegValues.empty());
  EXPECT_TRUE(config.Shortcuts.empty());
  EXPECT_TRUE(config.PreExec.empty());
  EXPECT_TRUE(config.PostExec.empty());
  for (const std::u16string* text : {&config.RunExe, &config.LicenseTitle, &config.ReadmeTitle,
                                     &config.InstallLog, &config.UninstallCmd}) {
    EXPECT_TRUE(text->empty());
  }
  for (const auto* list : {&config.UninstallDeltree, &config.UserDirectory, &config.UninstallDelRegKey,
                           &config.UserRegKey, &config.GrantAllFilePermissions,
                           &config.GrantAllRegistryPermissions}) {
    EXPECT_TRUE(list->empty());
  }
}

TEST_F(InstallConfigTest, SampleFile) {
  AddUtf16File(kInstall,
               u"<?xml version=\"1.0\" ?>\r\n<InstallConfig>\r\n"
               u"<RunExe>%InstallPath%\\demo.exe</RunExe>\r\n"
               u"<InstallLog>%InstallPath%\\install.log</InstallLog>\r\n"
               u"<UninstallCmd>%InstallPath%\\uninst.exe &quot;%InstallPath%\\install.log&quot;</UninstallCmd>\r\n"
               u"<ReadmeTitle>readme.html</ReadmeTitle><LicenseTitle>license.txt</LicenseTitle>\r\n"
               u"<UninstallDeltree>%InstallPath%</UninstallDeltree>\r\n"
               u"<UninstallDeltree>%CommonProgramGroup%\\%InstallGroup%</UninstallDeltree>\r\n"
               u"<UninstallDelRegKey>HKLM\\SOFTWARE\\Vorlax\\Demo</UninstallDelRegKey>\r\n"
               u"<UserDirectory>%InstallPath%\\saves</UserDirectory><UserDirectory>%InstallPath%\\shots</UserDirectory>\r\n"
               u"<UserRegKey>HKCU\\SOFTWARE\\Vorlax\\Demo</UserRegKey>\r\n"
               u"<GrantAllFilePermissions>%InstallPath%\\saves</GrantAllFilePermissions>\r\n"
               u"<GrantAllFilePermissions>%InstallPath%\\shots</GrantAllFilePermissions>\r\n"
               u"<GrantAllRegistryPermissions>HKLM\\SOFTWARE\\Vorlax</GrantAllRegistryPermissions>\r\n"
               u"<PreExec><Exe>%OldUninstaller%</Exe><Params>/S</Params><Directory>%Temp%</Directory>"
               u"<SilentFail>1</SilentFail></PreExec>\r\n"
               u"<PostExec><Exe>notes.txt</Exe></PostExec>\r\n"
               u"<Registry><RegValue><Key>HKLM\\SOFTWARE\\Vorlax</Key><Name>Path</Name><Value>%InstallPath%</Value>"
               u"<TypeNum>0</TypeNum></RegValue>\r\n"
               u"<RegValue><Key>HKLM\\SOFTWARE\\Vorlax</Key><Name>Build</Name><Value>7</Value><TypeNum>1</TypeNum></RegValue>"
               u"</Registry>\r\n"
               u"<Shortcuts><Shortcut><Dest>%InstallGroup%\\Demo.lnk</Dest><Target>%InstallPath%\\demo.exe</Target>"
               u"<Args>-w</Args></Shortcut><Shortcut><Dest>Site.url</Dest><Target>https://example.org/</Target></Shortcut>"
               u"</Shortcuts>\r\n<Registry><RegValue><Key>k</Key></RegValue></Registry>\r\n"
               u"<ExFileInfo>\r\n</ExFileInfo>\r\n</InstallConfig>\r\n");
  ASSERT_TRUE(config.LoadFile(kInstall)) << ToUtf8(config.GetErrorText());
  EXPECT_EQ(config.RunExe, u"%InstallPath%\\demo.exe");
  EXPECT_EQ(config.InstallLog, u"%InstallPath%\\install.log");
  EXPECT_EQ(config.UninstallCmd, u"%InstallPath%\\uninst.exe \"%InstallPath%\\install.log\"");
  EXPECT_EQ(config.ReadmeTitle, u"readme.html");
  EXPECT_EQ(config.LicenseTitle, u"license.txt");
  EXPECT_EQ(config.UninstallDeltree,
            (std::vector<std::u16string>{u"%InstallPath%", u"%CommonProgramGroup%\\%InstallGroup%"}));
  EXPECT_EQ(config.UninstallDelRegKey, std::vector<std::u16string>{u"HKLM\\SOFTWARE\\Vorlax\\Demo"});
  EXPECT_EQ(config.UserDirectory,
            (std::vector<std::u16string>{u"%InstallPath%\\saves", u"%InstallPath%\\shots"}));
  EXPECT_EQ(config.UserRegKey, std::vector<std::u16string>{u"HKCU\\SOFTWARE\\Vorlax\\Demo"});
  EXPECT_EQ(config.GrantAllFilePermissions.size(), 2u);
  EXPECT_EQ(config.GrantAllRegistryPermissions, std::vector<std::u16string>{u"HKLM\\SOFTWARE\\Vorlax"});
  ASSERT_EQ(config.PreExec.size(), 1u);
  EXPECT_EQ(config.PreExec[0].Exe, u"%OldUninstaller%");
  EXPECT_EQ(config.PreExec[0].Params, u"/S");
  EXPECT_EQ(config.PreExec[0].Directory, u"%Temp%");
  EXPECT_TRUE(config.PreExec[0].SilentFail);
  ASSERT_EQ(config.PostExec.size(), 1u);
  EXPECT_EQ(config.PostExec[0].Exe, u"notes.txt");
  EXPECT_FALSE(config.PostExec[0].SilentFail);
  ASSERT_EQ(config.RegValues.size(), 3u);  // both Registry elements add to one list
  EXPECT_EQ(config.RegValues[0].Key, u"HKLM\\SOFTWARE\\Vorlax");
  EXPECT_EQ(config.RegValues[0].Name, u"Path");
  EXPECT_EQ(config.RegValues[0].Value, u"%InstallPath%");
  EXPECT_EQ(config.RegValues[1].TypeNum, 1);
  EXPECT_EQ(config.RegValues[2].Key, u"k");
  EXPECT_EQ(config.RegValues[2].TypeNum, 0);
  ASSERT_EQ(config.Shortcuts.size(), 2u);
  EXPECT_EQ(config.Shortcuts[0].Dest, u"%InstallGroup%\\Demo.lnk");
  EXPECT_EQ(config.Shortcuts[0].Target, u"%InstallPath%\\demo.exe");
  EXPECT_EQ(config.Shortcuts[0].Args, u"-w");
  EXPECT_EQ(config.Shortcuts[1].Args, u"");
}

TEST_F(InstallConfigTest, RepeatedElements) {
  ASSERT_TRUE(Load(u"<RunExe>a</RunExe><RunExe>b</RunExe><UserDirectory>1</UserDirectory>"
                   u"<UserDirectory>2</UserDirectory><PreExec><Exe>x</Exe><Exe>y</Exe></PreExec>"
                   u"<Registry><RegValue><TypeNum>2</TypeNum><TypeNum>4</TypeNum></RegValue></Registry>"));
  EXPECT_EQ(config.RunExe, u"b");
  EXPECT_EQ(config.UserDirectory, (std::vector<std::u16string>{u"1", u"2"}));
  EXPECT_EQ(config.PreExec.at(0).Exe, u"y");
  EXPECT_EQ(config.RegValues.at(0).TypeNum, 4);
}

TEST_F(InstallConfigTest, SilentFailAndTypeNumAreIntegers) {
  struct Case {
    std::u16string text;
    bool silent;
  };
  for (const Case& c : std::vector<Case>{{u"1", true}, {u"-3", true}, {u"true", false}, {u"0", false},
                                         {u" 2x", true}, {u"", false}}) {
    InstallConfig fresh;
    ASSERT_TRUE(fresh.LoadText(u"<InstallConfig><PostExec><SilentFail>" + c.text +
                               u"</SilentFail></PostExec></InstallConfig>"));
    EXPECT_EQ(fresh.PostExec.at(0).SilentFail, c.silent) << ToUtf8(c.text);
  }
}

TEST(ConfigInteger, Conversion) {
  struct Case {
    std::u16string text;
    int32_t value;
  };
  const std::vector<Case> cases = {
      {u"1", 1}, {u" 1", 1}, {u"1abc", 1}, {u"yes", 0}, {u"", 0}, {u"-3", -3}, {u"+7", 7},
      {u"\t\r\n 42", 42}, {u"- 5", 0}, {u"--5", 0}, {u"2147483647", 2147483647},
      {u"2147483648", -2147483647 - 1}, {u"4294967297", 1}, {u"-2147483648", -2147483647 - 1},
      {u"99999999999999999999", static_cast<int32_t>(0x630FFFFFu)},
  };
  for (const Case& c : cases) EXPECT_EQ(ConfigInteger(c.text), c.value) << ToUtf8(c.text);
}

TEST_F(InstallConfigTest, AlternativeFollowsTheWindowsVersion) {
  struct Case {
    const char* system;
    SystemVersion version;
    std::vector<std::u16string> items;  // of A|B, C, A|B|Z, "|B", "A|"
  };
  const std::vector<Case> cases = {
      {"XP", {5, 1, 2600, 2}, {u"A", u"C", u"A|B", u"", u"A"}},
      {"Me", {4, 90, 3000, 1}, {u"B", u"C", u"Z", u"B", u""}},
      {"98", {4, 10, 1998, 1}, {u"B", u"C", u"Z", u"B", u""}},
      {"95", {4, 0, 950, 1}, {u"A", u"C", u"A|B", u"", u"A"}},
      {"NT 4", {4, 0, 1381, 2}, {u"A", u"C", u"A|B", u"", u"A"}},
  };
  for (const Case& c : cases) {
    system.version = c.version;
    InstallConfig fresh;
    ASSERT_TRUE(fresh.LoadText(u"<InstallConfig><UserDirectory>A|B</UserDirectory><UserDirectory>C</UserDirectory>"
                               u"<UserDirectory>A|B|Z</UserDirectory><UserDirectory>|B</UserDirectory>"
                               u"<UserDirectory>A|</UserDirectory><RunExe>a|b</RunExe></InstallConfig>"));
    EXPECT_EQ(fresh.UserDirectory, c.items) << c.system;
    EXPECT_EQ(fresh.RunExe, u"a|b") << c.system;
  }
}

TEST_F(InstallConfigTest, EveryListFieldChoosesItsAlternative) {
  system.version = {4, 90, 3000, 1};
  ASSERT_TRUE(Load(u"<UninstallDeltree>a|b</UninstallDeltree><UserDirectory>a|b</UserDirectory>"
                   u"<UninstallDelRegKey>a|b</UninstallDelRegKey><UserRegKey>a|b</UserRegKey>"
                   u"<GrantAllFilePermissions>a|b</GrantAllFilePermissions>"
                   u"<GrantAllRegistryPermissions>a|b</GrantAllRegistryPermissions>"
                   u"<Shortcuts><Shortcut><Dest>d|e</Dest></Shortcut></Shortcuts>"
                   u"<PreExec><Exe>x|y</Exe></PreExec>"));
  for (const auto* list : {&config.UninstallDeltree, &config.UserDirectory, &config.UninstallDelRegKey,
                           &config.UserRegKey, &config.GrantAllFilePermissions,
                           &config.GrantAllRegistryPermissions}) {
    EXPECT_EQ(*list, std::vector<std::u16string>{u"b"});
  }
  EXPECT_EQ(config.Shortcuts.at(0).Dest, u"d|e");
  EXPECT_EQ(config.PreExec.at(0).Exe, u"x|y");
}

TEST_F(InstallConfigTest, UnreadableVersionKeepsItems) {
  system.versionQueryFails = true;
  ASSERT_TRUE(Load(u"<UserDirectory>C:\\Data</UserDirectory><UserDirectory>C:\\Data|C:\\Data98</UserDirectory>"));
  EXPECT_EQ(config.UserDirectory, (std::vector<std::u16string>{u"C:\\Data", u"C:\\Data"}));
}

TEST_F(InstallConfigTest, Errors) {
  struct Case {
    const char* what;
    std::u16string body;
    std::u16string message;
  };
  const std::vector<Case> cases = {
      {"element in ExFileInfo", u"<ExFileInfo>\r\n<File/></ExFileInfo>", u"Invalid Section 'File' on Line 2"},
      {"text in ExFileInfo", u"<ExFileInfo>x</ExFileInfo>", u"Element Not Expected 'x' on Line 1"},
      {"unknown shortcut element", u"<Shortcuts><Link/></Shortcuts>", u"Invalid Section 'Link' on Line 1"},
      {"text in Registry", u"<Registry>text</Registry>", u"Element Not Expected 'text' on Line 1"},
      {"unknown top-level element", u"<Product>x</Product>", u"Invalid Section 'Product' on Line 1"},
      {"unknown RegValue child", u"<Registry><RegValue><Type>1</Type></RegValue></Registry>",
       u"Invalid Section 'Type' on Line 1"},
      {"unknown exec child", u"<PreExec><Program>a</Program></PreExec>", u"Invalid Section 'Program' on Line 1"},
      {"element in a record field", u"<Shortcuts><Shortcut><Dest><X/></Dest></Shortcut></Shortcuts>",
       u"Unexpected Section: X on Line 1"},
      {"names are case-sensitive", u"<runexe>a</runexe>", u"Invalid Section 'runexe' on Line 1"},
  };
  for (const Case& c : cases) {
    InstallConfig fresh;
    AddUtf16File(kInstall, u"<InstallConfig>" + c.body + u"</InstallConfig>");
    EXPECT_FALSE(fresh.LoadFile(kInstall)) << c.what;
    EXPECT_EQ(fresh.GetErrorText(), c.message + u" in File '" + kInstall + u"'") << c.what;
  }
}

TEST_F(InstallConfigTest, FailedRecordIsNotAppended) {
  EXPECT_FALSE(Load(u"<PreExec><Exe>ok</Exe></PreExec><PreExec><Exe>a</Exe><Bad/></PreExec>"));
  ASSERT_EQ(config.PreExec.size(), 1u);
  EXPECT_EQ(config.PreExec[0].Exe, u"ok");
}

TEST_F(InstallConfigTest, QuoteEntityInExe) {
  ASSERT_TRUE(Load(u"<PreExec><Exe>&quot;C:\\Old Game\\uninst.exe&quot;</Exe></PreExec>"));
  EXPECT_EQ(config.PreExec.at(0).Exe, u"\"C:\\Old Game\\uninst.exe\"");
}

}  // namespace
}  // namespace vorlax
