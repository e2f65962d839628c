// make_scenario_installer: builds the installer a Wine scenario runs, from the real stub and a
// small cabinet, with the payload writer.
//
//   make_scenario_installer LAYOUT STUB CABINET OUT_INSTALLER OUT_EXPECTED_CABINET
//
// LAYOUT names the scenario's record chain. The "product" layouts ignore CABINET and carry the
// sample product's cabinet instead (sample_product.h): "product" as shipped, "product-bad-props"
// with a broken properties file, "product-win98" as shipped under its own name, "product-actions"
// (and "product-actions-win98" under its own name) with every install action, "product-large"
// with hundreds of extra small files that keep the progress pages busy. They take the launch
// marker program (and the actions layouts the test library vorlax-test-functions.dll) from the
// Windows build the stub comes from (<build>/src/setup/vorlax-setup.exe -> <build>/tests/robot/). OUT_EXPECTED_CABINET receives what
// the installer's copy step writes to files.cab: the cabinet record's payload through the end of
// the file (the copy runs to the end, so it carries the record's size and type fields and every
// later record). It is written only for layouts whose walk reaches the cabinet record.
// Damaged inputs: "foreign-cabinet" (a cabinet record holding text), "product-bad-attached-defines"
// (the product with an attached defines text the reader refuses) and the product's "bad-*" and
// "escaping-name" variants (sample_product.h).
// Exit code 0, or 1 with a message on standard error.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "packer/payload_writer.h"
#include "sample_product.h"

