// Win32System: the installer's seam onto the real Windows calls.
//
// Each operation is one direct Win32 call (or the short fixed chain the seam names), with no
// decisions of its own: what to do with an answer is the core's business. Wide texts are passed
// as wchar_t, which is 16 bits on Windows, so a std::u16string's buffer is handed over as is.
//
// Trap: this header deliberately does not include <windows.h>. Its macros (DeleteFile, CopyFile,
// GetDiskFreeSpace, ShellExecute) would rename the seam's methods in whatever file includes both;
// include <windows.h> after this header, and never call those four methods from such a file.
#pragma once

#include <cstdint>

#include "platform/system.h"

namespace vorlax {

class Win32System : public System {
 public:
  Win32System();

  bool OpenKey(RegistryKey parent, const std::u16string& subkey, uint32_t access,
               RegistryKey* key) override;
  bool QueryValue(RegistryKey key, const std::u16string& name, uint32_t maxBytes, uint32_t* type,
                  std::string* data) override;
  void CloseKey(RegistryKey key) override;

  // In win32_install_actions.cpp.
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

  // In win32_shell_actions.cpp.
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

  // In win32_directx.cpp.
  void QueryDxDiagVersion(DxDiagVersion* version) override;
  int32_t ReadFileVersion(const char16_t* path, uint64_t* version) override;

  int ShowMessage(const std::u16string& text, const std::u16string& caption,
                  uint32_t style) override;
  void CreateUiResources() override;
  void DestroyUiResources() override;
  // DialogBoxParamW with the page procedure of dialogId (ui/win32/page_procedures.h); a template
  // id that is no page gets a procedure that ends with the first command it receives.
  int RunPage(int dialogId) override;
  void LoadPageBitmaps(const std::u16string& logoPath, const std::u16string& productPath) override;
  bool ShellExecute(const std::u16string& verb, const std::u16string& file,
                    const std::u16string& parameters, const std::u16string& directory) override;

  // In win32_uninstall_actions.cpp.
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

 private:
  uint32_t tempNameCounter_ = 0;
};

}  // namespace vorlax
