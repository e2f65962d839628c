// The texts of the starter configuration `vorlax init` writes: props.xml with an English text
// for every id the installer shows, defines.xml and install.xml with the common elements and
// comments, a licence and a readme placeholder. All UTF-8; `vorlax pack` converts them.
#pragma once

#include <string>

namespace vorlax {

std::string StarterProps();
std::string StarterDefines();
std::string StarterInstall();
std::string StarterLicence();
std::string StarterReadme();

}  // namespace vorlax
