// The progress pages' tick rules, tick by tick.
#include "ui/progress_animation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui_fixture.h"

namespace vorlax {
namespace {

constexpr int32_t kNone = -1;  // the tick does not touch the bar

TEST(TickSmallProgress, JumpFrom0To100ShowsFiveStepsAndClosesOnTheFifth) {
  ProgressDisplay display;
  const int32_t expected[] = {20, 40, 60, 80, 100};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const SmallProgressTick tick = TickSmallProgress(&display, 100, true, false);
    EXPECT_TRUE(tick.setBar);
    EXPECT_EQ(tick.bar, expected[i]);
    EXPECT_EQ(tick.close, i == 4);
  }
}

TEST(TickSmallProgress, CasesFromOneState) {
  struct Case {
    const char* name;
    int32_t shownBefore;
    int32_t overall;
    bool done;
    bool failed;
    int32_t bar;  // kNone: not set
    bool close;
  };
  const Case cases[] = {
      {"StepStopsAtTheValue", 30, 42, false, false, 42, false},
      {"NeverMovesDown", 60, 10, false, false, kNone, false},
      {"AtTheValueNothingToDo", 40, 40, false, false, kNone, false},
      {"DoneButBarNotYetFull", 60, 100, true, false, 80, false},
      {"FullButTaskNotDone", 100, 100, false, false, kNone, false},
      {"FullAndDoneCloses", 100, 100, true, false, kNone, true},
      {"FailedClosesWhateverTheBarShows", 0, 0, false, true, kNone, true},
      {"FailedStillStepsTheBar", 0, 50, true, true, 20, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgressDisplay display;
    display.shownOverall = c.shownBefore;
    const SmallProgressTick tick = TickSmallProgress(&display, c.overall, c.done, c.failed);
    EXPECT_EQ(tick.setBar, c.bar != kNone);
    if (c.bar != kNone) {
      EXPECT_EQ(tick.bar, c.bar);
    }
    EXPECT_EQ(tick.close, c.close);
  }
}

struct InstallStep {
  int32_t overall;
  int32_t filePercent;
  const char16_t* name;
  bool done;
  bool setName;
  int32_t fileBar;     // kNone: not set
  int32_t overallBar;  // kNone: not set
  bool close;
};

void RunInstallSteps(ProgressDisplay* display, const std::vector<InstallStep>& steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("tick " + std::to_string(i));
    const InstallStep& s = steps[i];
    const InstallProgressTick tick =
        TickInstallProgress(display, s.overall, s.filePercent, s.name, s.done);
    EXPECT_EQ(tick.setName, s.setName);
    EXPECT_EQ(tick.setFileBar, s.fileBar != kNone);
    if (s.fileBar != kNone) {
      EXPECT_EQ(tick.fileBar, s.fileBar);
    }
    EXPECT_EQ(tick.setOverallBar, s.overallBar != kNone);
    if (s.overallBar != kNone) {
      EXPECT_EQ(tick.overallBar, s.overallBar);
    }
    EXPECT_EQ(tick.close, s.close);
  }
}

TEST(TickInstallProgress, TwoFilesInARowTheFirstShownUpTo60) {
  ProgressDisplay display;
  RunInstallSteps(&display, {
      // Before the first file: the name is empty like the shown one; nothing moves.
      {0, 0, u"", false, false, kNone, kNone, false},
      // First file: the bar stood at 0 (not above 75), so it shows 100 for one tick.
      {10, 0, u"a.dat", false, true, 100, 9, false},
      {10, 0, u"a.dat", false, false, 0, kNone, false},
      {20, 60, u"a.dat", false, false, 25, 18, false},
      {20, 60, u"a.dat", false, false, 50, kNone, false},
      {20, 60, u"a.dat", false, false, 60, kNone, false},
      {20, 60, u"a.dat", false, false, kNone, kNone, false},
      // Second file: 100 for one tick, then straight down to its own percent.
      {50, 10, u"b.dat", false, true, 100, 45, false},
      {50, 10, u"b.dat", false, false, 10, kNone, false},
  });
  EXPECT_EQ(display.shownName, u"b.dat");
}

TEST(TickInstallProgress, NewFileRestartsFromZeroAbove75AndOverallCapsAt90) {
  ProgressDisplay display;
  display.shownName = u"a.dat";
  display.shownFile = 75;
  RunInstallSteps(&display, {
      {100, 100, u"a.dat", false, false, 100, 90, false},
      {100, 30, u"b.dat", false, true, 0, kNone, false},
      {100, 30, u"b.dat", false, false, 25, kNone, false},
      {100, 30, u"b.dat", true, false, 30, kNone, true},
  });
}

TEST(TickInstallProgress, StartsFromTheSmallPagesOverallAndClosesWhenDone) {
  ProgressDisplay display;
  display.shownOverall = 100;  // left by the small progress page
  RunInstallSteps(&display, {
      {0, 0, u"", false, false, kNone, 0, false},
      {1, 0, u"", false, false, kNone, kNone, false},  // 1 * 90 / 100 is still 0
      {2, 0, u"", true, false, kNone, 1, true},
  });
}

class ExtractingTextTest : public UiTest {};

TEST_F(ExtractingTextTest, ExpandsThePrefixKeepsTheName) {
  State().defines.Set(u"INSTALL_DIALOG_EXTRACTING", u"Extracting");
  State().defines.Set(u"X", u"never");
  EXPECT_EQ(ExtractingText(u"data\\100%X%.pak"), u"Extracting data\\100%X%.pak ...");
}

TEST(CurrentFileName, WidensBytesUpToTheTerminator) {
  ExtractionProgress progress;
  const unsigned char name[] = {'d', '\\', 0xE9, 0x80, 'x', 0, 'z'};
  for (size_t i = 0; i < sizeof name; ++i) progress.currentFileName[i] = static_cast<char>(name[i]);
  EXPECT_EQ(CurrentFileName(progress), (std::u16string{u'd', u'\\', u'\u00E9', u'\u0080', u'x'}));
}

TEST(CurrentFileName, FullBufferWithoutTerminatorStopsAtItsEnd) {
  ExtractionProgress progress;
  for (auto& slot : progress.currentFileName) slot = 'q';
  EXPECT_EQ(CurrentFileName(progress), std::u16string(256, u'q'));
}

}  // namespace
}  // namespace vorlax
