// An adaptive frequency model of the Quantum method, shared by the decoder and the encoder so
// that both adapt identically.
//
// A model of n symbols holds n + 1 entries: entry i has a cumulative frequency cum[i] and a
// symbol sym[i]. cum[0] is the model's total, cum[n] is 0, and cum strictly decreases from 0 to
// n, so entry j owns the range [cum[j + 1], cum[j]). Entries are reordered when the model is
// rebuilt, so a symbol's entry index is not its value.
//
// Trap: the update adds to cum[0..j] (the entries before and at the coded one), not after it.
#pragma once

#include <cstdint>

#include "cabinet/quantum_tables.h"

namespace vorlax {

struct QuantumModel {
  uint16_t symbols = 0;    // n
  uint16_t countdown = 0;  // rescales left until the next rebuild
  uint16_t cum[kQuantumMaxModelSymbols + 1] = {};
  uint8_t sym[kQuantumMaxModelSymbols + 1] = {};
};

// The seven models of a Quantum stream: what comes next (selector), the literal bytes in four
// ranges of 64, the position slots of each match kind and the length slots of longer matches.
struct QuantumModels {
  QuantumModel selector;
  QuantumModel literal[kQuantumLiteralModels];
  QuantumModel offset3;     // length-3 matches: at most 24 slots
  QuantumModel offset4;     // length-4 matches: at most 36 slots
  QuantumModel offsetLong;  // longer matches: every slot of the window
  QuantumModel length;
};

// Every model at its initial contents for a window of 2^windowBits bytes.
void QuantumModelsInit(QuantumModels* models, uint32_t windowBits);

// Every symbol i at entry i with frequency 1 (cum[i] = n - i); countdown 4. Needs
// 1 <= symbols <= kQuantumMaxModelSymbols.
void QuantumModelInit(QuantumModel* model, uint32_t symbols);

// Halves the model, or on every countdown expiry rebuilds it sorted by descending frequency.
void QuantumModelRescale(QuantumModel* model);

// Records that the symbol at entry j was coded: adds the step to cum[0..j] and rescales once the
// total passes the limit.
inline void QuantumModelUpdate(QuantumModel* model, uint32_t entry) {
  for (uint32_t i = 0; i <= entry; ++i) model->cum[i] = static_cast<uint16_t>(model->cum[i] + kQuantumFrequencyStep);
  if (model->cum[0] > kQuantumRescaleLimit) QuantumModelRescale(model);
}

}  // namespace vorlax
