// The table of model-total reciprocals, built on first use.
#include "cabinet/quantum_reciprocals.h"

namespace vorlax {

namespace {

struct ReciprocalTable {
  uint64_t entries[kQuantumReciprocalCount];
  ReciprocalTable() {
    entries[0] = 0;  // no model has a total of 0
    const uint64_t scale = uint64_t{1} << kQuantumReciprocalShift;
    for (uint32_t t = 1; t < kQuantumReciprocalCount; ++t) entries[t] = (scale + t - 1) / t;
  }
};

}  // namespace

const uint64_t* QuantumTotalReciprocals() {
  static const ReciprocalTable table;
  return table.entries;
}

}  // namespace vorlax
