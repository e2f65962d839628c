// A small product for the driver's tests: the three configuration documents under "cfg\" and
// product files under "files\" in one cabinet made by the project's cabinet writer, placed in the
// fake system where the entry would have copied it.
#pragma once

#include <string>
#include <vector>

#include "packer/cabinet_writer.h"
#include "support/fake_system.h"

namespace vorlax {

struct SampleProduct {
  // Bodies of the three documents (inside their root elements); the defaults are a complete
  // small configuration. omitted* leaves a document out of the cabinet.
  std::u16string props;
  std::u16string install;
  std::u16string defines;
  bool omitProps = false;
  bool omitConfiguration = false;  // no "cfg\" entry at all
  // Product files, named relative to "files\".
  std::vector<CabinetInputFile> files;

  SampleProduct();
};

constexpr char16_t kSampleTempDir[] = u"C:\\users\\player\\Temp\\vorcfg1.tmp";
constexpr char16_t kSampleInstallPath[] = u"C:\\Games\\Demo";

// The cabinet's bytes.
std::string BuildSampleCabinet(const SampleProduct& product);

// A UTF-16LE document with byte-order mark: "<root>" body "</root>".
std::string Utf16Document(const std::u16string& root, const std::u16string& body);

// Sets State().tempDir and cabinetPath as the entry would and puts the cabinet there.
void PlaceSampleCabinet(FakeSystem* fake, const SampleProduct& product);

}  // namespace vorlax
