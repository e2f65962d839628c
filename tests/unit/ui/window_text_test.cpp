// SubstituteText: expansion of one window text, with the cut before expansion.
#include "ui/window_text.h"

#include <gtest/gtest.h>

#include "ui_fixture.h"

namespace vorlax {
namespace {

class WindowTextTest : public UiTest {};

TEST_F(WindowTextTest, ExpandsAfterCuttingTo16383Characters) {
  State().defines.Set(u"BUTTON_NEXT", u"&Next >");
  State().defines.Set(u"P", u"%Q%!");
  State().defines.Set(u"Q", u"deep");
  struct Case {
    const char* name;
    std::u16string text, shown;
  };
  const Case cases[] = {
      {"Placeholder", u"%BUTTON_NEXT%", u"&Next >"},
      {"Nested", u"a %P% b", u"a deep! b"},
      {"NoPlaceholder", u"plain", u"plain"},
      {"Empty", u"", u""},
      {"ExactlyAtTheLimit", std::u16string(16383, u'y'), std::u16string(16383, u'y')},
      {"OverTheLimit", std::u16string(16384, u'y'), std::u16string(16383, u'y')},
      // A placeholder cut in half by the limit is no longer a placeholder.
      {"PlaceholderAcrossTheCut", std::u16string(16380, u'y') + u"%BUTTON_NEXT%",
       std::u16string(16380, u'y') + u"%BU"},
      {"PlaceholderBeforeTheCutGrows", u"%BUTTON_NEXT%" + std::u16string(16370, u'y'),
       u"&Next >" + std::u16string(16370, u'y')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SubstituteText(c.text), c.shown);
  }
}

}  // namespace
}  // namespace vorlax
