#include "platform/posix/posix_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "actions/directx_check.h"
#include "base/text.h"

namespace vorlax {

std::string PosixPath(const std::u16string& path) {
  std::string utf8 = ToUtf8(path);
  for (char& c : utf8) {
    if (c == '\\') c = '/';
  }
  return utf8;
}

namespace {

std::string NarrowPosixPath(const std::string& path) { return PosixPath(Widen(path)); }

FileHandle OpenPosix(const std::string& path, FileAccess access) {
  int flags = O_RDONLY;
  if (access == FileAccess::kCreateWrite) flags = O_WRONLY | O_CREAT | O_TRUNC;
  if (access == FileAccess::kReadWriteExisting) flags = O_RDWR;
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  // Never hand out descriptor 0 (free in a process started without standard input): the cabinet
  // layer reads a file handle of 0 as "no file" and would skip the file.
  if (fd == 0) {
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    fd = moved;
  }
  return fd < 0 ? kNoFile : static_cast<FileHandle>(fd);
}

}  // namespace

bool PosixSystem::OpenKey(RegistryKey, const std::u16string&, uint32_t, RegistryKey*) {
  return false;
}
bool PosixSystem::QueryValue(RegistryKey, const std::u16string&, uint32_t, uint32_t*, std::string*) {
  return false;
}
void PosixSystem::CloseKey(RegistryKey) {}

// The install actions' operations: Linux has no registry, no access lists of this kind and no
// installer file search; each answers absent.
bool PosixSystem::CreateKey(RegistryKey, const std::u16string&, const std::u16string&, uint32_t,
                            uint32_t, RegistryKey*) {
  return false;
}
bool PosixSystem::CreateKeyDefaultAccess(RegistryKey, const std::u16string&, RegistryKey*) {
  return false;
}
bool PosixSystem::OpenKeyDefaultAccess(RegistryKey, const std::u16string&, RegistryKey*) {
  return false;
}
bool PosixSystem::SetValue(RegistryKey, const std::u16string&, uint32_t, const std::string&) {
  return false;
}
bool PosixSystem::CreateFileIfMissing(const std::u16string&) { return false; }
bool PosixSystem::FindFirstMatch(const std::u16string&) { return false; }
SecurityDescriptor PosixSystem::CreateAccessDescriptor(const AccessEntry&) { return kNoDescriptor; }
bool PosixSystem::SetFileSecurityNarrow(const std::string&, uint32_t, SecurityDescriptor) {
  return false;
}
bool PosixSystem::SetKeySecurity(RegistryKey, uint32_t, SecurityDescriptor) { return false; }
void PosixSystem::FreeAccessDescriptor(SecurityDescriptor) {}

FileHandle PosixSystem::OpenFile(const std::u16string& path, FileAccess access) {
  return OpenPosix(PosixPath(path), access);
}

FileHandle PosixSystem::OpenFileNarrow(const std::string& path, FileAccess access) {
  return OpenPosix(NarrowPosixPath(path), access);
}

int64_t PosixSystem::ReadFile(FileHandle file, void* buffer, uint32_t count) {
  ssize_t n = ::read(static_cast<int>(file), buffer, count);
  return n < 0 ? -1 : n;
}

int64_t PosixSystem::WriteFile(FileHandle file, const void* buffer, uint32_t count) {
  ssize_t n = ::write(static_cast<int>(file), buffer, count);
  return n < 0 ? -1 : n;
}

int64_t PosixSystem::SeekFile(FileHandle file, int64_t offset, SeekOrigin origin) {
  int whence = origin == SeekOrigin::kBegin ? SEEK_SET : origin == SeekOrigin::kCurrent ? SEEK_CUR : SEEK_END;
  off_t pos = ::lseek(static_cast<int>(file), static_cast<off_t>(offset), whence);
  return pos < 0 ? -1 : static_cast<int64_t>(pos);
}

bool PosixSystem::CloseFile(FileHandle file) { return ::close(static_cast<int>(file)) == 0; }

bool PosixSystem::CreateFolder(const std::u16string& path) {
  return ::mkdir(PosixPath(path).c_str(), 0755) == 0;
}

bool PosixSystem::CreateFolderNarrow(const std::string& path) {
  return ::mkdir(NarrowPosixPath(path).c_str(), 0755) == 0;
}

bool PosixSystem::RemoveFolder(const std::u16string& path) {
  return ::rmdir(PosixPath(path).c_str()) == 0;
}

bool PosixSystem::DeleteFile(const std::u16string& path) {
  return ::unlink(PosixPath(path).c_str()) == 0;
}

bool PosixSystem::ListFolder(const std::u16string& path, std::vector<FolderEntry>* entries) {
  entries->clear();
  std::string folder = PosixPath(path);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  while (dirent* entry = ::readdir(dir)) {
    FolderEntry item;
    item.name = FromUtf8(entry->d_name);
    struct stat info;
    std::string full = folder + "/" + entry->d_name;
    item.isFolder = ::lstat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    entries->push_back(item);
  }
  ::closedir(dir);
  return true;
}

bool PosixSystem::CopyFile(const std::u16string& from, const std::u16string& to) {
  FileHandle in = OpenFile(from, FileAccess::kRead);
  if (in == kNoFile) return false;
  FileHandle out = OpenFile(to, FileAccess::kCreateWrite);
  if (out == kNoFile) {
    CloseFile(in);
    return false;
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    int64_t n = ReadFile(in, buffer, sizeof buffer);
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    if (WriteFile(out, buffer, static_cast<uint32_t>(n)) != n) {
      ok = false;
      break;
    }
  }
  CloseFile(in);
  return CloseFile(out) && ok;
}

bool PosixSystem::SetFileAttributesNarrow(const std::string& path, uint32_t attributes) {
  // Only the read-only bit has a meaning here: it becomes the absence of write permission.
  mode_t mode = (attributes & 0x01) ? 0444 : 0644;
  return ::chmod(NarrowPosixPath(path).c_str(), mode) == 0;
}

bool PosixSystem::SetFileDosTime(const std::string& path, uint16_t dosDate, uint16_t dosTime) {
  std::tm local = {};
  local.tm_year = 80 + (dosDate >> 9);
  local.tm_mon = ((dosDate >> 5) & 0x0F) - 1;
  local.tm_mday = dosDate & 0x1F;
  local.tm_hour = dosTime >> 11;
  local.tm_min = (dosTime >> 5) & 0x3F;
  local.tm_sec = (dosTime & 0x1F) * 2;
  local.tm_isdst = -1;
  std::time_t when = std::mktime(&local);
  if (when == static_cast<std::time_t>(-1)) return false;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // last access stays
  times[1].tv_sec = when;
  times[1].tv_nsec = 0;
  return ::utimensat(AT_FDCWD, NarrowPosixPath(path).c_str(), times, 0) == 0;
}

// Shortcuts, programs and libraries are the installer's alone; the tool answers "absent".
bool PosixSystem::InitializeCom() { return false; }
void PosixSystem::UninitializeCom() {}
System::LinkResult PosixSystem::SaveShellLink(const ShellLinkTexts&, const std::u16string&) {
  return LinkResult::kNotCreated;
}
System::LinkResult PosixSystem::SaveShellLinkNarrow(const ShellLinkTextsNarrow&,
                                                    const std::u16string&, uint32_t*) {
  return LinkResult::kNotCreated;
}
System::LinkResult PosixSystem::SaveInternetShortcut(const std::u16string&,
                                                     const std::u16string&) {
  return LinkResult::kNotCreated;
}
bool PosixSystem::StartProgram(const ProgramStart&, ProcessHandle*) { return false; }
bool PosixSystem::GetProcessExitCode(ProcessHandle, uint32_t*) { return false; }
void PosixSystem::CloseProcess(ProcessHandle) {}
System::LibraryHandle PosixSystem::LoadProgramLibrary(const std::u16string&) { return kNoLibrary; }
bool PosixSystem::CallExportedFunction(LibraryHandle, const std::string&) { return false; }
void PosixSystem::FreeProgramLibrary(LibraryHandle) {}

std::u16string PosixSystem::ModuleFileName() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n < 0) return std::u16string();
  return FromUtf8(std::string(buffer, static_cast<size_t>(n)));
}

