// The reciprocals of every model total the Quantum decoder can meet, so that its coder divides by
// a total with one multiplication and a shift.
//
// Entry t is ceil(2^40 / t). For a total t <= kQuantumRescaleLimit + kQuantumFrequencyStep and a
// value v <= 65536 * t (a coder range times a cumulative frequency of the model), (v * entry) >> 40
// is exactly v / t: the entry exceeds 2^40 / t by e / t with e < t, so the product exceeds
// v * 2^40 / t by v * e / t < 2^40 / t, too little to reach the next multiple of 2^40; and the
// product stays below 2^57. A model's total never exceeds kQuantumRescaleLimit when a symbol is
// decoded, as the update rescales any model that passes it. The table is built once per
// process, on first use, and only read afterwards.
#pragma once

#include <cstdint>

#include "cabinet/quantum_tables.h"

namespace vorlax {

constexpr uint32_t kQuantumReciprocalCount = kQuantumRescaleLimit + kQuantumFrequencyStep + 1;
constexpr uint32_t kQuantumReciprocalShift = 40;

// Points at kQuantumReciprocalCount entries (entry 0, no total, holds 0).
const uint64_t* QuantumTotalReciprocals();

// value / t for the entry of t, within the limits above.
inline uint32_t QuantumDivideByTotal(uint32_t value, uint64_t reciprocal) {
  return static_cast<uint32_t>((value * reciprocal) >> kQuantumReciprocalShift);
}

}  // namespace vorlax
