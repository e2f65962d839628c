// ConfirmAbort's question and answers, and the progress pages' cancel with its wait.
#include "ui/abort_confirmation.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui_fixture.h"

namespace vorlax {
namespace {

struct Asked {
  std::u16string text;
  std::u16string caption;
  uint32_t style;
};

class AbortTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    State().defines.Set(u"ABORT_POPUP_TEXT", u"Really %WHAT%?");
    State().defines.Set(u"WHAT", u"cancel");
    State().defines.Set(u"ABORT_POPUP_TITLE", u"Setup");
  }
  AskQuestion Answering(int answer) {
    return [this, answer](const std::u16string& text, const std::u16string& caption,
                          uint32_t style) {
      asked.push_back({text, caption, style});
      return answer;
    };
  }
  std::vector<Asked> asked;
};

TEST_F(AbortTest, AsksWithExpandedTextsAndNoPreselected) {
  struct Case {
    const char* name;
    bool alreadyFailed;
    int answer;
    bool confirmed;
    size_t questions;
  };
  const Case cases[] = {
      {"Yes", false, kIdYes, true, 1},
      {"No", false, kIdNo, false, 1},
      {"ClosedBoxCountsAsNo", false, kIdCancel, false, 1},
      {"AlreadyFailedNoQuestion", true, kIdNo, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    asked.clear();
    State().installFailed = c.alreadyFailed;
    EXPECT_EQ(ConfirmAbort(Answering(c.answer)), c.confirmed);
    ASSERT_EQ(asked.size(), c.questions);
    if (c.questions == 1) {
      EXPECT_EQ(asked[0].text, u"Really cancel?");
      EXPECT_EQ(asked[0].caption, u"Setup");
      EXPECT_EQ(asked[0].style, 0x104u);
    }
  }
}

// Before props.xml is loaded (the configuration stage's small page) the question's texts expand
// to nothing: each is then the fixed text, while a text that expands to something still wins.
TEST_F(AbortTest, QuestionWithoutPropertiesUsesTheFixedTexts) {
  State().defines.Set(u"ABORT_POPUP_TEXT", u"%MISSING%");
  EXPECT_TRUE(ConfirmAbort(Answering(kIdYes)));
  State().defines.Set(u"ABORT_POPUP_TITLE", u"");
  EXPECT_FALSE(ConfirmAbort(Answering(kIdNo)));
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].text, u"Do you want to stop the installation?");
  EXPECT_EQ(asked[0].caption, u"Setup");
  EXPECT_EQ(asked[1].text, u"Do you want to stop the installation?");
  EXPECT_EQ(asked[1].caption, u"Stop Setup");
  EXPECT_EQ(asked[1].style, 0x104u);
}

// A system whose Sleep lets the background task finish after a number of sleeps.
class FinishingSystem : public FakeSystem {
 public:
  int sleepsUntilDone = 0;
  void Sleep(uint32_t milliseconds) override {
    FakeSystem::Sleep(milliseconds);
    if (--sleepsUntilDone <= 0) State().workerDone = true;
  }
};

TEST_F(AbortTest, CancelWhileWorkingWaitsForTheTaskInTenthsOfASecond) {
  FinishingSystem system;
  system.sleepsUntilDone = 3;
  State().system = &system;
  EXPECT_TRUE(CancelWhileWorking(Answering(kIdYes)));
  EXPECT_TRUE(State().installFailed);
  EXPECT_TRUE(State().workerDone);
  EXPECT_EQ(system.sleptMilliseconds, 300u);
}

TEST_F(AbortTest, CancelWhileWorkingAnsweredNoChangesNothing) {
  EXPECT_FALSE(CancelWhileWorking(Answering(kIdNo)));
  EXPECT_FALSE(State().installFailed);
  EXPECT_EQ(fake.sleptMilliseconds, 0u);
}

TEST_F(AbortTest, CancelAfterTheTaskFinishedDoesNotSleep) {
  State().workerDone = true;
  EXPECT_TRUE(CancelWhileWorking(Answering(kIdYes)));
  EXPECT_TRUE(State().installFailed);
  EXPECT_EQ(fake.sleptMilliseconds, 0u);
}

}  // namespace
}  // namespace vorlax