std::u16string PosixSystem::UniqueTempName(const std::u16string& prefix) {
  static std::atomic<unsigned> counter{0};
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp && *tmp ? tmp : "/tmp";
  for (;;) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%d_%u", static_cast<int>(::getpid()), counter++);
    std::string candidate = base + "/" + ToUtf8(prefix) + suffix;
    struct stat info;
    if (::lstat(candidate.c_str(), &info) != 0) return FromUtf8(candidate);
  }
}

std::u16string PosixSystem::WindowsFolder() { return std::u16string(); }
std::u16string PosixSystem::SystemFolder() { return std::u16string(); }
bool PosixSystem::QueryVersion(VersionRecord, SystemVersion*) { return false; }
bool PosixSystem::GetDiskFreeSpace(const std::u16string&, DiskFreeSpace*) { return false; }

// Linux has neither the DirectX diagnostic provider nor version resources: nothing is obtained,
// and every readable-looking request answers E_FAIL.
void PosixSystem::QueryDxDiagVersion(DxDiagVersion* version) { *version = DxDiagVersion(); }
int32_t PosixSystem::ReadFileVersion(const char16_t* path, uint64_t* version) {
  if (path == nullptr || version == nullptr) return kResultInvalidArgument;
  return kResultFail;
}

int PosixSystem::ShowMessage(const std::u16string& text, const std::u16string& caption, uint32_t) {
  std::fprintf(stderr, "%s: %s\n", ToUtf8(caption).c_str(), ToUtf8(text).c_str());
  return kIdOk;
}

void PosixSystem::CreateUiResources() {}
void PosixSystem::DestroyUiResources() {}
int PosixSystem::RunPage(int) { return kIdCancel; }
void PosixSystem::LoadPageBitmaps(const std::u16string&, const std::u16string&) {}
bool PosixSystem::ShellExecute(const std::u16string&, const std::u16string&, const std::u16string&,
                               const std::u16string&) {
  return false;
}

bool PosixSystem::StartThread(void (*entry)()) {
  std::thread(entry).detach();
  return true;
}

void PosixSystem::Sleep(uint32_t milliseconds) { ::usleep(milliseconds * 1000u); }

// --- Uninstaller operations: absent on this system ----------------------------------------------
bool PosixSystem::DeleteValue(RegistryKey, const std::u16string&) { return false; }
bool PosixSystem::DeleteKey(RegistryKey, const std::u16string&) { return false; }
bool PosixSystem::EnumerateSubkey(RegistryKey, uint32_t, std::u16string*) { return false; }
bool PosixSystem::IsReparsePoint(const std::u16string&) { return false; }
bool PosixSystem::SetFileAttributesWide(const std::u16string&, uint32_t) { return false; }
bool PosixSystem::DeleteFileAtRestart(const std::u16string&) { return false; }
std::u16string PosixSystem::ShellFolder(int) { return std::u16string(); }
std::u16string PosixSystem::CommandLine() { return std::u16string(); }

}  // namespace vorlax
