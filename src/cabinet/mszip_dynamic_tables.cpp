// A dynamic block's code description (see mszip_dynamic_tables.h).
//
// Every accept/reject decision on a code is the classic construction's (mszip_classic_table.h);
// only afterwards are the fast tables built. An empty code-length code (all 19 lengths 0) counts as
// complete there but decodes nothing: its table holds only invalid entries, so the first length
// read fails instead of looking into a table that does not exist. The same holds for an empty
// literal/length or distance code once a symbol or a match needs it.
#include "cabinet/mszip_dynamic_tables.h"

#include "cabinet/mszip_classic_table.h"

namespace vorlax {
namespace {

constexpr unsigned kHlitBits = 5;
constexpr unsigned kHdistBits = 5;
constexpr unsigned kHclenBits = 4;
constexpr unsigned kMinCodeLengthCodes = 4;
constexpr unsigned kCodeLengthBits = 3;
constexpr unsigned kRepeatPrevious = 16;  // 3 + 2 bits times the previous length
constexpr unsigned kRepeatZero = 17;      // 3 + 3 bits zeros; 18 is 11 + 7 bits zeros
constexpr unsigned kMaxCodeLengthSymbolBits = 7 + 7;

bool IsComplete(const uint8_t* lengths, unsigned count, unsigned plainSymbols, const uint16_t* bases,
                const uint8_t* extra, unsigned lookupBits, unsigned poolLimit) {
  MszipClassicCode code{lengths, count, plainSymbols, bases, extra};
  return BuildClassicTable(code, lookupBits, poolLimit, nullptr).result == kMszipTableComplete;
}

bool ReadCodeLengthCode(MszipStreamState* state, MszipBitReader* in, unsigned codeLengthCodes) {
  uint8_t lengths[kMszipCodeLengthCodes] = {};
  for (unsigned i = 0; i < codeLengthCodes; ++i) {
    lengths[kMszipCodeLengthOrder[i]] = static_cast<uint8_t>(ReadBits(in, kCodeLengthBits));
  }
  if (!IsComplete(lengths, kMszipCodeLengthCodes, kMszipCodeLengthCodes, nullptr, nullptr,
                  kMszipCodeLengthLookupBits, kMszipLitLenPoolLimit)) {
    return false;
  }
  return BuildFastTable(lengths, kMszipCodeLengthCodes, kMszipCodeLengthSymbols, kMszipCodeLengthRootBits,
                        state->codeLengthTable, kMszipCodeLengthTableSize);
}

// Reads `total` code lengths into state->lengths with the repeat codes.
bool ReadCodeLengthsFrom(MszipStreamState* state, MszipBitReader* in, unsigned total) {
  const unsigned mask = (1u << kMszipCodeLengthRootBits) - 1;
  unsigned previous = 0;
  unsigned i = 0;
  while (i < total) {
    NeedBitsWide(in, kMaxCodeLengthSymbolBits);
    uint32_t e = state->codeLengthTable[in->bits & mask];
    if (e & kMszipEntryInvalid) return false;
    DropBits(in, MszipEntryDropBits(e));
    unsigned symbol = MszipEntryValue(e);
    if (symbol < kRepeatPrevious) {
      state->lengths[i++] = static_cast<uint8_t>(symbol);
      previous = symbol;
      continue;
    }
    unsigned repeat;
    unsigned value = 0;
    if (symbol == kRepeatPrevious) {
      repeat = 3 + ReadBits(in, 2);
      value = previous;
    } else if (symbol == kRepeatZero) {
      repeat = 3 + ReadBits(in, 3);
    } else {  // 18
      repeat = 11 + ReadBits(in, 7);
    }
    if (i + repeat > total) return false;
    for (unsigned k = 0; k < repeat; ++k) state->lengths[i++] = static_cast<uint8_t>(value);
    previous = value;
  }
  return true;
}

// The same on a local copy of the bit reader, which stays in registers while the lengths are
// stored (through the state, as far as the compiler knows, any byte may change).
bool ReadCodeLengths(MszipStreamState* state, MszipBitReader* in, unsigned total) {
  MszipBitReader local = *in;
  bool ok = ReadCodeLengthsFrom(state, &local, total);
  *in = local;
  return ok;
}

}  // namespace

bool ReadDynamicTables(MszipStreamState* state, MszipBitReader* in) {
  unsigned litLenCodes = kMszipPlainSymbols + ReadBits(in, kHlitBits);
  unsigned distanceCodes = 1 + ReadBits(in, kHdistBits);
  unsigned codeLengthCodes = kMinCodeLengthCodes + ReadBits(in, kHclenBits);
  if (litLenCodes > kMszipMaxLitLenCodes || distanceCodes > kMszipMaxDistanceCodes) return false;
  if (!ReadCodeLengthCode(state, in, codeLengthCodes)) return false;
  if (!ReadCodeLengths(state, in, litLenCodes + distanceCodes)) return false;

  const uint8_t* litLen = state->lengths;
  const uint8_t* distance = state->lengths + litLenCodes;
  if (!IsComplete(litLen, litLenCodes, kMszipPlainSymbols, kMszipLengthBase, kMszipLengthExtra,
                  kMszipLitLenLookupBits, kMszipLitLenPoolLimit) ||
      !IsComplete(distance, distanceCodes, 0, kMszipDistanceBase, kMszipDistanceExtra,
                  kMszipDistanceLookupBits, kMszipDistancePoolLimit)) {
    return false;
  }
  return BuildFastTable(litLen, litLenCodes, kMszipLitLenSymbols, kMszipLitLenRootBits,
                        state->dynamic.litLen, kMszipLitLenTableSize) &&
         BuildFastTable(distance, distanceCodes, kMszipDistanceSymbols, kMszipDistanceRootBits,
                        state->dynamic.distance, kMszipDistanceTableSize);
}

}  // namespace vorlax