namespace {

// A record type the installer does not know.
constexpr uint32_t kUnknownRecordType = 3;
// The record trailer: size and type, 4 bytes each.
constexpr size_t kTrailerSize = 8;

struct Built {
  std::string installer;
  bool reachesCabinet = false;
  size_t cabinetOffset = 0;  // offset of the cabinet record's payload
};

const std::u16string kFirstDefines = u"<Defines><Define Name=\"First\" Value=\"1\"/></Defines>";
const std::u16string kSecondDefines = u"<Defines><Define Name=\"Second\" Value=\"2\"/></Defines>";

size_t StubRecordSize(const std::string& stub) { return stub.size() + kTrailerSize; }

// The shipped layout cut inside the cabinet's bytes, at the longest length in the cabinet's
// second half whose last 4 bytes, read as a record type, name no known type: the walk then
// fails on its very first record, whatever the cabinet holds.
bool CutInsideCabinet(const std::string& stub, const std::string& cabinet, Built* built) {
  std::string whole = vorlax::BuildInstaller(stub, cabinet, {}, false);
  size_t start = StubRecordSize(stub);
  for (size_t length = cabinet.size() - 1; length >= cabinet.size() / 2 && length >= 4; --length) {
    const uint8_t* type = reinterpret_cast<const uint8_t*>(whole.data() + start + length - 4);
    if (vorlax::ReadLe32(type) > vorlax::kRecordSkipped) {
      built->installer = whole.substr(0, start + length);
      return true;
    }
  }
  return false;
}

constexpr char kStubInBuild[] = "src/setup/vorlax-setup.exe";
constexpr char kLaunchMarkerInBuild[] = "tests/robot/vorlax-launch-marker.exe";
constexpr char kProductLayout[] = "product";

// The Windows build folder's launch marker, found from the stub's place in the same build.
std::string LaunchMarkerBeside(const std::string& stub) {
  const std::string suffix = kStubInBuild;
  if (stub.size() < suffix.size() || stub.compare(stub.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return std::string();
  }
  return stub.substr(0, stub.size() - suffix.size()) + kLaunchMarkerInBuild;
}

// The layout whose attached defines text the defines reader refuses (an end tag that closes
// another element), after the sample product's cabinet.
constexpr char kBadAttachedDefinesLayout[] = "product-bad-attached-defines";
const std::u16string kBadAttachedDefines = u"<Defines><Define><Name>X</Value></Define></Defines>";

// "product" and "product-VARIANT": the sample product's cabinet in the shipped record chain.
bool BuildProduct(const std::string& layout, const std::string& stubPath, const std::string& stub,
                  Built* built) {
  const bool badAttachedDefines = layout == kBadAttachedDefinesLayout;
  std::string variant = layout.size() > sizeof kProductLayout && !badAttachedDefines
                            ? layout.substr(sizeof kProductLayout)
                            : "";
  std::string cabinet;
  std::string error;
  if (!scenarios::BuildProductCabinet(VORLAX_WINE_TESTS_DIR "/product", LaunchMarkerBeside(stubPath), variant,
                                      &cabinet, &error)) {
    std::fprintf(stderr, "make_scenario_installer: %s\n", error.c_str());
    return false;
  }
  std::vector<std::u16string> defines;
  if (badAttachedDefines) defines.push_back(kBadAttachedDefines);
  built->installer = vorlax::BuildInstaller(stub, cabinet, defines, false);
  built->reachesCabinet = true;
  return true;
}

bool Build(const std::string& layout, const std::string& stubPath, const std::string& stub,
           const std::string& cabinet, Built* built) {
  built->cabinetOffset = StubRecordSize(stub);
  if (layout == kProductLayout || layout.rfind(std::string(kProductLayout) + "-", 0) == 0) {
    return BuildProduct(layout, stubPath, stub, built);
  }
  if (layout == "no-payload") {
    built->installer = stub;
    return true;
  }
  if (layout == "cut-cabinet") return CutInsideCabinet(stub, cabinet, built);
  built->reachesCabinet = true;
  if (layout == "valid") {
    built->installer = vorlax::BuildInstaller(stub, cabinet, {}, false);
  } else if (layout == "two-defines") {
    built->installer = vorlax::BuildInstaller(stub, cabinet, {kFirstDefines, kSecondDefines}, false);
  } else if (layout == "marker-with-trailer") {
    built->installer = vorlax::BuildInstaller(stub, cabinet, {}, true);
    // Looks like a record with an unknown type: harmless only because the marker ends the chain.
    vorlax::AppendPayloadRecord(&built->installer, kUnknownRecordType, "after the marker");
  } else if (layout == "walk-fails-after-copy") {
    // stub, unknown record, cabinet: walking backwards copies the cabinet, then meets type 3.
    built->installer.clear();
    vorlax::AppendPayloadRecord(&built->installer, vorlax::kRecordSkipped, stub);
    vorlax::AppendPayloadRecord(&built->installer, kUnknownRecordType, "unknown record");
    built->cabinetOffset = built->installer.size();
    vorlax::AppendPayloadRecord(&built->installer, vorlax::kRecordCabinet, cabinet);
  } else if (layout == "foreign-cabinet") {
    // A well-formed chain whose cabinet record holds no cabinet: the walk and the copy pass, the
    // cabinet reader refuses the copy.
    built->installer = vorlax::BuildInstaller(stub, "This is not a Microsoft cabinet.\r\n", {}, false);
  } else if (layout == "unknown-type-last") {
    // The walk meets type 3 first, before it reaches the cabinet.
    built->installer = vorlax::BuildInstaller(stub, cabinet, {}, false);
    vorlax::AppendPayloadRecord(&built->installer, kUnknownRecordType, "unknown record");
    built->reachesCabinet = false;
  } else {
    return false;
  }
  return true;
}

bool ReadFile(const char* path, std::string* bytes) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

bool WriteFile(const char* path, const std::string& bytes) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "make_scenario_installer: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    return Fail("usage: make_scenario_installer LAYOUT STUB CABINET OUT_INSTALLER OUT_EXPECTED_CABINET");
  }
  std::string stub;
  std::string cabinet;
  if (!ReadFile(argv[2], &stub) || stub.empty()) return Fail(std::string("cannot read stub ") + argv[2]);
  if (!ReadFile(argv[3], &cabinet) || cabinet.size() < 8) {
    return Fail(std::string("cannot read cabinet ") + argv[3]);
  }
  Built built;
  if (!Build(argv[1], argv[2], stub, cabinet, &built)) return Fail(std::string("cannot build layout ") + argv[1]);
  if (!WriteFile(argv[4], built.installer)) return Fail(std::string("cannot write ") + argv[4]);
  std::remove(argv[5]);
  if (built.reachesCabinet &&
      !WriteFile(argv[5], built.installer.substr(built.cabinetOffset))) {
    return Fail(std::string("cannot write ") + argv[5]);
  }
  return 0;
}
