// The configuration side of `vorlax pack`: the configuration folder's texts converted to the
// installer's UTF-16LE, read with the installer's own readers before anything is written.
//
// props.xml, install.xml and defines.xml (and the licence file install.xml names) may be UTF-8
// or UTF-16LE (config_text.h). The three documents are converted into a private staging folder
// and loaded from there exactly as `vorlax check` loads a folder; the staging folder's path in
// every message is replaced by the configuration folder's, so the publisher reads the
// installer's message with the line and the file they edit. Errors refuse the pack; warnings
// (those of `vorlax check`, plus a missing licence, readme or bitmap and a bitmap the installer
// cannot show) are printed and do not.
//
// `vorlax check` reads a folder the same way, so a folder that checks clean packs.
//
// Trap: the readers work on State(): one configuration per process.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "packer/tool/config_folder.h"

namespace vorlax {

struct PackConfiguration {
  // Cabinet names ("cfg\props.xml") of the files whose bytes are replaced by their UTF-16LE form
  // with the mark, and those bytes.
  std::map<std::string, std::string> convertedTexts;
  int warnings = 0;
};

// What ReadPackConfiguration reads and checks besides the three documents.
struct PackConfigurationOptions {
  // The `--defines` texts (already decoded), loaded after defines.xml as the installer does,
  // named by definesNames in messages.
  std::vector<std::u16string> extraDefines;
  std::vector<std::string> definesNames;
  // Warn about a missing licence, readme or bitmap and a bitmap the installer cannot show.
  bool checkFolderFiles = true;
};

// Loads the folder's three documents into State() as `vorlax pack` would store them, without
// checks; load->errors name the folder's files. False when a text is neither UTF-8 nor UTF-16LE
// (the error is printed).
bool LoadPackedConfigFolder(const std::string& folder, ConfigFolderLoad* load);

// Reads and checks the folder. False with every error printed.
bool ReadPackConfiguration(const std::string& folder, const PackConfigurationOptions& options,
                           PackConfiguration* configuration);

}  // namespace vorlax
