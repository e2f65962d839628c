// ShowFatalError: the stop flag, the expanded text and caption, and the fallbacks for texts that
// expand to nothing before the properties are loaded; ShowErrorReport: the same box, the flag as
// it was.
#include "driver/fatal_error.h"

#include <gtest/gtest.h>

#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

TEST(ShowFatalError, ExpandsTextAndCaptionWithFallbacks) {
  struct Case {
    const char* name;
    std::u16string message;
    std::u16string titleDefine;   // value of FATAL_POPUP_TITLE, empty when not defined
    std::u16string expectedText;
    std::u16string expectedCaption;
  };
  const Case cases[] = {
      {"NothingLoaded", u"Unable to Read Installer Data", u"", u"Unable to Read Installer Data",
       u"Setup Error"},
      {"LoadedTitleWins", u"Unable to Read Installer Data", u"Game Setup",
       u"Unable to Read Installer Data", u"Game Setup"},
      {"PlaceholderExpanded", u"%MISSING_FILE% 'x'", u"T", u"file missing 'x'", u"T"},
      {"EmptyExpansionGetsSentence", u"%UNDEFINED%", u"",
       u"Setup cannot continue because of an error.", u"Setup Error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetInstallerState();
    FakeSystem fake;
    State().system = &fake;
    State().defines.Set(u"MISSING_FILE", u"file missing");
    if (!c.titleDefine.empty()) State().defines.Set(u"FATAL_POPUP_TITLE", c.titleDefine);
    ShowFatalError(c.message);
    EXPECT_TRUE(State().installFailed);
    State().installFailed = false;
    ShowErrorReport(c.message);
    EXPECT_FALSE(State().installFailed);
    State().installFailed = true;  // a cancel confirmed before the report stays
    ShowErrorReport(c.message);
    EXPECT_TRUE(State().installFailed);
    ASSERT_EQ(fake.messages.size(), 3u);
    for (const FakeSystem::Message& message : fake.messages) {
      EXPECT_EQ(message.text, c.expectedText);
      EXPECT_EQ(message.caption, c.expectedCaption);
      EXPECT_EQ(message.style, kMbIconError);
    }
  }
}

}  // namespace
}  // namespace vorlax
