// The DirectX file table as data, and its condition test.
#include "actions/directx_file_table.h"

namespace vorlax {

namespace {

constexpr uint16_t kWindows9xNumbering = 4;
constexpr uint16_t kWindowsNtNumbering = 5;

constexpr DirectXFileRow AtLeast(const char16_t* file, uint64_t minimum, DirectXVersion result) {
  return {file, FileCondition::kAtLeast, minimum, 0, result};
}

constexpr DirectXFileRow PerNumbering(const char16_t* file, uint64_t minimumFirstPart4,
                                      uint64_t minimumFirstPart5, DirectXVersion result) {
  return {file, FileCondition::kAtLeastPerNumbering, minimumFirstPart4, minimumFirstPart5, result};
}

constexpr DirectXFileRow Readable(const char16_t* file, DirectXVersion result) {
  return {file, FileCondition::kReadable, 0, 0, result};
}

constexpr char16_t kDdraw[] = u"\\ddraw.dll";
constexpr char16_t kD3drg8x[] = u"\\d3drg8x.dll";
constexpr char16_t kDplayx[] = u"\\dplayx.dll";
constexpr char16_t kDinput[] = u"\\dinput.dll";
constexpr char16_t kD3d8[] = u"\\d3d8.dll";
constexpr char16_t kMpg2splt[] = u"\\mpg2splt.ax";
constexpr char16_t kDpnet[] = u"\\dpnet.dll";
constexpr char16_t kD3d9[] = u"\\d3d9.dll";

}  // namespace

const DirectXFileRow kDirectXFileRows[] = {
    AtLeast(kDdraw, FileVersion(4, 2, 0, 95), {1, 0, u' '}),
    AtLeast(kDdraw, FileVersion(4, 3, 0, 1096), {2, 0, u' '}),
    AtLeast(kDdraw, FileVersion(4, 4, 0, 68), {3, 0, u' '}),
    AtLeast(kD3drg8x, FileVersion(4, 4, 0, 70), {3, 0, u'a'}),
    AtLeast(kDdraw, FileVersion(4, 5, 0, 155), {5, 0, u' '}),
    AtLeast(kDdraw, FileVersion(4, 6, 0, 318), {6, 0, u' '}),
    AtLeast(kDdraw, FileVersion(4, 6, 0, 436), {6, 1, u' '}),
    AtLeast(kDplayx, FileVersion(4, 6, 3, 518), {6, 1, u'a'}),
    AtLeast(kDdraw, FileVersion(4, 7, 0, 700), {7, 0, u' '}),
    AtLeast(kDinput, FileVersion(4, 7, 0, 716), {7, 0, u'a'}),
    PerNumbering(kDdraw, FileVersion(4, 8, 0, 400), FileVersion(5, 1, 2258, 400), {8, 0, u' '}),
    PerNumbering(kD3d8, FileVersion(4, 8, 1, 881), FileVersion(5, 1, 2600, 881), {8, 1, u' '}),
    PerNumbering(kD3d8, FileVersion(4, 8, 1, 901), FileVersion(5, 1, 2600, 901), {8, 1, u'a'}),
    AtLeast(kMpg2splt, FileVersion(6, 3, 1, 885), {8, 1, u'b'}),
    PerNumbering(kDpnet, FileVersion(4, 9, 0, 134), FileVersion(5, 2, 3677, 134), {8, 2, u' '}),
    Readable(kD3d9, {9, 0, u' '}),
};

const std::size_t kDirectXFileRowCount = sizeof kDirectXFileRows / sizeof kDirectXFileRows[0];

bool DirectXFileRowHolds(const DirectXFileRow& row, uint64_t version) {
  switch (row.condition) {
    case FileCondition::kAtLeast:
      return version >= row.minimum;
    case FileCondition::kAtLeastPerNumbering:
      if (FirstVersionPart(version) == kWindows9xNumbering) return version >= row.minimum;
      if (FirstVersionPart(version) == kWindowsNtNumbering) {
        return version >= row.minimumFirstPart5;
      }
      return false;
    case FileCondition::kReadable:
      return true;
  }
  return false;
}

}  // namespace vorlax
