// The Quantum folder encoder: each data block becomes one frame, coded with greedy hash-chain
// matches over the window that carries from block to block.
//
// A frame must fit the reader's compressed-block buffer (32,768 + 10,240 bytes). Matches that
// cost more than their bytes could in principle push a frame past it; such a block is coded
// again from the same model state with literals only, and if even that does not fit, the block
// is refused rather than written into a cabinet no reader would take (the folder cannot go on
// after a refusal).
#pragma once

#include <cstdint>
#include <string>

#include "cabinet/decoder.h"
#include "cabinet/quantum_tables.h"
#include "packer/folder_encoder.h"
#include "packer/quantum_frame_encoder.h"
#include "packer/quantum_match_finder.h"

namespace vorlax {

class QuantumEncoder : public FolderEncoder {
 public:
  // windowBits must lie in 10..21 (MakeFolderEncoder only builds valid choices).
  // frameLimit: the largest frame accepted.
  explicit QuantumEncoder(uint32_t windowBits, uint32_t frameLimit = kMaxBlockOutput + kQuantumInputSlack);
  bool EncodeBlock(const uint8_t* data, uint32_t size, bool lastBlock, std::string* out) override;

 private:
  void EncodeWithMatches(uint32_t start, uint32_t end);
  void EncodeLiterals(uint32_t start, uint32_t end);

  uint32_t frameLimit_;
  QuantumFrameEncoder frame_;
  QuantumMatchFinder finder_;
};

}  // namespace vorlax
