// The table of model-total reciprocals, built on first use.
#include "cabinet/quantum_reciprocals.h"

namespace vorlax {

namespace {

struct ReciprocalTable {
  uint32_t entries[kQuantumReciprocalCount];
  ReciprocalTable() {
    entries[0] = 0;  // no model has a total of 0
    for (uint32_t t = 1; t < kQuantumReciprocalCount; ++t) {
      const uint64_t reciprocal = (uint64_t{1} << 32) / t;
      entries[t] = reciprocal > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(reciprocal);
    }
  }
};

}  // namespace

const uint32_t* QuantumTotalReciprocals() {
  static const ReciprocalTable table;
  return table.entries;
}

}  // namespace vorlax
