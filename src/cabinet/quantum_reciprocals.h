// The reciprocals of every model total the Quantum decoder can meet, so that its coder divides by
// a total with one multiplication.
//
// Entry t is floor(2^32 / t) (entry 1 holds 2^32 - 1); a model's total never exceeds
// kQuantumRescaleLimit when a symbol is decoded, as the update rescales any model that passes it.
// The table is built once per process, on first use, and only read afterwards.
#pragma once

#include <cstdint>

#include "cabinet/quantum_tables.h"

namespace vorlax {

constexpr uint32_t kQuantumReciprocalCount = kQuantumRescaleLimit + kQuantumFrequencyStep + 1;

// Points at kQuantumReciprocalCount entries.
const uint32_t* QuantumTotalReciprocals();

}  // namespace vorlax
