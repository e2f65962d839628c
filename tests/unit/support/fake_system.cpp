#include "support/fake_system.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "actions/directx_check.h"
#include "base/text.h"

namespace vorlax {

namespace {

std::u16string FoldedRegistryPath(const std::u16string& path) { return FakeSystem::Key(path); }

const char16_t* RootName(RegistryKey root) {
  switch (root) {
    case kHkeyClassesRoot: return u"HKCR";
    case kHkeyCurrentUser: return u"HKCU";
    case kHkeyLocalMachine: return u"HKLM";
    case kHkeyUsers: return u"HKU";
    default: return nullptr;
  }
}

}  // namespace

std::u16string FakeSystem::Key(const std::u16string& path) {
  std::u16string key;
  for (char16_t c : path) {
    if (c == u'/') c = u'\\';
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    key.push_back(c);
  }
  while (key.size() > 1 && key.back() == u'\\') key.pop_back();
  return key;
}

bool FakeSystem::ParentExists(const std::u16string& key) const {
  std::size_t cut = key.rfind(u'\\');
  if (cut == std::u16string::npos) return false;
  std::u16string parent = key.substr(0, cut);
  // A drive root ("c:") always exists.
  if (parent.size() == 2 && parent[1] == u':') return true;
  return folders_.count(parent) != 0;
}

void FakeSystem::AddFolder(const std::u16string& path) {
  // Creates every folder along the path.
  std::u16string key = Key(path);
  for (std::size_t i = 0; i <= key.size(); ++i) {
    if (i == key.size() || key[i] == u'\\') {
      std::u16string part = key.substr(0, i);
      if (part.size() > 2 || (part.size() == 2 && part[1] != u':')) {
        if (!folders_.count(part)) folders_[part] = path.substr(0, i);
      }
    }
  }
}

void FakeSystem::AddFile(const std::u16string& path, const std::string& data) {
  std::u16string key = Key(path);
  std::size_t cut = key.rfind(u'\\');
  if (cut != std::u16string::npos) AddFolder(path.substr(0, cut));
  File file;
  file.path = path;
  file.data = data;
  files_[key] = file;
}

bool FakeSystem::HasFile(const std::u16string& path) const { return files_.count(Key(path)) != 0; }
bool FakeSystem::HasFolder(const std::u16string& path) const {
  return folders_.count(Key(path)) != 0;
}

FakeSystem::File* FakeSystem::FindFile(const std::u16string& path) {
  auto it = files_.find(Key(path));
  return it == files_.end() ? nullptr : &it->second;
}

const std::string& FakeSystem::FileData(const std::u16string& path) const {
  static const std::string kEmpty;
  auto it = files_.find(Key(path));
  return it == files_.end() ? kEmpty : it->second.data;
}

std::vector<std::u16string> FakeSystem::AllPaths() const {
  std::vector<std::u16string> paths;
  for (const auto& folder : folders_) paths.push_back(folder.first);
  for (const auto& file : files_) paths.push_back(file.first);
  std::sort(paths.begin(), paths.end());
  return paths;
}

// ---- Registry ---------------------------------------------------------------------------------

std::u16string FakeSystem::KeyPath(RegistryKey parent, const std::u16string& subkey) const {
  std::u16string base;
  if (const char16_t* root = RootName(parent)) {
    base = root;
  } else {
    auto it = openKeys_.find(parent);
    if (it == openKeys_.end()) return std::u16string();
    base = it->second;
  }
  return subkey.empty() ? base : base + u"\\" + subkey;
}

bool FakeSystem::OpenKey(RegistryKey parent, const std::u16string& subkey, uint32_t access,
                         RegistryKey* key) {
  std::u16string path = KeyPath(parent, subkey);
  calls.push_back("OpenKey " + ToUtf8(path));
  if (path.empty()) return false;
  std::u16string folded = FoldedRegistryPath(path);
  if ((access & kKeyWrite & ~kKeyRead) != 0) {
    for (const auto& denied : writeDeniedKeys) {
      if (FoldedRegistryPath(denied) == folded) return false;
    }
  }
  bool exists = (RootName(parent) != nullptr && subkey.empty()) || KeyExists(path);
  // Write access to a key that no test listed still succeeds: only denials are scripted.
  if (!exists && (access & kKeyWrite & ~kKeyRead) == 0) return false;
  *key = nextKey_++;
  openKeys_[*key] = path;
  return true;
}

bool FakeSystem::QueryValue(RegistryKey key, const std::u16string& name, uint32_t maxBytes,
                            uint32_t* type, std::string* data) {
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return false;
  std::u16string folded = FoldedRegistryPath(open->second);
  for (const auto& entry : registry) {
    if (FoldedRegistryPath(entry.first) != folded) continue;
    auto value = entry.second.find(name);
    if (value == entry.second.end()) return false;
    if (value->second.data.size() > maxBytes) return false;
    *type = value->second.type;
    *data = value->second.data;
    return true;
  }
  return false;
}

void FakeSystem::CloseKey(RegistryKey key) { openKeys_.erase(key); }

// A key exists when the registry holds it or any key below it.
bool FakeSystem::KeyExists(const std::u16string& path) const {
  std::u16string folded = FoldedRegistryPath(path);
  for (const auto& entry : registry) {
    std::u16string stored = FoldedRegistryPath(entry.first);
    if (stored == folded || stored.compare(0, folded.size() + 1, folded + u"\\") == 0) return true;
  }
  return false;
}

const std::map<std::u16string, FakeSystem::RegistryValue>* FakeSystem::KeyValues(
    const std::u16string& path) const {
  std::u16string folded = FoldedRegistryPath(path);
  for (const auto& entry : registry) {
    if (FoldedRegistryPath(entry.first) == folded) return &entry.second;
  }
  return nullptr;
}

// ---- Install actions ----------------------------------------------------------------------------

bool FakeSystem::CreateKeyAt(const std::u16string& path, RegistryKey* key) {
  if (path.empty()) return false;
  std::u16string folded = FoldedRegistryPath(path);
  for (const auto& denied : createDeniedKeys) {
    std::u16string stored = FoldedRegistryPath(denied);
    if (folded == stored || folded.compare(0, stored.size() + 1, stored + u"\\") == 0) {
      return false;
    }
  }
  if (KeyValues(path) == nullptr) registry[path];
  *key = nextKey_++;
  openKeys_[*key] = path;
  return true;
}

bool FakeSystem::CreateKey(RegistryKey parent, const std::u16string& subkey,
                           const std::u16string& keyClass, uint32_t options, uint32_t access,
                           RegistryKey* key) {
  std::u16string path = KeyPath(parent, subkey);
  calls.push_back("CreateKey " + ToUtf8(path));
  keysCreated.push_back({path, keyClass, options, access, false});
  return CreateKeyAt(path, key);
}

bool FakeSystem::CreateKeyDefaultAccess(RegistryKey parent, const std::u16string& subkey,
                                        RegistryKey* key) {
  std::u16string path = KeyPath(parent, subkey);
  calls.push_back("CreateKeyDefaultAccess " + ToUtf8(path));
  keysCreated.push_back({path, std::u16string(), 0, 0, true});
  return CreateKeyAt(path, key);
}

bool FakeSystem::OpenKeyDefaultAccess(RegistryKey parent, const std::u16string& subkey,
                                      RegistryKey* key) {
  std::u16string path = KeyPath(parent, subkey);
  calls.push_back("OpenKeyDefaultAccess " + ToUtf8(path));
  if (path.empty()) return false;
  if (!(RootName(parent) != nullptr && subkey.empty()) && !KeyExists(path)) return false;
  *key = nextKey_++;
  openKeys_[*key] = path;
  return true;
}

bool FakeSystem::SetValue(RegistryKey key, const std::u16string& name, uint32_t type,
                          const std::string& data) {
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return false;
  calls.push_back("SetValue " + ToUtf8(open->second) + " [" + ToUtf8(name) + "]");
  std::u16string folded = FoldedRegistryPath(open->second);
  for (auto& entry : registry) {
    if (FoldedRegistryPath(entry.first) == folded) {
      entry.second[name] = RegistryValue{type, data};
      return true;
    }
  }
  registry[open->second][name] = RegistryValue{type, data};
  return true;
}

bool FakeSystem::CreateFileIfMissing(const std::u16string& path) {
  calls.push_back("CreateFileIfMissing " + ToUtf8(path));
  std::u16string key = Key(path);
  auto it = files_.find(key);
  if (it != files_.end()) return !it->second.locked && !(it->second.attributes & 0x01);
  if (folders_.count(key) || !ParentExists(key)) return false;
  File file;
  file.path = path;
  files_[key] = file;
  return true;
}

namespace {

// "*" any run of characters, "?" any one character; ASCII letters compared without case.
bool MatchesPattern(const std::u16string& name, std::size_t n, const std::u16string& pattern,
                    std::size_t p) {
  if (p == pattern.size()) return n == name.size();
  if (pattern[p] == u'*') {
    for (std::size_t k = n; k <= name.size(); ++k) {
      if (MatchesPattern(name, k, pattern, p + 1)) return true;
    }
    return false;
  }
  if (n == name.size()) return false;
  if (pattern[p] != u'?' && FakeSystem::Key(name.substr(n, 1)) != FakeSystem::Key(pattern.substr(p, 1))) {
    return false;
  }
  return MatchesPattern(name, n + 1, pattern, p + 1);
}

}  // namespace

bool FakeSystem::FindFirstMatch(const std::u16string& pattern) {
  calls.push_back("FindFirstMatch " + ToUtf8(pattern));
  std::u16string key = Key(pattern);
  std::size_t cut = key.rfind(u'\\');
  if (cut == std::u16string::npos) return false;
  std::u16string folder = key.substr(0, cut + 1);
  std::u16string last = key.substr(cut + 1);
  auto matches = [&](const std::u16string& stored) {
    return stored.size() > folder.size() && stored.compare(0, folder.size(), folder) == 0 &&
           stored.find(u'\\', folder.size()) == std::u16string::npos &&
           MatchesPattern(stored, folder.size(), last, 0);
  };
  for (const auto& f : files_) {
    if (matches(f.first)) return true;
  }
  for (const auto& d : folders_) {
    if (matches(d.first)) return true;
  }
  return false;
}

SecurityDescriptor FakeSystem::CreateAccessDescriptor(const AccessEntry& entry) {
  calls.push_back("CreateAccessDescriptor");
  lastAccessEntry = entry;
  if (!securityAvailable) return kNoDescriptor;
  SecurityDescriptor descriptor = nextDescriptor_++;
  descriptors_.insert(descriptor);
  ++openDescriptors;
  return descriptor;
}

bool FakeSystem::SetFileSecurityNarrow(const std::string& path, uint32_t information,
                                       SecurityDescriptor descriptor) {
  calls.push_back("SetFileSecurity " + path + " " + std::to_string(information));
  if (!descriptors_.count(descriptor)) return false;
  return HasFile(Widen(path)) || HasFolder(Widen(path));
}

bool FakeSystem::SetKeySecurity(RegistryKey key, uint32_t information,
                                SecurityDescriptor descriptor) {
  auto open = openKeys_.find(key);
  std::string path = open == openKeys_.end() ? std::string("(not open)") : ToUtf8(open->second);
  calls.push_back("SetKeySecurity " + path + " " + std::to_string(information));
  return open != openKeys_.end() && descriptors_.count(descriptor) != 0;
}

void FakeSystem::FreeAccessDescriptor(SecurityDescriptor descriptor) {
  calls.push_back("FreeAccessDescriptor");
  if (descriptors_.erase(descriptor)) --openDescriptors;
}

// ---- Shortcuts, programs and libraries ---------------------------------------------------------

bool FakeSystem::InitializeCom() {
  calls.push_back("InitializeCom");
  if (comInitializeFails) return false;
  ++comInitializations;
  return true;
}

void FakeSystem::UninitializeCom() {
  calls.push_back("UninitializeCom");
  ++comUninitializations;
}

std::string FakeSystem::LinkFileText(const LinkRequest& link) {
  const ShellLinkTexts& t = link.texts;
  if (link.kind == LinkKind::kInternetShortcut) return "URL=" + ToUtf8(t.target);
  return "target=" + ToUtf8(t.target) + "|description=" + ToUtf8(t.description) +
         "|arguments=" + ToUtf8(t.arguments) + "|directory=" + ToUtf8(t.workingDirectory);
}

FakeSystem::LinkResult FakeSystem::SaveLink(const LinkRequest& link, bool persistFile) {
  links.push_back(link);
  calls.push_back("SaveLink " + ToUtf8(link.path));
  if (!linkObjectsAvailable) return LinkResult::kNotCreated;
  if (!persistFile) return LinkResult::kNoPersistFile;
  std::u16string key = Key(link.path);
  for (const std::u16string& failing : linkSaveFailures) {
    if (Key(failing) == key) return LinkResult::kFailed;
  }
  if (folders_.count(key) || !ParentExists(key)) return LinkResult::kFailed;
  AddFile(link.path, LinkFileText(link));
  return LinkResult::kSaved;
}

FakeSystem::LinkResult FakeSystem::SaveShellLink(const ShellLinkTexts& texts,
                                                 const std::u16string& path) {
  return SaveLink(LinkRequest{LinkKind::kShellLink, path, texts}, linkPersistFileAvailable);
}

FakeSystem::LinkResult FakeSystem::SaveShellLinkNarrow(const ShellLinkTextsNarrow& texts,
                                                       const std::u16string& path,
                                                       uint32_t* lastError) {
  ShellLinkTexts wide{Widen(texts.target), Widen(texts.description), Widen(texts.arguments),
                      Widen(texts.workingDirectory)};
  LinkResult result =
      SaveLink(LinkRequest{LinkKind::kShellLinkNarrow, path, wide}, linkPersistFileAvailable);
  if (result == LinkResult::kNoPersistFile) *lastError = linkLastError;
  return result;
}

FakeSystem::LinkResult FakeSystem::SaveInternetShortcut(const std::u16string& url,
                                                        const std::u16string& path) {
  ShellLinkTexts texts;
  texts.target = url;
  return SaveLink(LinkRequest{LinkKind::kInternetShortcut, path, texts}, true);
}

bool FakeSystem::StartProgram(const ProgramStart& request, ProcessHandle* process) {
  programStarts.push_back(request);
  calls.push_back("StartProgram " + ToUtf8(request.file));
  Program script;
  for (const auto& known : programs) {
    if (Key(known.first) == Key(request.file)) script = known.second;
  }
  if (script.startFails) return false;
  *process = kNoProcess;
  if (script.noProcess) return true;
  *process = nextProcess_++;
  processes_[*process] = RunningProgram{request.file, script, 0};
  ++openProcesses;
  return true;
}

bool FakeSystem::GetProcessExitCode(ProcessHandle process, uint32_t* code) {
  ++exitCodePolls;
  auto it = processes_.find(process);
  if (it == processes_.end()) return false;
  RunningProgram& running = it->second;
  ++running.polls;
  if (pollHandler) pollHandler(running.file, running.polls);
  if (running.script.exitCodeFails) return false;
  bool stillRunning = running.script.runningPolls < 0 || running.polls <= running.script.runningPolls;
  *code = stillRunning ? kStillActive : running.script.exitCode;
  return true;
}

void FakeSystem::CloseProcess(ProcessHandle process) {
  calls.push_back("CloseProcess");
  if (processes_.erase(process)) --openProcesses;
}

FakeSystem::LibraryHandle FakeSystem::LoadProgramLibrary(const std::u16string& path) {
  libraryCalls.push_back("Load " + ToUtf8(path));
  for (const auto& known : libraries) {
    if (Key(known.first) == Key(path)) {
      LibraryHandle handle = nextLibrary_++;
      loadedLibraries_[handle] = known.first;
      ++openLibraries;
      return handle;
    }
  }
  return kNoLibrary;
}

bool FakeSystem::CallExportedFunction(LibraryHandle library, const std::string& name) {
  auto it = loadedLibraries_.find(library);
  if (it == loadedLibraries_.end()) return false;
  if (!libraries[it->second].count(name)) return false;
  libraryCalls.push_back("Call " + name);
  return true;
}

void FakeSystem::FreeProgramLibrary(LibraryHandle library) {
  auto it = loadedLibraries_.find(library);
  if (it == loadedLibraries_.end()) return;
  libraryCalls.push_back("Free " + ToUtf8(it->second));
  loadedLibraries_.erase(it);
  --openLibraries;
}

// ---- Files ------------------------------------------------------------------------------------

FileHandle FakeSystem::OpenFile(const std::u16string& path, FileAccess access) {
  std::u16string key = Key(path);
  if (access == FileAccess::kCreateWrite) {
    calls.push_back("CreateFile " + ToUtf8(path));
    if (folders_.count(key) || !ParentExists(key)) return kNoFile;
    auto it = files_.find(key);
    if (it != files_.end()) {
      if (it->second.locked || (it->second.attributes & 0x01)) return kNoFile;
      it->second.data.clear();
    } else {
      File file;
      file.path = path;
      files_[key] = file;
    }
  } else {
    auto it = files_.find(key);
    if (it == files_.end()) return kNoFile;
    if (access == FileAccess::kReadWriteExisting && it->second.locked) return kNoFile;
  }
  FileHandle handle = nextHandle_++;
  handles_[handle] = OpenHandle{key, access != FileAccess::kRead, 0};
  ++openFiles;
  return handle;
}

FileHandle FakeSystem::OpenFileNarrow(const std::string& path, FileAccess access) {
  return OpenFile(Widen(path), access);
}

int64_t FakeSystem::ReadFile(FileHandle file, void* buffer, uint32_t count) {
  auto it = handles_.find(file);
  if (it == handles_.end()) return -1;
  auto f = files_.find(it->second.key);
  if (f == files_.end()) return -1;
  const std::string& data = f->second.data;
  int64_t pos = it->second.position;
  if (pos >= static_cast<int64_t>(data.size())) return 0;
  uint32_t n = static_cast<uint32_t>(std::min<int64_t>(count, static_cast<int64_t>(data.size()) - pos));
  std::memcpy(buffer, data.data() + pos, n);
  it->second.position += n;
  return n;
}

int64_t FakeSystem::WriteFile(FileHandle file, const void* buffer, uint32_t count) {
  auto it = handles_.find(file);
  if (it == handles_.end() || !it->second.writable) return -1;
  auto f = files_.find(it->second.key);
  if (f == files_.end()) return -1;
  if (diskSpaceBytes >= 0 && count > diskSpaceBytes) count = static_cast<uint32_t>(diskSpaceBytes);
  if (diskSpaceBytes >= 0) diskSpaceBytes -= count;
  std::string& data = f->second.data;
  std::size_t pos = static_cast<std::size_t>(it->second.position);
  if (data.size() < pos + count) data.resize(pos + count);
  std::memcpy(&data[pos], buffer, count);
  it->second.position += count;
  return count;
}

int64_t FakeSystem::SeekFile(FileHandle file, int64_t offset, SeekOrigin origin) {
  auto it = handles_.find(file);
  if (it == handles_.end()) return -1;
  int64_t base = 0;
  if (origin == SeekOrigin::kCurrent) base = it->second.position;
  if (origin == SeekOrigin::kEnd) base = static_cast<int64_t>(files_[it->second.key].data.size());
  if (base + offset < 0) return -1;
  it->second.position = base + offset;
  return it->second.position;
}

bool FakeSystem::CloseFile(FileHandle file) {
  if (!handles_.erase(file)) return false;
  --openFiles;
  return true;
}

// ---- Folders and properties -------------------------------------------------------------------

bool FakeSystem::CreateFolder(const std::u16string& path) {
  calls.push_back("CreateFolder " + ToUtf8(path));
  std::u16string key = Key(path);
  if (key.empty() || folders_.count(key) || files_.count(key) || !ParentExists(key)) return false;
  folders_[key] = path;
  return true;
}

bool FakeSystem::CreateFolderNarrow(const std::string& path) { return CreateFolder(Widen(path)); }

bool FakeSystem::RemoveFolder(const std::u16string& path) {
  calls.push_back("RemoveFolder " + ToUtf8(path));
  std::u16string key = Key(path);
  if (!folders_.count(key)) return false;
  std::u16string inside = key + u"\\";
  if (IsReparsePoint(path)) {
    // The link goes; what it showed below it belongs to its target, which is not modelled apart.
    for (auto it = files_.begin(); it != files_.end();) {
      it = it->first.compare(0, inside.size(), inside) == 0 ? files_.erase(it) : std::next(it);
    }
    for (auto it = folders_.begin(); it != folders_.end();) {
      it = it->first.compare(0, inside.size(), inside) == 0 ? folders_.erase(it) : std::next(it);
    }
    folders_.erase(key);
    return true;
  }
  for (const auto& f : files_) {
    if (f.first.compare(0, inside.size(), inside) == 0) return false;
  }
  for (const auto& d : folders_) {
    if (d.first.compare(0, inside.size(), inside) == 0) return false;
  }
  folders_.erase(key);
  return true;
}

bool FakeSystem::DeleteFile(const std::u16string& path) {
  calls.push_back("DeleteFile " + ToUtf8(path));
  auto it = files_.find(Key(path));
  if (it == files_.end() || it->second.locked || (it->second.attributes & 0x01)) return false;
  files_.erase(it);
  return true;
}

bool FakeSystem::ListFolder(const std::u16string& path, std::vector<FolderEntry>* entries) {
  entries->clear();
  std::u16string key = Key(path);
  if (!folders_.count(key)) return false;
  entries->push_back({u".", true});
  entries->push_back({u"..", true});
  std::u16string inside = key + u"\\";
  auto direct = [&](const std::u16string& other) {
    return other.compare(0, inside.size(), inside) == 0 &&
           other.find(u'\\', inside.size()) == std::u16string::npos;
  };
  for (const auto& d : folders_) {
    if (direct(d.first)) entries->push_back({d.second.substr(d.second.find_last_of(u"\\/") + 1), true});
  }
  for (const auto& f : files_) {
    if (direct(f.first)) {
      entries->push_back({f.second.path.substr(f.second.path.find_last_of(u"\\/") + 1), false});
    }
  }
  return true;
}

bool FakeSystem::CopyFile(const std::u16string& from, const std::u16string& to) {
  calls.push_back("CopyFile " + ToUtf8(from) + " -> " + ToUtf8(to));
  auto source = files_.find(Key(from));
  if (source == files_.end()) return false;
  std::u16string key = Key(to);
  if (!ParentExists(key) || folders_.count(key)) return false;
  auto existing = files_.find(key);
  if (existing != files_.end() && (existing->second.locked || (existing->second.attributes & 0x01))) {
    return false;
  }
  File copy = source->second;
  copy.path = to;
  copy.locked = false;
  files_[key] = copy;
  return true;
}

bool FakeSystem::SetFileAttributesNarrow(const std::string& path, uint32_t attributes) {
  File* file = FindFile(Widen(path));
  if (!file) return false;
  file->attributes = attributes;
  return true;
}

bool FakeSystem::SetFileDosTime(const std::string& path, uint16_t dosDate, uint16_t dosTime) {
  File* file = FindFile(Widen(path));
  if (!file || file->locked) return false;
  file->dosDate = dosDate;
  file->dosTime = dosTime;
  return true;
}

// ---- Process and system facts -----------------------------------------------------------------

std::u16string FakeSystem::ModuleFileName() { return moduleFileName.substr(0, 255); }

std::u16string FakeSystem::UniqueTempName(const std::u16string& prefix) {
  if (tempFolder.empty()) return std::u16string();
  return tempFolder + u"\\" + prefix + DecimalText(++tempCounter_) + u".tmp";
}

std::u16string FakeSystem::WindowsFolder() { return windowsFolder; }
std::u16string FakeSystem::SystemFolder() { return systemFolder; }

bool FakeSystem::QueryVersion(VersionRecord record, SystemVersion* out) {
  calls.push_back(record == VersionRecord::kExtended ? "QueryVersion extended"
                                                     : "QueryVersion basic");
  if (versionQueryFails) return false;
  if (record == VersionRecord::kExtended && extendedVersionQueryFails) return false;
  *out = version;
  return true;
}

bool FakeSystem::GetDiskFreeSpace(const std::u16string& root, DiskFreeSpace* space) {
  calls.push_back("GetDiskFreeSpace " + ToUtf8(root));
  auto it = drives.find(Key(root));
  if (it == drives.end()) return false;
  *space = it->second;
  return true;
}

// ---- DirectX facts ------------------------------------------------------------------------------

void FakeSystem::QueryDxDiagVersion(DxDiagVersion* out) {
  calls.push_back("QueryDxDiagVersion");
  *out = dxDiag;
}

int32_t FakeSystem::ReadFileVersion(const char16_t* path, uint64_t* version) {
  calls.push_back("ReadFileVersion " + (path ? ToUtf8(path) : std::string("(none)")));
  if (path == nullptr || version == nullptr) return kResultInvalidArgument;
  std::u16string key = Key(path);
  for (const auto& failure : fileVersionFailures) {
    if (Key(failure.first) == key) return failure.second;
  }
  for (const auto& known : fileVersions) {
    if (Key(known.first) == key) {
      *version = known.second;
      return kResultOk;
    }
  }
  return kResultFail;
}

// ---- User interface ---------------------------------------------------------------------------

int FakeSystem::ShowMessage(const std::u16string& text, const std::u16string& caption,
                            uint32_t style) {
  messages.push_back({text, caption, style});
  if (messageHandler) return messageHandler(messages.back());
  if (messageAnswers.empty()) return defaultMessageAnswer;
  int answer = messageAnswers.front();
  messageAnswers.pop_front();
  return answer;
}

void FakeSystem::CreateUiResources() { calls.push_back("CreateUiResources"); }
void FakeSystem::DestroyUiResources() { calls.push_back("DestroyUiResources"); }

int FakeSystem::RunPage(int dialogId) {
  pagesShown.push_back(dialogId);
  if (pageHandler) return pageHandler(dialogId);
  if (pageResults.empty()) return defaultPageResult;
  int result = pageResults.front();
  pageResults.pop_front();
  return result;
}

void FakeSystem::LoadPageBitmaps(const std::u16string& logoPath,
                                 const std::u16string& productPath) {
  calls.push_back("LoadPageBitmaps " + ToUtf8(logoPath) + " " + ToUtf8(productPath));
}

bool FakeSystem::ShellExecute(const std::u16string& verb, const std::u16string& file,
                              const std::u16string& parameters,
                              const std::u16string& directory) {
  shellExecutes.push_back({verb, file, parameters, directory});
  return shellExecuteSucceeds;
}

// ---- Threads ----------------------------------------------------------------------------------

namespace {

std::mutex& StartedThreadsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<std::thread>& StartedThreads() {
  static std::vector<std::thread> threads;
  return threads;
}

}  // namespace

void JoinFakeThreads() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(StartedThreadsMutex());
    threads.swap(StartedThreads());
  }
  for (std::thread& thread : threads) thread.join();
}

