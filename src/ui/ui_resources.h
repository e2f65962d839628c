// The shared page resources: background brush, body and header fonts, and the two page bitmaps.
// The handles are opaque to the portable core; only platform/win32 and ui/win32 create and use
// them.
#pragma once

namespace vorlax {

struct UiResources {
  void* backgroundBrush = nullptr;
  void* bodyFont = nullptr;
  void* headerFont = nullptr;
  void* logoBitmap = nullptr;
  void* productBitmap = nullptr;
};

}  // namespace vorlax
