// The DirectX check: the diagnostic provider first, the DirectX file table when the provider did
// not answer all three values.
//
// Trap: rows naming the same file one after another (ddraw.dll in rows 1-3 and 5-7, d3d8.dll in
// 12-13) share one version read; a file named again after another file is read again.
#include "actions/directx_check.h"

#include <string>

#include "actions/directx_file_table.h"
#include "actions/directx_version.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

void StoreVersion(const DirectXVersion& version, uint32_t* major, uint32_t* minor,
                  char16_t* letter) {
  if (major) *major = version.major;
  if (minor) *minor = version.minor;
  if (letter) *letter = version.letter;
}

// The result of the last row that holds, or 0.0 when none does (or no file is readable).
DirectXVersion VersionFromFileTable(System& system, const std::u16string& systemFolder) {
  DirectXVersion result;
  std::u16string readFile;
  bool readable = false;
  uint64_t fileVersion = 0;
  for (std::size_t i = 0; i < kDirectXFileRowCount; ++i) {
    const DirectXFileRow& row = kDirectXFileRows[i];
    if (readFile != row.file) {
      readFile = row.file;
      std::u16string path = systemFolder + readFile;
      readable = system.ReadFileVersion(path.c_str(), &fileVersion) == kResultOk;
    }
    if (readable && DirectXFileRowHolds(row, fileVersion)) result = row.result;
  }
  return result;
}

}  // namespace

int32_t DirectXVersionViaDxDiag(uint32_t* major, uint32_t* minor, char16_t* letter) {
  System::DxDiagVersion answer;
  State().system->QueryDxDiagVersion(&answer);
  if (answer.hasMajor && major) *major = answer.major;
  if (answer.hasMinor && minor) *minor = answer.minor;
  if (answer.hasLetter && letter) *letter = answer.letter;
  bool complete = answer.hasMajor && answer.hasMinor && answer.hasLetter;
  return complete ? kResultOk : kResultFail;
}

int32_t DirectXVersionViaFiles(uint32_t* major, uint32_t* minor, char16_t* letter) {
  System& system = *State().system;
  std::u16string systemFolder = system.SystemFolder();
  DirectXVersion version;
  if (!systemFolder.empty()) version = VersionFromFileTable(system, systemFolder);
  StoreVersion(version, major, minor, letter);
  return kResultOk;
}

int32_t GetDirectXVersion(uint32_t* packedOut, char16_t* textOut, std::size_t textCapacity) {
  if (packedOut) *packedOut = 0;
  if (textOut && textCapacity > 0) textOut[0] = u'\0';
  DirectXVersion version;
  if (DirectXVersionViaDxDiag(&version.major, &version.minor, &version.letter) != kResultOk &&
      DirectXVersionViaFiles(&version.major, &version.minor, &version.letter) != kResultOk) {
    return kResultFail;
  }
  version.letter = LowerCaseDirectXLetter(version.letter);
  if (packedOut) *packedOut = PackDirectXVersion(version);
  CopyTextTruncated(DirectXVersionText(version), textOut, textCapacity);
  return kResultOk;
}

}  // namespace vorlax
