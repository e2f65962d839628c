// TEMPORARY: see directx_stand_in.h.
#include "support/directx_stand_in.h"

#include "actions/directx_check.h"

namespace vorlax {

DirectXStandIn& StandInDirectX() {
  static DirectXStandIn standIn;
  return standIn;
}

// Weak, so that a test program that links the real DirectX check (unit_actions) uses the real
// one; the driver's programs do not link it and get this one.
__attribute__((weak)) int32_t GetDirectXVersion(uint32_t* packedOut, char16_t* textOut, std::size_t textCapacity) {
  DirectXStandIn& standIn = StandInDirectX();
  ++standIn.calls;
  if (packedOut) *packedOut = standIn.result == kResultOk ? standIn.packed : 0;
  if (textOut && textCapacity > 0) textOut[0] = u'\0';
  return standIn.result;
}

}  // namespace vorlax
