// A minimal PNG writer for the robot's screenshots: 8-bit RGB, no filtering, the image data in
// stored (uncompressed) deflate blocks. The files are larger than a compressing writer's but any
// viewer reads them, and the robot needs no compression library.
#pragma once

#include <string>

#include "screen_capture.h"

namespace robot {

// The PNG file's bytes for the picture.
std::string EncodePng(const Picture& picture);

}  // namespace robot
