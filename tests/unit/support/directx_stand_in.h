// TEMPORARY stand-in for GetDirectXVersion (actions/directx_check.h) in the unit tests, until the
// DirectX check's own implementation is on this branch. Remove this file and its .cpp then (the
// link will report the duplicate definition); the tests that use it will set up the fake
// system's DirectX files or provider instead.
#pragma once

#include <cstdint>

namespace vorlax {

// What the stand-in answers: its result code and packed version, and how often it was asked.
struct DirectXStandIn {
  int32_t result = 0;             // kResultOk
  uint32_t packed = 0x00090000;   // DirectX 9.0 unless a test says otherwise
  int calls = 0;
};

DirectXStandIn& StandInDirectX();

}  // namespace vorlax
