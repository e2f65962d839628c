// The launch page's rules: View readme opens the readme through the shell, Done's result follows
// the check box.
#include <gtest/gtest.h>

#include "ui/launch_rules.h"
#include "ui/readme.h"
#include "ui_fixture.h"

namespace vorlax {
namespace {

class LaunchTest : public UiTest {};

TEST_F(LaunchTest, OpenReadmeOpensTheReadmeInTheTemporaryFolderAsWritten) {
  State().tempDir = u"C:\\users\\player\\Temp\\vorcfg1";
  State().config.ReadmeTitle = u"read %me%.txt";
  fake.shellExecuteSucceeds = false;  // the answer is not examined
  OpenReadme();
  ASSERT_EQ(fake.shellExecutes.size(), 1u);
  EXPECT_EQ(fake.shellExecutes[0].verb, u"open");
  EXPECT_EQ(fake.shellExecutes[0].file, u"C:\\users\\player\\Temp\\vorcfg1\\read %me%.txt");
  EXPECT_EQ(fake.shellExecutes[0].parameters, u"");
  EXPECT_EQ(fake.shellExecutes[0].directory, u"");
}

TEST(LaunchPageResult, CheckedLaunchesClearedDoesNot) {
  EXPECT_EQ(LaunchPageResult(true), 6);
  EXPECT_EQ(LaunchPageResult(false), 7);
}

}  // namespace
}  // namespace vorlax
