// RunExternalPrograms against the fake system: the start request as designed, exit codes, every
// message with and without SilentFail, function references split at the first "@", programs
// without a process or an exit code, and a cancel seen at the next poll.
#include "actions/external_programs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

using Lines = std::vector<std::string>;

constexpr char16_t kTool[] = u"C:\\Games\\Demo\\tool.exe";
constexpr char16_t kNext[] = u"C:\\Games\\Demo\\next.exe";
constexpr char16_t kLibrary[] = u"C:\\Games\\Demo\\setup.dll";

class RunExternalProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = FakeSystem();
    ResetInstallerState();
    State().system = &fake;
    State().defines.Set(u"InstallPath", u"C:\\Games\\Demo");
    State().defines.Set(u"FATAL_POPUP_TITLE", u"Setup failed");
    fake.libraries[kLibrary] = {"Setup", "F\xFCnf"};
  }
  void TearDown() override {
    EXPECT_EQ(fake.openProcesses, 0) << "a process handle was not closed";
    EXPECT_EQ(fake.openLibraries, 0) << "a library was not freed";
    State().system = nullptr;
  }
  static ExecEntry Entry(const std::u16string& exe, bool silent = false,
                         const std::u16string& params = u"", const std::u16string& directory = u"") {
    ExecEntry entry;
    entry.Exe = exe;
    entry.Params = params;
    entry.Directory = directory;
    entry.SilentFail = silent;
    return entry;
  }
  std::vector<std::u16string> Messages() const {
    std::vector<std::u16string> texts;
    for (const FakeSystem::Message& m : fake.messages) texts.push_back(m.text);
    return texts;
  }
  std::vector<std::u16string> Started() const {
    std::vector<std::u16string> files;
    for (const System::ProgramStart& start : fake.programStarts) files.push_back(start.file);
    return files;
  }
  FakeSystem fake;
};

TEST_F(RunExternalProgramsTest, StartsEachProgramAsDesignedAndWaitsForIt) {
  fake.programs[kTool].runningPolls = 3;
  std::vector<ExecEntry> list = {
      Entry(u"%InstallPath%\\tool.exe", false, u"/quiet %InstallPath%", u"%InstallPath%"),
      Entry(u"%Unset%", false, u"ignored"),
      Entry(kNext)};
  EXPECT_TRUE(RunExternalPrograms(list));
  ASSERT_EQ(fake.programStarts.size(), 2u);
  const System::ProgramStart& first = fake.programStarts[0];
  EXPECT_EQ(first.mask, 0x440u);
  EXPECT_EQ(first.verb, u"open");
  EXPECT_EQ(first.file, kTool);
  EXPECT_EQ(first.parameters, u"/quiet C:\\Games\\Demo");
  EXPECT_EQ(first.directory, u"C:\\Games\\Demo");
  EXPECT_EQ(first.show, 5);
  EXPECT_EQ(fake.programStarts[1].parameters, u"");
  EXPECT_EQ(fake.programStarts[1].directory, u"");
  // Three polls while the tool runs, each followed by 20 ms of sleep, one when it has ended; one
  // poll for the next program, which ends at once.
  EXPECT_EQ(fake.exitCodePolls, 5);
  EXPECT_EQ(fake.sleptMilliseconds, 60u);
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_FALSE(State().installFailed);
}

