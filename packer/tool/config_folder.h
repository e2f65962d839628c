// A configuration folder (props.xml, install.xml, defines.xml) loaded the way the installer
// loads its "cfg\" folder, for `vorlax check` and `vorlax expand`.
//
// The installer reads props.xml, copies every string into the defines under its id, reads
// install.xml and then defines.xml, and stops at the first file that fails. Here every file is
// read even after a failure, so one run reports every broken file; each failure is worded
// exactly as the installer shows it.
#pragma once

#include <string>
#include <vector>

namespace vorlax {

extern const char kPropsFileName[];
extern const char kInstallFileName[];
extern const char kDefinesFileName[];

struct ConfigFolderLoad {
  bool propertiesLoaded = false;
  bool configLoaded = false;
  bool definesLoaded = false;
  // The installer's message for each file that failed, UTF-8, in loading order.
  std::vector<std::string> errors;
  bool AllLoaded() const { return propertiesLoaded && configLoaded && definesLoaded; }
};

// The path of a file in the folder, as the readers will name it in their messages.
std::u16string ConfigFilePath(const std::string& folder, const char* fileName);

// Loads the folder into State().properties, State().config and State().defines.
ConfigFolderLoad LoadConfigFolder(const std::string& folder);

}  // namespace vorlax
