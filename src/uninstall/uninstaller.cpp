// RunUninstaller: the command line, the temporary copy, the questions, the worker and the
// final message.
#include "uninstall/uninstaller.h"

#include "base/text.h"
#include "driver/built_in_defines.h"
#include "driver/installer_state.h"
#include "driver/install_log.h"
#include "uninstall/command_line.h"
#include "uninstall/uninstall_page_ids.h"
#include "uninstall/uninstall_texts.h"

namespace vorlax {

namespace {

constexpr int kWorkerPollMs = 50;

System& Sys() { return *State().system; }

void RemovalWorker() {
  UninstallRun& run = CurrentUninstall();
  CarryOutUninstallPlan(run.plan, &run.report, &run.progress);
}

// Copies the program to the temporary folder and starts the copy on logPath; true when the copy
// runs (this process then only ends).
bool StartTemporaryCopy(const std::u16string& logPath) {
  std::u16string self = Sys().ModuleFileName();
  std::u16string copy = Sys().UniqueTempName(kTemporaryCopyPrefix);
  if (self.empty() || copy.empty()) return false;
  copy += kTemporaryCopyExtension;
  if (!Sys().CopyFile(self, copy)) return false;
  std::u16string parameters =
      std::u16string(kOriginalOption) + u" \"" + self + u"\" \"" + logPath + u"\"";
  if (Sys().ShellExecute(u"open", copy, parameters, FolderOf(copy))) return true;
  Sys().DeleteFile(copy);
  return false;
}

int ShowBadLog(const std::u16string& logPath, const std::u16string& error) {
  Sys().ShowMessage(UninstallText(kTextBadLog) + u"\n\n'" + logPath + u"'\n" + error,
                    UninstallText(kTextTitle), kMbOk | kMbIconError);
  return kUninstallBadLog;
}

void AppendList(const UninstallTextId& heading, const std::vector<std::u16string>& items,
                std::u16string* text) {
  if (items.empty()) return;
  if (!text->empty()) *text += u"\n\n";
  *text += UninstallText(heading);
  for (std::size_t i = 0; i < items.size() && i < kMaxListedItems; ++i) *text += u"\n" + items[i];
  if (items.size() > kMaxListedItems) *text += u"\n...";
}

void RunRemoval() {
  UninstallRun& run = CurrentUninstall();
  if (!Sys().StartThread(&RemovalWorker)) RemovalWorker();
  Sys().RunPage(IDD_UNINSTALL_PAGE);
  while (!run.progress.finished) Sys().Sleep(kWorkerPollMs);
}

}  // namespace

UninstallRun& CurrentUninstall() {
  static UninstallRun run;
  return run;
}

std::u16string FinalMessageText(const UninstallReport& report) {
  std::u16string text;
  if (report.Clean()) text = UninstallText(kTextDone);
  AppendList(kTextLeft, report.left, &text);
  AppendList(kTextRefused, report.refused, &text);
  AppendList(kTextKept, report.kept, &text);
  return text;
}

int RunUninstaller() {
  std::vector<std::u16string> arguments = SplitCommandLine(Sys().CommandLine());
  std::u16string original;
  std::u16string logPath;
  if (arguments.size() == 4 && arguments[1] == kOriginalOption) {
    original = arguments[2];
    logPath = arguments[3];
  } else if (arguments.size() == 2) {
    logPath = arguments[1];
  }
  if (logPath.empty()) return ShowBadLog(logPath, u"no install log named");
  LoadUninstallTexts(PropertiesCopyPath(logPath));
  if (original.empty() && StartTemporaryCopy(logPath)) return kUninstallDone;

  UninstallLog log;
  std::u16string error;
  if (!ReadUninstallLog(logPath, &log, &error)) return ShowBadLog(logPath, error);
  State().defines.Set(kDefineInstallName, log.installName);

  std::u16string title = UninstallText(kTextTitle);
  if (Sys().ShowMessage(UninstallText(kTextConfirm), title, kMbYesNo | kMbIconQuestion) != kIdYes) {
    return kUninstallDeclined;
  }
  bool deleteUserData = false;
  if (!log.userDirectories.empty() || !log.userKeys.empty()) {
    deleteUserData = Sys().ShowMessage(UninstallText(kTextKeepUserData), title,
                                       kMbYesNo | kMbIconQuestion) == kIdNo;
  }

  UninstallRun& run = CurrentUninstall();
  run.report = UninstallReport();
  run.progress.done = 0;
  run.progress.finished = false;
  bool inPlace = original.empty();
  run.plan = MakeUninstallPlan(log, MakeFolderRules(Sys(), log.productFiles, log.shortcutFiles),
                               deleteUserData, logPath, inPlace ? Sys().ModuleFileName() : original,
                               inPlace, &run.report);
  RunRemoval();
  if (!inPlace) Sys().DeleteFileAtRestart(Sys().ModuleFileName());

  bool clean = run.report.Clean();
  Sys().ShowMessage(FinalMessageText(run.report), title,
                    kMbOk | (clean ? System::kMbIconInformation : kMbIconExclamation));
  return clean ? kUninstallDone : kUninstallIncomplete;
}

}  // namespace vorlax