bool FakeSystem::StartThread(void (*entry)()) {
  calls.push_back("StartThread");
  if (threadStartFails) return false;
  if (threadsRunConcurrently) {
    std::lock_guard<std::mutex> lock(StartedThreadsMutex());
    StartedThreads().emplace_back(entry);
  } else if (threadsRunInline) {
    entry();
  }
  return true;
}

void FakeSystem::Sleep(uint32_t milliseconds) {
  sleptMilliseconds += milliseconds;
  if (threadsRunConcurrently) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// ---- Uninstaller ------------------------------------------------------------------------------

bool FakeSystem::DeleteValue(RegistryKey key, const std::u16string& name) {
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return false;
  calls.push_back("DeleteValue " + ToUtf8(open->second) + " [" + ToUtf8(name) + "]");
  std::u16string folded = FoldedRegistryPath(open->second);
  for (auto& entry : registry) {
    if (FoldedRegistryPath(entry.first) == folded) return entry.second.erase(name) != 0;
  }
  return false;
}

bool FakeSystem::DeleteKey(RegistryKey parent, const std::u16string& subkey) {
  std::u16string path = KeyPath(parent, subkey);
  calls.push_back("DeleteKey " + ToUtf8(path));
  if (path.empty() || subkey.empty() || !KeyExists(path)) return false;
  std::u16string folded = FoldedRegistryPath(path);
  for (const auto& entry : registry) {
    std::u16string stored = FoldedRegistryPath(entry.first);
    if (stored.compare(0, folded.size() + 1, folded + u"\\") == 0) return false;
  }
  for (auto it = registry.begin(); it != registry.end(); ++it) {
    if (FoldedRegistryPath(it->first) == folded) {
      registry.erase(it);
      break;
    }
  }
  return true;
}

bool FakeSystem::EnumerateSubkey(RegistryKey key, uint32_t index, std::u16string* name) {
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return false;
  std::u16string inside = FoldedRegistryPath(open->second) + u"\\";
  std::map<std::u16string, std::u16string> children;  // folded name -> spelling
  for (const auto& entry : registry) {
    std::u16string stored = FoldedRegistryPath(entry.first);
    if (stored.compare(0, inside.size(), inside) != 0) continue;
    std::size_t end = stored.find(u'\\', inside.size());
    std::size_t length = (end == std::u16string::npos ? stored.size() : end) - inside.size();
    children.emplace(stored.substr(inside.size(), length), entry.first.substr(inside.size(), length));
  }
  if (index >= children.size()) return false;
  auto it = children.begin();
  std::advance(it, index);
  *name = it->second;
  return true;
}

bool FakeSystem::IsReparsePoint(const std::u16string& path) {
  for (const std::u16string& link : reparsePoints) {
    if (Key(link) == Key(path)) return true;
  }
  return false;
}

bool FakeSystem::SetFileAttributesWide(const std::u16string& path, uint32_t attributes) {
  calls.push_back("SetFileAttributes " + ToUtf8(path));
  File* file = FindFile(path);
  if (!file) return false;
  file->attributes = attributes;
  return true;
}

bool FakeSystem::DeleteFileAtRestart(const std::u16string& path) {
  restartDeletions.push_back(path);
  return true;
}

std::u16string FakeSystem::ShellFolder(int csidl) {
  auto it = shellFolders.find(csidl);
  return it == shellFolders.end() ? std::u16string() : it->second;
}

std::u16string FakeSystem::CommandLine() { return commandLine; }

}  // namespace vorlax
