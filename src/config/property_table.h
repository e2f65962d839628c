// The localised strings of props.xml.
#pragma once

namespace vorlax {

class PropertyTable {};

}  // namespace vorlax
