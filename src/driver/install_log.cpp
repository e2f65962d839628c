// The install log's text, its file and the copy of the properties file beside it.
#include "driver/install_log.h"

#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"
#include "config/define_table.h"
#include "driver/built_in_defines.h"
#include "driver/fatal_error.h"
#include "driver/folders.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

constexpr char16_t kLogRootTag[] = u"InstallLog";
constexpr char16_t kPropertiesFileName[] = u"\\props.xml";
constexpr char16_t kPropertiesCopySuffix[] = u"_props.xml";
constexpr char16_t kFileTag[] = u"File";

// Largest count one file write is handed; the buffer is written in pieces of at most this size.
constexpr uint32_t kLogWriteChunkBytes = 1u << 20;

// The entity of a character other than the space, or null when it is written as itself.
const char16_t* EntityOf(char16_t c) {
  switch (c) {
    case u'\n': return u"&cr;";
    case u'\r': return u"&lf;";
    case u'"': return u"&quot;";
    case u'&': return u"&amp;";
    case u'\'': return u"&apos;";
    case u'<': return u"&lt;";
    case u'>': return u"&gt;";
    default: return nullptr;
  }
}

constexpr char16_t kSpaceAfterSpace[] = u"&nbsp;";

void AppendTabs(std::u16string* log, int tabs) { log->append(static_cast<std::size_t>(tabs), u'\t'); }

// TAB "<tag>" E(text) "</tag>" followed by lineEnd.
void AppendElement(int tabs, const std::u16string& tag, const std::u16string& text,
                   const char16_t* lineEnd) {
  std::u16string& log = State().installLog;
  AppendTabs(&log, tabs);
  log += u"<" + tag + u">";
  log += EscapeLogText(text);
  log += u"</" + tag + u">";
  log += lineEnd;
}

void AppendEntries(const char16_t* tag, const std::vector<std::u16string>& entries) {
  DefineTable& defines = State().defines;
  for (const std::u16string& entry : entries) AppendLogElement(1, tag, ExpandDefines(defines, entry));
}

}  // namespace

std::u16string EscapeLogText(const std::u16string& text) {
  std::u16string escaped;
  escaped.reserve(text.size());
  char16_t previous = 0;
  for (char16_t c : text) {
    if (c == u' ' && previous == u' ') {
      escaped += kSpaceAfterSpace;
    } else if (const char16_t* entity = EntityOf(c)) {
      escaped += entity;
    } else {
      escaped.push_back(c);
    }
    previous = c;
  }
  return escaped;
}

void AppendLogElement(int tabs, const std::u16string& tag, const std::u16string& text) {
  AppendElement(tabs, tag, text, kLogLineEnd);
}

void AppendLogTag(int tabs, const std::u16string& tag) {
  std::u16string& log = State().installLog;
  AppendTabs(&log, tabs);
  log += tag;
  log += kLogLineEnd;
}

bool CreateInstallLog(const std::u16string& logPath) {
  InstallerState& state = State();
  std::size_t cut = LastSeparator(logPath);
  if (cut != std::u16string::npos && cut > 1) CreateFolderPath(logPath.substr(0, cut - 1));
  state.installLogFile = state.system->OpenFile(logPath, FileAccess::kCreateWrite);
  if (state.installLogFile != kNoFile) return true;
  ShowFatalError(u"Failed to Create Install Log '" + logPath + u"'");
  return false;
}

std::u16string PropertiesCopyPath(const std::u16string& logPath) {
  std::size_t dot = logPath.rfind(u'.');
  std::u16string stem = dot == std::u16string::npos ? logPath : logPath.substr(0, dot);
  return stem + kPropertiesCopySuffix;
}

bool CopyPropertiesBesideLog(const std::u16string& logPath) {
  InstallerState& state = State();
  if (state.system->CopyFile(state.tempDir + kPropertiesFileName, PropertiesCopyPath(logPath))) {
    return true;
  }
  ShowFatalError(u"Failed to copy properties file");
  return false;
}

void AppendLogHeader() {
  InstallerState& state = State();
  state.installLog += u"<" + std::u16string(kLogRootTag) + u">" + kLogHeaderLineEnd;
  std::u16string name = ExpandDefines(state.defines, state.defines.Get(kDefineInstallName));
  AppendElement(1, kDefineInstallName, name, kLogHeaderLineEnd);
  const InstallConfig& config = state.config;
  AppendEntries(u"UninstallDeltree", config.UninstallDeltree);
  AppendEntries(u"UserDirectory", config.UserDirectory);
  AppendEntries(u"UninstallDelRegKey", config.UninstallDelRegKey);
  AppendEntries(u"UserRegKey", config.UserRegKey);
}

void AppendExtractedFileLines() {
  for (const std::u16string& path : State().extractedFiles) AppendLogElement(1, kFileTag, path);
}

void CloseInstallLog() {
  InstallerState& state = State();
  if (state.installLogFile == kNoFile) return;
  AppendLogTag(0, u"</" + std::u16string(kLogRootTag) + u">");
  std::string bytes = ToUtf16Le(state.installLog);
  System& system = *state.system;
  for (std::size_t done = 0; done < bytes.size();) {
    uint32_t count = static_cast<uint32_t>(
        bytes.size() - done < kLogWriteChunkBytes ? bytes.size() - done : kLogWriteChunkBytes);
    int64_t written = system.WriteFile(state.installLogFile, bytes.data() + done, count);
    if (written <= 0) break;  // not reported: the log is what could be written
    done += static_cast<std::size_t>(written);
  }
  system.CloseFile(state.installLogFile);
  state.installLogFile = kNoFile;
}

}  // namespace vorlax
