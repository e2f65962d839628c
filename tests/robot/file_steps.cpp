// The robot's file and environment steps: watch-folder, expect-new-folder, expect-no-new-folder,
// make-file, set-env and lock-file.
#include "scenario_runner.h"

#include "folder_watch.h"
#include "output.h"
#include "step_arguments.h"

namespace robot {

namespace {
constexpr std::size_t kMakeFileBlockSize = 65536;
}  // namespace

bool ScenarioRunner::WatchFolder(const Step& step) {
  std::wstring folder = ExpandPath(step.positional[0]);
  const std::wstring& prefix = *Named(step, L"prefix");
  watched_[folder + L"|" + prefix] = SubFolders(folder, prefix);
  PrintLine(L"watching " + folder + L" for " + prefix + L"*");
  return true;
}

bool ScenarioRunner::ExpectNewFolder(const Step& step) {
  std::wstring folder = ExpandPath(step.positional[0]);
  const std::wstring& prefix = *Named(step, L"prefix");
  auto watched = watched_.find(folder + L"|" + prefix);
  if (watched == watched_.end()) return Fail(step, L"'watch-folder' for this folder must come first");
  std::vector<std::wstring> fresh;
  for (const std::wstring& name : SubFolders(folder, prefix)) {
    if (!watched->second.count(name)) fresh.push_back(name);
  }
  if (fresh.size() != 1) {
    return Fail(step, std::to_wstring(fresh.size()) + L" new " + prefix + L"* folders in " +
                          folder + L", expected 1");
  }
  std::wstring made = folder + L"\\" + fresh[0];
  PrintLine(L"new folder " + made);
  const std::wstring* file = Named(step, L"file");
  const std::wstring* reference = Named(step, L"same-as");
  if (!file) return reference ? Fail(step, L"same-as= needs file=") : true;
  std::string bytes;
  if (!ReadWholeFile(made + L"\\" + *file, &bytes)) return Fail(step, L"no file " + *file + L" in " + made);
  if (!reference) return true;
  std::string expected;
  if (!ReadWholeFile(ExpandPath(*reference), &expected)) {
    return Fail(step, L"cannot read " + ExpandPath(*reference));
  }
  if (bytes != expected) {
    return Fail(step, *file + L" (" + std::to_wstring(bytes.size()) + L" bytes) differs from " +
                          ExpandPath(*reference) + L" (" + std::to_wstring(expected.size()) +
                          L" bytes)");
  }
  PrintLine(*file + L" is byte-identical to " + ExpandPath(*reference));
  return true;
}

bool ScenarioRunner::ExpectNoNewFolder(const Step& step) {
  std::wstring folder = ExpandPath(step.positional[0]);
  const std::wstring& prefix = *Named(step, L"prefix");
  auto watched = watched_.find(folder + L"|" + prefix);
  if (watched == watched_.end()) return Fail(step, L"'watch-folder' for this folder must come first");
  for (const std::wstring& name : SubFolders(folder, prefix)) {
    if (!watched->second.count(name)) return Fail(step, L"new folder left behind: " + folder + L"\\" + name);
  }
  PrintLine(L"no new " + prefix + L"* folder in " + folder);
  return true;
}

// With size=BYTES the file holds that many bytes, really written (a file only extended would
// take no room on a filesystem that keeps holes, and filling a drive is what size= is for).
bool ScenarioRunner::MakeFile(const Step& step) {
  std::wstring path = ExpandPath(step.positional[0]);
  unsigned long size = 0;
  const std::wstring* sizeText = Named(step, L"size");
  if (sizeText && !ParseNumber(*sizeText, &size)) return Fail(step, L"size= needs a number of bytes");
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return Fail(step, L"cannot make " + path + L" (error " + std::to_wstring(GetLastError()) + L")");
  }
  madeFiles_.push_back(path);
  static const std::string block(kMakeFileBlockSize, 'x');
  for (unsigned long left = size; left > 0;) {
    DWORD count = static_cast<DWORD>(left < block.size() ? left : block.size());
    DWORD written = 0;
    if (!WriteFile(file, block.data(), count, &written, nullptr) || written != count) {
      CloseHandle(file);
      return Fail(step, L"cannot write " + std::to_wstring(size) + L" bytes to " + path);
    }
    left -= count;
  }
  CloseHandle(file);
  PrintLine(L"made the file " + path + L" of " + std::to_wstring(size) + L" bytes");
  return true;
}

bool ScenarioRunner::SetEnv(const Step& step) {
  const std::wstring& name = step.positional[0];
  std::wstring value = ExpandPath(*Named(step, L"value"));
  if (!SetEnvironmentVariableW(name.c_str(), value.c_str())) return Fail(step, L"cannot set " + name);
  PrintLine(L"set " + name + L"=" + value);
  return true;
}

bool ScenarioRunner::LockFile(const Step& step) {
  std::wstring path = step.positional.empty() ? program_ : ExpandPath(step.positional[0]);
  if (path.empty()) return Fail(step, L"no file to lock ('start' names the default)");
  HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (lock == INVALID_HANDLE_VALUE) {
    return Fail(step, L"cannot lock " + path + L" (error " + std::to_wstring(GetLastError()) + L")");
  }
  locks_.emplace_back(path, lock);
  PrintLine(L"locked " + path + L" against every other opening");
  return true;
}

}  // namespace robot
