// The Quantum folder encoder: each data block becomes one frame, coded with greedy hash-chain
// matches over the window that carries from block to block.
#pragma once

#include <cstdint>
#include <string>

#include "packer/folder_encoder.h"
#include "packer/quantum_frame_encoder.h"
#include "packer/quantum_match_finder.h"

namespace vorlax {

class QuantumEncoder : public FolderEncoder {
 public:
  // windowBits must lie in 10..21 (MakeFolderEncoder only builds valid choices).
  explicit QuantumEncoder(uint32_t windowBits);
  bool EncodeBlock(const uint8_t* data, uint32_t size, bool lastBlock, std::string* out) override;

 private:
  QuantumFrameEncoder frame_;
  QuantumMatchFinder finder_;
};

}  // namespace vorlax
