// CheckInstallLocation and GetFreeDiskSpace.
#include "driver/install_location.h"

#include <cstdint>
#include <string>

#include "config/define_table.h"
#include "driver/built_in_defines.h"
#include "driver/fatal_error.h"
#include "driver/installer_state.h"
#include "driver/windows_version.h"

namespace vorlax {

namespace {

constexpr char16_t kForbiddenCharacters[] = u"\"*:<>?&|%";
constexpr int kFirstAllowedCode = 32;
constexpr std::size_t kDriveSeparatorIndex = 2;  // "C:\": the separator after drive and colon

constexpr char16_t kDiskSpaceErrorId[] = u"%ERROR_WITH%";
constexpr char16_t kDiskSpaceErrorSuffix[] = u" GetDiskFreeSpace";
constexpr uint32_t kPlainMessageStyle = 0;

// One rule's message: caption id and text id.
struct LocationMessage {
  const char16_t* caption;
  const char16_t* text;
};
constexpr LocationMessage kNotLocal = {u"%ERROR%", u"%SPEC_PATH_LOCAL%"};
constexpr LocationMessage kNoDrive = {u"%ERROR%", u"%SPEC_PATH_DRIVE%"};
constexpr LocationMessage kBadPathCharacter = {u"%ERROR%", u"%INVALID_PATH%"};
constexpr LocationMessage kBadGroupCharacter = {u"%INVALID_START_TITLE%", u"%INVALID_START_BODY%"};
constexpr LocationMessage kDriveUnreadable = {u"%INVALID_DRIVE%", u"%DIFF_PATH%"};
constexpr LocationMessage kTooLittleSpace = {u"%INSUFFICIENT_SPACE_TITLE%",
                                             u"%INSUFFICIENT_SPACE_BODY%"};

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool Reject(const LocationMessage& message) {
  InstallerState& state = State();
  state.system->ShowMessage(ExpandDefines(state.defines, message.text),
                            ExpandDefines(state.defines, message.caption), kMbIconError);
  return false;
}

bool IsListedOrControl(int code) {
  if (code < kFirstAllowedCode) return true;
  for (const char16_t* c = kForbiddenCharacters; *c; ++c) {
    if (code == *c) return true;
  }
  return false;
}

// The 8-bit rule: the low byte as a signed number (so 0x80-0xFF count as below 32).
bool IsForbiddenByLowByte(char16_t c) {
  return IsListedOrControl(static_cast<signed char>(static_cast<uint8_t>(c & 0xFF)));
}

bool IsForbiddenWhole(char16_t c) { return IsListedOrControl(c); }

bool HasForbidden(const std::u16string& text, std::size_t from, bool (*forbidden)(char16_t)) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (forbidden(text[i])) return true;
  }
  return false;
}

// The root folder of the path's drive (rule 1).
std::u16string RootOf(const std::u16string& path) {
  std::size_t end = path.size();
  for (std::size_t i = kDriveSeparatorIndex; i < path.size(); ++i) {
    if (IsSeparator(path[i])) {
      end = i;
      break;
    }
  }
  return path.substr(0, end) + u"\\";
}

bool IsLocal(const std::u16string& path) {
  return path.find(u"\\\\") == std::u16string::npos && path.find(u"//") == std::u16string::npos;
}

bool HasDriveLetter(const std::u16string& path) {
  return path.size() > kDriveSeparatorIndex && path[1] == u':' &&
         IsSeparator(path[kDriveSeparatorIndex]);
}

int64_t SaturatedProduct(uint64_t a, uint64_t b) {
  constexpr uint64_t kMax = static_cast<uint64_t>(INT64_MAX);
  if (a != 0 && b > kMax / a) return INT64_MAX;
  return static_cast<int64_t>(a * b);
}

}  // namespace

int64_t GetFreeDiskSpace(const std::u16string& root) {
  InstallerState& state = State();
  DiskFreeSpace space;
  if (state.system->GetDiskFreeSpace(root, &space)) {
    uint64_t clusterBytes = static_cast<uint64_t>(space.sectorsPerCluster) * space.bytesPerSector;
    return SaturatedProduct(clusterBytes, space.freeClusters);
  }
  state.system->ShowMessage(ExpandDefines(state.defines, kDiskSpaceErrorId) + kDiskSpaceErrorSuffix,
                            std::u16string(), kPlainMessageStyle);
  return -1;
}

bool CheckInstallLocation() {
  InstallerState& state = State();
  std::u16string path = ExpandDefines(state.defines, state.defines.Get(kDefineInstallPath));
  std::u16string root = RootOf(path);
  if (!IsLocal(path)) return Reject(kNotLocal);
  if (!HasDriveLetter(path)) return Reject(kNoDrive);
  SystemVersion version;
  if (!QueryWindowsVersion(&version)) {
    ShowFatalError(u"Unable to Query Windows Version");
    return false;
  }
  if (HasForbidden(path, kDriveSeparatorIndex, IsForbiddenByLowByte)) {
    return Reject(kBadPathCharacter);
  }
  std::u16string group = ExpandDefines(state.defines, state.defines.Get(kDefineInstallGroup));
  bool lowByteRule = IsWindows98OrMe();
  if (HasForbidden(group, 0, lowByteRule ? IsForbiddenByLowByte : IsForbiddenWhole)) {
    return Reject(kBadGroupCharacter);
  }
  int64_t free = GetFreeDiskSpace(root);
  if (free == -1) return Reject(kDriveUnreadable);
  if (free < state.progress.spaceEstimate.load()) return Reject(kTooLittleSpace);
  NormaliseInstallLocationDefines();
  return true;
}

}  // namespace vorlax
