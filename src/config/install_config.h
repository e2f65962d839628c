// InstallConfig: the parsed install.xml (what the installation does besides copying files).
//
// All texts are stored raw: %NAME% placeholders and define commands stay in them and each user
// expands them at the moment of use. Reading does only three things to a text: the reader's
// whitespace collapsing and entity decoding, the integer conversion of SilentFail and TypeNum,
// and the choice between the two alternatives "A|B" of a list item (B on Windows 98 and Me, A
// everywhere else).
//
// Every element is optional. A second load would add to the lists and overwrite the texts; the
// installer loads once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/section_reader.h"

namespace vorlax {

struct RegValue {
  std::u16string Key;
  int32_t TypeNum = 0;
  std::u16string Name;
  std::u16string Value;
};

struct Shortcut {
  std::u16string Dest;
  std::u16string Target;
  std::u16string Args;
};

struct ExecEntry {
  std::u16string Exe;
  std::u16string Directory;
  std::u16string Params;
  bool SilentFail = false;
};

class InstallConfig : public SectionReader {
 public:
  // Reads install.xml. False on any error, with the error text set; what was read before the
  // error stays.
  bool LoadFile(const std::u16string& path);
  // The same for a document held in memory (messages then carry no file name).
  bool LoadText(const std::u16string& text);

  std::vector<RegValue> RegValues;
  std::vector<Shortcut> Shortcuts;
  std::vector<ExecEntry> PreExec;
  std::vector<ExecEntry> PostExec;

  std::u16string RunExe;
  std::u16string LicenseTitle;
  std::u16string ReadmeTitle;
  std::u16string InstallLog;
  std::u16string UninstallCmd;

  std::vector<std::u16string> UninstallDeltree;
  std::vector<std::u16string> UserDirectory;
  std::vector<std::u16string> UninstallDelRegKey;
  std::vector<std::u16string> UserRegKey;
  std::vector<std::u16string> GrantAllFilePermissions;
  std::vector<std::u16string> GrantAllRegistryPermissions;

 private:
  bool ReadInstallConfig();
  FieldResult ReadTopLevel(const XmlNode& child);
  FieldResult ReadListItem(std::vector<std::u16string>* list);
  FieldResult ReadExecEntry(std::vector<ExecEntry>* list);
  FieldResult ReadRegistry();
  FieldResult ReadRegValue();
  FieldResult ReadShortcuts();
  FieldResult ReadShortcut();
  FieldResult ReadExFileInfo();
  FieldResult ReadInteger(int32_t* out);
};

// The integer of an integer text: leading whitespace skipped, an optional "+" or "-", then
// decimal digits up to the first other character; no digits give 0; values outside the 32-bit
// range wrap. "1", " 1" and "1abc" give 1; "yes" gives 0.
int32_t ConfigInteger(const std::u16string& text);

// The alternative of a list item for the running system: the part after the last "|" on
// Windows 98 and Me (4.10, 4.90), the part before it everywhere else; an item without "|" is
// taken as it is.
std::u16string ChooseAlternative(const std::u16string& item);

}  // namespace vorlax
