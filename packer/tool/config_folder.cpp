// Loading a configuration folder with the installer's own readers.
#include "packer/tool/config_folder.h"

#include "base/text.h"
#include "driver/installer_state.h"

namespace vorlax {

const char kPropsFileName[] = "props.xml";
const char kInstallFileName[] = "install.xml";
const char kDefinesFileName[] = "defines.xml";

namespace {

// The main sequence copies every property string into the defines, the id widened byte for byte.
void CopyPropertiesIntoDefines(InstallerState& state) {
  for (const auto& entry : state.properties.GetStrings()) {
    state.defines.Set(Widen(entry.first), entry.second);
  }
}

}  // namespace

std::u16string ConfigFilePath(const std::string& folder, const char* fileName) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return FromUtf8(path + fileName);
}

ConfigFolderLoad LoadConfigFolder(const std::string& folder) {
  InstallerState& state = State();
  ConfigFolderLoad load;
  load.propertiesLoaded = state.properties.LoadFile(ConfigFilePath(folder, kPropsFileName));
  if (load.propertiesLoaded) {
    CopyPropertiesIntoDefines(state);
  } else {
    load.errors.push_back("Properties file error: '" + ToUtf8(state.properties.GetErrorText()) + "'");
  }
  load.configLoaded = state.config.LoadFile(ConfigFilePath(folder, kInstallFileName));
  if (!load.configLoaded) load.errors.push_back(ToUtf8(state.config.GetErrorText()));
  load.definesLoaded = state.defines.LoadFile(ConfigFilePath(folder, kDefinesFileName));
  if (!load.definesLoaded) load.errors.push_back(ToUtf8(state.defines.GetErrorText()));
  return load;
}

}  // namespace vorlax
