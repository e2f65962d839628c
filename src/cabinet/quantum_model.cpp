// Initialisation and rescaling of the Quantum adaptive models.
#include "cabinet/quantum_model.h"

namespace vorlax {

void QuantumModelInit(QuantumModel* model, uint32_t symbols) {
  model->symbols = static_cast<uint16_t>(symbols);
  model->countdown = kQuantumFirstRebuildCountdown;
  for (uint32_t i = 0; i <= symbols; ++i) {
    model->cum[i] = static_cast<uint16_t>(symbols - i);
    model->sym[i] = static_cast<uint8_t>(i);
  }
  // The decoder's symbol search compares whole groups of entries and counts on those past the
  // model being 0.
  for (uint32_t i = symbols + 1; i <= kQuantumMaxModelSymbols; ++i) {
    model->cum[i] = 0;
    model->sym[i] = 0;
  }
}

void QuantumModelsInit(QuantumModels* models, uint32_t windowBits) {
  const uint32_t slots = QuantumWindowSlots(windowBits);
  QuantumModelInit(&models->selector, kQuantumSelectorSymbols);
  for (QuantumModel& model : models->literal) QuantumModelInit(&model, kQuantumLiteralSymbols);
  QuantumModelInit(&models->offset3, slots < kQuantumMatch3MaxSlots ? slots : kQuantumMatch3MaxSlots);
  QuantumModelInit(&models->offset4, slots < kQuantumMatch4MaxSlots ? slots : kQuantumMatch4MaxSlots);
  QuantumModelInit(&models->offsetLong, slots);
  QuantumModelInit(&models->length, kQuantumLengthSlots);
}

namespace {

// Halves every cumulative frequency from the top entry down, keeping each at least one above
// the entry after it so that no symbol loses its range.
void HalveModel(QuantumModel* model) {
  for (int i = model->symbols - 1; i >= 0; --i) {
    uint16_t halved = static_cast<uint16_t>(model->cum[i] / 2);
    if (halved <= model->cum[i + 1]) halved = static_cast<uint16_t>(model->cum[i + 1] + 1);
    model->cum[i] = halved;
  }
}

// Turns the model into halved frequencies, orders the entries by descending frequency (an entry
// is exchanged with any later one of greater frequency) and rebuilds the cumulative values.
void RebuildModel(QuantumModel* model) {
  const uint32_t n = model->symbols;
  uint16_t freq[kQuantumMaxModelSymbols];
  for (uint32_t i = 0; i < n; ++i) {
    freq[i] = static_cast<uint16_t>((model->cum[i] - model->cum[i + 1] + 1) / 2);
  }
  for (uint32_t i = 0; i + 1 < n; ++i) {
    for (uint32_t j = i + 1; j < n; ++j) {
      if (freq[j] > freq[i]) {
        uint16_t f = freq[i];
        freq[i] = freq[j];
        freq[j] = f;
        uint8_t s = model->sym[i];
        model->sym[i] = model->sym[j];
        model->sym[j] = s;
      }
    }
  }
  for (int i = static_cast<int>(n) - 1; i >= 0; --i) {
    model->cum[i] = static_cast<uint16_t>(freq[i] + model->cum[i + 1]);
  }
}

}  // namespace

void QuantumModelRescale(QuantumModel* model) {
  if (--model->countdown > 0) {
    HalveModel(model);
    return;
  }
  model->countdown = kQuantumRebuildCountdown;
  RebuildModel(model);
}

}  // namespace vorlax
