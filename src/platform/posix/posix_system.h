// The seam for the native `vorlax` tool on Linux: files, folders, times and attributes for real,
// everything the tool never uses (registry, pages) answered as absent.
//
// Paths: wide paths become UTF-8; narrow paths are widened byte for byte first (so a cabinet name
// byte 0xE9 is the file name character U+00E9). A "\" in a path is a separator, like "/".
#pragma once

#include "platform/system.h"

namespace vorlax {

class PosixSystem : public System {
 public:
  bool OpenKey(RegistryKey parent, const std::u16string& subkey, uint32_t access,
               RegistryKey* key) override;
  bool QueryValue(RegistryKey key, const std::u16string& name, uint32_t maxBytes, uint32_t* type,
                  std::string* data) override;
  void CloseKey(RegistryKey key) override;

  // Absent here: no registry, no access lists; files are created, searches answer false.
  bool CreateKey(RegistryKey parent, const std::u16string& subkey, const std::u16string& keyClass,
                 uint32_t options, uint32_t access, RegistryKey* key) override;
  bool CreateKeyDefaultAccess(RegistryKey parent, const std::u16string& subkey,
                              RegistryKey* key) override;
  bool OpenKeyDefaultAccess(RegistryKey parent, const std::u16string& subkey,
                            RegistryKey* key) override;
  bool SetValue(RegistryKey key, const std::u16string& name, uint32_t type,
                const std::string& data) override;
  bool CreateFileIfMissing(const std::u16string& path) override;
  bool FindFirstMatch(const std::u16string& pattern) override;
  SecurityDescriptor CreateAccessDescriptor(const AccessEntry& entry) override;
  bool SetFileSecurityNarrow(const std::string& path, uint32_t information,
                             SecurityDescriptor descriptor) override;
  bool SetKeySecurity(RegistryKey key, uint32_t information,
                      SecurityDescriptor descriptor) override;
  void FreeAccessDescriptor(SecurityDescriptor descriptor) override;

  // Absent here: no COM, no shell links, no programs started, no libraries loaded.
  bool InitializeCom() override;
  void UninitializeCom() override;
  LinkResult SaveShellLink(const ShellLinkTexts& texts, const std::u16string& path) override;
  LinkResult SaveShellLinkNarrow(const ShellLinkTextsNarrow& texts, const std::u16string& path,
                                 uint32_t* lastError) override;
  LinkResult SaveInternetShortcut(const std::u16string& url, const std::u16string& path) override;
  bool StartProgram(const ProgramStart& request, ProcessHandle* process) override;
  bool GetProcessExitCode(ProcessHandle process, uint32_t* code) override;
  void CloseProcess(ProcessHandle process) override;
  LibraryHandle LoadProgramLibrary(const std::u16string& path) override;
  bool CallExportedFunction(LibraryHandle library, const std::string& name) override;
  void FreeProgramLibrary(LibraryHandle library) override;

  FileHandle OpenFile(const std::u16string& path, FileAccess access) override;
  FileHandle OpenFileNarrow(const std::string& path, FileAccess access) override;
  int64_t ReadFile(FileHandle file, void* buffer, uint32_t count) override;
  int64_t WriteFile(FileHandle file, const void* buffer, uint32_t count) override;
  int64_t SeekFile(FileHandle file, int64_t offset, SeekOrigin origin) override;
  bool CloseFile(FileHandle file) override;

  bool CreateFolder(const std::u16string& path) override;
  bool CreateFolderNarrow(const std::string& path) override;
  bool RemoveFolder(const std::u16string& path) override;
  bool DeleteFile(const std::u16string& path) override;
  bool ListFolder(const std::u16string& path, std::vector<FolderEntry>* entries) override;
  bool CopyFile(const std::u16string& from, const std::u16string& to) override;
  bool SetFileAttributesNarrow(const std::string& path, uint32_t attributes) override;
  bool SetFileDosTime(const std::string& path, uint16_t dosDate, uint16_t dosTime) override;

  std::u16string ModuleFileName() override;
  std::u16string UniqueTempName(const std::u16string& prefix) override;
  std::u16string WindowsFolder() override;
  std::u16string SystemFolder() override;
  bool QueryVersion(VersionRecord record, SystemVersion* version) override;
  bool GetDiskFreeSpace(const std::u16string& root, DiskFreeSpace* space) override;

  void QueryDxDiagVersion(DxDiagVersion* version) override;
  int32_t ReadFileVersion(const char16_t* path, uint64_t* version) override;

  int ShowMessage(const std::u16string& text, const std::u16string& caption,
                  uint32_t style) override;
  void CreateUiResources() override;
  void DestroyUiResources() override;
  int RunPage(int dialogId) override;
  void LoadPageBitmaps(const std::u16string& logoPath, const std::u16string& productPath) override;
  bool ShellExecute(const std::u16string& verb, const std::u16string& file,
                    const std::u16string& parameters, const std::u16string& directory) override;

  // Uninstaller operations: nothing of the kind exists here.
  bool DeleteValue(RegistryKey key, const std::u16string& name) override;
  bool DeleteKey(RegistryKey parent, const std::u16string& subkey) override;
  bool EnumerateSubkey(RegistryKey key, uint32_t index, std::u16string* name) override;
  bool IsReparsePoint(const std::u16string& path) override;
  bool SetFileAttributesWide(const std::u16string& path, uint32_t attributes) override;
  bool DeleteFileAtRestart(const std::u16string& path) override;
  std::u16string ShellFolder(int csidl) override;
  std::u16string CommandLine() override;

  bool StartThread(void (*entry)()) override;
  void Sleep(uint32_t milliseconds) override;
};

// The Linux path for an installer path: UTF-8, every "\" turned into "/".
std::string PosixPath(const std::u16string& path);

}  // namespace vorlax
