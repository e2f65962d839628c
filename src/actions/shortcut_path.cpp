// SelectPathVariant and the other rules of a shortcut's destination.
//
// Sound choices:
// - The bar rule cuts the link path after its last "\" or "/", as every path of the installer is
//   split: a destination written with "/" keeps its folder instead of losing it.
// - A "{" that comes after the last "}" opens no group, so such a path is left as written rather
//   than having its tail repeated.
#include "actions/shortcut_path.h"

#include "base/text.h"
#include "driver/windows_version.h"

namespace vorlax {

namespace {

constexpr char16_t kOpenBrace = u'{';
constexpr char16_t kCloseBrace = u'}';
constexpr char16_t kVariantBar = u'|';

}  // namespace

std::u16string SelectPathVariantFor(const std::u16string& path, bool windows98OrMe) {
  std::size_t close = path.rfind(kCloseBrace);
  if (close == std::u16string::npos) return path;
  std::u16string tail = path.substr(close + 1);
  std::size_t open = path.rfind(kOpenBrace);
  if (open == std::u16string::npos || open > close) return path;
  if (!windows98OrMe) return path.substr(0, open) + tail;
  return path.substr(open + 1, close - open - 1) + tail;
}

std::u16string SelectPathVariant(const std::u16string& path) {
  return SelectPathVariantFor(path, IsWindows98OrMe());
}

void ApplyNameVariant(std::u16string* linkPath, std::u16string* name, bool windows98OrMe) {
  if (linkPath->find(kVariantBar) == std::u16string::npos) return;
  std::size_t keep = LastSeparator(*linkPath);
  linkPath->erase(keep == std::u16string::npos ? 0 : keep);
  std::size_t bar = name->rfind(kVariantBar);
  if (bar == std::u16string::npos) return;
  *name = windows98OrMe ? name->substr(bar + 1) : name->substr(0, bar);
  *linkPath += *name;
}

std::u16string DestinationName(const std::u16string& dest) {
  std::size_t start = LastSeparator(dest);
  return start == std::u16string::npos ? dest : dest.substr(start);
}

bool RemovePermanentMarker(std::u16string* path) {
  std::size_t at = path->find(kPermanentMarker);
  if (at == std::u16string::npos) return false;
  path->erase(at, sizeof kPermanentMarker / sizeof kPermanentMarker[0] - 1);
  return true;
}

}  // namespace vorlax