TEST_F(RunExternalProgramsTest, FailuresWithAndWithoutSilentFail) {
  struct Case {
    const char* name;
    std::u16string exe;
    bool startFails;
    uint32_t exitCode;
    std::u16string message;  // without SilentFail; empty: no message
    Lines libraryCalls;
  };
  const Case cases[] = {
      {"ProgramNotStarted", kTool, true, 0, u"Failed to execute 'C:\\Games\\Demo\\tool.exe'", {}},
      {"NonZeroExitCode", kTool, false, 1, u"", {}},
      {"ExitCodeAboveStillActive", kTool, false, 0xC0000005u, u"", {}},
      {"LibraryNotLoaded", u"Setup@%InstallPath%\\missing.dll", false, 0,
       u"Failed to load library 'C:\\Games\\Demo\\missing.dll'", {"Load C:\\Games\\Demo\\missing.dll"}},
      {"FunctionNotExported", u"Install@%InstallPath%\\setup.dll", false, 0,
       u"Failed to find func 'Install'", {"Load C:\\Games\\Demo\\setup.dll", "Free C:\\Games\\Demo\\setup.dll"}},
      // A name without an 8-bit form names no export.
      {"NameWithoutEightBitForm", u"\u0416@%InstallPath%\\setup.dll", false, 0,
       u"Failed to find func '\u0416'", {"Load C:\\Games\\Demo\\setup.dll", "Free C:\\Games\\Demo\\setup.dll"}},
  };
  for (const Case& c : cases) {
    for (bool silent : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (silent ? " silent" : ""));
      SetUp();
      fake.programs[kTool].startFails = c.startFails;
      fake.programs[kTool].exitCode = c.exitCode;
      EXPECT_EQ(RunExternalPrograms({Entry(c.exe, silent), Entry(kNext)}), silent);
      // The list goes on after a silent failure only.
      EXPECT_EQ(fake.programStarts.empty() ? false : fake.programStarts.back().file == kNext, silent);
      EXPECT_EQ(fake.libraryCalls, c.libraryCalls);
      if (silent || c.message.empty()) {
        EXPECT_TRUE(fake.messages.empty());
        EXPECT_FALSE(State().installFailed);
      } else {
        EXPECT_EQ(Messages(), std::vector<std::u16string>{c.message});
        EXPECT_EQ(fake.messages[0].caption, u"Setup failed");
        EXPECT_EQ(fake.messages[0].style, kMbIconError);
        EXPECT_TRUE(State().installFailed);
      }
    }
  }
}

TEST_F(RunExternalProgramsTest, FunctionReferencesSplitAtTheFirstAt) {
  fake.libraries[u"C:\\Games\\Demo\\a@b.dll"] = {"Setup"};
  std::vector<ExecEntry> list = {Entry(u"Setup@%InstallPath%\\setup.dll", false, u"-p", u"C:\\x"),
                                 Entry(u"Setup@C:\\Games\\Demo\\a@b.dll"),
                                 Entry(u"F\u00FCnf@C:\\Games\\Demo\\setup.dll")};
  EXPECT_TRUE(RunExternalPrograms(list));
  EXPECT_EQ(fake.libraryCalls, (Lines{"Load C:\\Games\\Demo\\setup.dll", "Call Setup",
                                      "Free C:\\Games\\Demo\\setup.dll",
                                      "Load C:\\Games\\Demo\\a@b.dll", "Call Setup",
                                      "Free C:\\Games\\Demo\\a@b.dll",
                                      "Load C:\\Games\\Demo\\setup.dll", "Call F\xFCnf",
                                      "Free C:\\Games\\Demo\\setup.dll"}));
  EXPECT_TRUE(fake.programStarts.empty());  // parameters and directory are not used
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(RunExternalProgramsTest, ProgramWithoutProcessOrExitCodeIsNotWaitedFor) {
  fake.programs[u"C:\\Games\\Demo\\readme.txt"].noProcess = true;
  fake.programs[kTool].exitCodeFails = true;
  fake.programs[kTool].exitCode = 1;
  EXPECT_TRUE(RunExternalPrograms({Entry(u"C:\\Games\\Demo\\readme.txt"), Entry(kTool), Entry(kNext)}));
  EXPECT_EQ(Started(), (std::vector<std::u16string>{u"C:\\Games\\Demo\\readme.txt", kTool, kNext}));
  EXPECT_EQ(fake.sleptMilliseconds, 0u);
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(RunExternalProgramsTest, CancelEndsTheWaitAtTheNextPoll) {
  struct Case {
    const char* name;
    bool silent;
    bool cancelledBefore;
  };
  const Case cases[] = {
      {"DuringTheWait", false, false},
      {"DuringTheWaitSilent", true, false},
      {"BeforeTheProgramStarted", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fake.programs[kTool].runningPolls = -1;  // never ends
    constexpr int kCancelAtPoll = 4;
    fake.pollHandler = [&](const std::u16string&, int poll) {
      if (poll == kCancelAtPoll) State().installFailed = true;
    };
    State().installFailed = c.cancelledBefore;
    EXPECT_FALSE(RunExternalPrograms({Entry(kTool, c.silent), Entry(kNext)}));
    int polls = c.cancelledBefore ? 1 : kCancelAtPoll;
    EXPECT_EQ(fake.exitCodePolls, polls);
    EXPECT_EQ(fake.sleptMilliseconds, 20u * (polls - 1));
    EXPECT_EQ(Started(), std::vector<std::u16string>{kTool});
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(State().installFailed);
  }
}

TEST_F(RunExternalProgramsTest, EmptyListSucceeds) {
  EXPECT_TRUE(RunExternalPrograms({}));
  EXPECT_TRUE(fake.calls.empty());
}

}  // namespace
}  // namespace vorlax
