// The parsed install.xml.
#pragma once

namespace vorlax {

class InstallConfig {};

}  // namespace vorlax
