// The one seam between the installer's portable core and the operating system.
//
// Every effect outside the process goes through `System`: registry, files and folders, disk space,
// version queries, access lists, shell links and internet shortcuts, started programs and their
// exit codes, libraries, message boxes, modal pages, threads and sleeping. Operations are named after what the installer
// needs and take the arguments the Win32 call takes, so the Win32 implementation
// (platform/win32) is a thin mapping with no decisions of its own. platform/posix implements the file side for the native `vorlax`
// tool; tests/unit/support has a scripted fake for unit tests.
//
// Paths: wide paths are UTF-16; narrow paths are the 8-bit form of the cabinet layer (each byte
// the character of the same value). In both, "\" and "/" separate components.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlax {

// Registry keys are opaque handles; the four roots have the values Win32 gives them, so a key
// opened by the system and a root can be passed alike as the parent of another key.
using RegistryKey = uintptr_t;
constexpr RegistryKey kNoRegistryKey = 0;
constexpr RegistryKey kHkeyClassesRoot = 0x80000000u;
constexpr RegistryKey kHkeyCurrentUser = 0x80000001u;
constexpr RegistryKey kHkeyLocalMachine = 0x80000002u;
constexpr RegistryKey kHkeyUsers = 0x80000003u;

constexpr uint32_t kKeyRead = 0x20019;   // KEY_READ
constexpr uint32_t kKeyWrite = 0x20006;  // KEY_WRITE
constexpr uint32_t kKeyAllAccess = 0xF003F;       // KEY_ALL_ACCESS
constexpr uint32_t kRegOptionNonVolatile = 0;     // REG_OPTION_NON_VOLATILE

// A security descriptor made by System::CreateAccessDescriptor, opaque to the core.
using SecurityDescriptor = uintptr_t;
constexpr SecurityDescriptor kNoDescriptor = 0;
constexpr uint32_t kDaclSecurityInformation = 4;  // DACL_SECURITY_INFORMATION

// Registry value types, as stored.
enum RegistryValueType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

// Files are opaque handles; kNoFile is "not open".
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = -1;

enum class FileAccess {
  kRead,             // open an existing file for binary reading
  kCreateWrite,      // create or replace (truncate) for binary writing
  kReadWriteExisting // open an existing file for reading and writing (time stamps)
};

enum class SeekOrigin { kBegin = 0, kCurrent = 1, kEnd = 2 };

// One entry of a folder listing ("*.*" under the folder), "." and ".." included as the system
// reports them.
struct FolderEntry {
  std::u16string name;
  bool isFolder = false;
};

// ShellExecuteExW's fMask for configured programs (SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI),
// its show command (SW_SHOW), and GetExitCodeProcess's answer for a running process (STILL_ACTIVE).
constexpr uint32_t kSeeMaskNoCloseProcessNoUi = 0x440;
constexpr int32_t kSwShow = 5;
constexpr uint32_t kStillActive = 259;

// Message-box styles and answers used by the installer (the Win32 values).
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbOkCancel = 0x1;
constexpr uint32_t kMbYesNo = 0x4;
constexpr uint32_t kMbIconError = 0x10;
constexpr uint32_t kMbIconQuestion = 0x20;
constexpr uint32_t kMbIconExclamation = 0x30;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// The size GetVersionExW is told its record has: the extended record (OSVERSIONINFOEXW) or the
// basic one (OSVERSIONINFOW). Older systems refuse the extended size.
enum class VersionRecord : uint32_t { kExtended = 284, kBasic = 276 };

// What GetDiskFreeSpaceW reports of a drive.
struct DiskFreeSpace {
  uint32_t sectorsPerCluster = 0;
  uint32_t bytesPerSector = 0;
  uint32_t freeClusters = 0;
  uint32_t totalClusters = 0;
};

// What GetVersionExW reports of the running system.
struct SystemVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platformId = 0;  // 1 Windows 95/98/Me, 2 NT family
};

class System {
 public:
  virtual ~System() = default;

  // --- Registry -------------------------------------------------------------------------------
  // RegOpenKeyExW(parent, subkey, 0, access).
  virtual bool OpenKey(RegistryKey parent, const std::u16string& subkey, uint32_t access,
                       RegistryKey* key) = 0;
  // RegQueryValueExW into a buffer of maxBytes bytes; false when absent or larger than that.
  virtual bool QueryValue(RegistryKey key, const std::u16string& name, uint32_t maxBytes,
                          uint32_t* type, std::string* data) = 0;
  virtual void CloseKey(RegistryKey key) = 0;

  // --- Install actions: registry writes, access lists, file searches ----------------------------
  // RegCreateKeyExW(parent, subkey, 0, keyClass, options, access, no security attributes, key,
  // &disposition): creates the key (and missing keys along subkey) or opens the existing one.
  virtual bool CreateKey(RegistryKey parent, const std::u16string& subkey,
                         const std::u16string& keyClass, uint32_t options, uint32_t access,
                         RegistryKey* key) = 0;
  // RegCreateKeyW(parent, subkey, key): the same with the system's default access.
  virtual bool CreateKeyDefaultAccess(RegistryKey parent, const std::u16string& subkey,
                                      RegistryKey* key) = 0;
  // RegOpenKeyW(parent, subkey, key): opens an existing key with the system's default access.
  virtual bool OpenKeyDefaultAccess(RegistryKey parent, const std::u16string& subkey,
                                    RegistryKey* key) = 0;
  // RegSetValueExW(key, name, 0, type, data, data.size()); data holds the bytes as stored.
  virtual bool SetValue(RegistryKey key, const std::u16string& name, uint32_t type,
                        const std::string& data) = 0;
  // CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, none, OPEN_ALWAYS) and CloseHandle: the file
  // exists afterwards, created empty when it was missing; an existing file keeps its content.
  virtual bool CreateFileIfMissing(const std::u16string& path) = 0;
  // FindFirstFileW(pattern), then FindClose: true when the search found a file or folder.
  virtual bool FindFirstMatch(const std::u16string& pattern) = 0;

  // The access-list entry of a security descriptor that CreateAccessDescriptor builds: one
  // well-known group (identifier authority, one sub-authority) with its rights.
  struct AccessEntry {
    uint8_t identifierAuthority[6] = {0, 0, 0, 0, 0, 0};
    uint32_t subAuthority = 0;
    uint32_t accessRights = 0;
    uint32_t accessMode = 0;    // ACCESS_MODE
    uint32_t inheritance = 0;   // inheritance flags
    uint32_t trusteeForm = 0;   // TRUSTEE_FORM
    uint32_t trusteeType = 0;   // TRUSTEE_TYPE
  };
  // The seven security functions AllocateAndInitializeSid, SetEntriesInAclA,
  // InitializeSecurityDescriptor, SetSecurityDescriptorDacl, SetFileSecurityA, RegSetKeySecurity
  // and FreeSid looked up with GetProcAddress in "advapi32.dll" (LoadLibraryW); then
  // AllocateAndInitializeSid(authority, 1, subAuthority), SetEntriesInAclA(1, entry for that SID,
  // no previous list), an absolute descriptor (InitializeSecurityDescriptor, revision 1) with the
  // list as its present, non-defaulted discretionary list (SetSecurityDescriptorDacl). Each step
  // only when the previous ones succeeded; what was made before a failing step is freed again.
  // Answers kNoDescriptor when any step failed (a system without the functions included).
  virtual SecurityDescriptor CreateAccessDescriptor(const AccessEntry& entry) = 0;
  // SetFileSecurityA(path, information, descriptor) through the looked-up function.
  virtual bool SetFileSecurityNarrow(const std::string& path, uint32_t information,
                                     SecurityDescriptor descriptor) = 0;
  // RegSetKeySecurity(key, information, descriptor) through the looked-up function.
  virtual bool SetKeySecurity(RegistryKey key, uint32_t information,
                              SecurityDescriptor descriptor) = 0;
  // LocalFree of the access list, the descriptor's memory freed, FreeSid of the SID.
  virtual void FreeAccessDescriptor(SecurityDescriptor descriptor) = 0;

  // --- Shortcuts, external programs and their libraries -----------------------------------------
  // CoInitialize(NULL) on the calling thread; true when it succeeded (S_OK or S_FALSE), and only
  // then is UninitializeCom (CoUninitialize) owed.
  virtual bool InitializeCom() = 0;
  virtual void UninitializeCom() = 0;

  // What a shell link points to, as IShellLinkW (wide) or IShellLinkA (8-bit) take it.
  struct ShellLinkTexts {
    std::u16string target, description, arguments, workingDirectory;
  };
  struct ShellLinkTextsNarrow {
    std::string target, description, arguments, workingDirectory;
  };
  // How far a link save got: the object could not be created, it had no IPersistFile, a call on
  // it failed (a Set call or Save), or the file was saved.
  enum class LinkResult { kSaved, kNotCreated, kNoPersistFile, kFailed };
  // CoCreateInstance(CLSID_ShellLink, none, CLSCTX_INPROC_SERVER, IShellLinkW); SetPath,
  // SetDescription, SetArguments, SetWorkingDirectory in this order; QueryInterface(IPersistFile)
  // and Save(path, TRUE); every interface released. Each call only after the previous succeeded.
  virtual LinkResult SaveShellLink(const ShellLinkTexts& texts, const std::u16string& path) = 0;
  // The same through IShellLinkA with 8-bit texts (Save still takes the wide path). When
  // IPersistFile cannot be obtained, *lastError is GetLastError() read right after.
  virtual LinkResult SaveShellLinkNarrow(const ShellLinkTextsNarrow& texts,
                                         const std::u16string& path, uint32_t* lastError) = 0;
  // CoCreateInstance(CLSID_InternetShortcut, none, CLSCTX_INPROC_SERVER,
  // IUniformResourceLocatorW); SetURL(url, 0); QueryInterface(IPersistFile) and Save(path, TRUE);
  // every interface released. Each call only after the previous succeeded.
  virtual LinkResult SaveInternetShortcut(const std::u16string& url,
                                          const std::u16string& path) = 0;

  // A started program's process (kNoProcess: none, as when a document went to a running program).
  using ProcessHandle = uintptr_t;
  static constexpr ProcessHandle kNoProcess = 0;
  // The SHELLEXECUTEINFOW fields the installer sets (no window; empty texts are passed as empty
  // texts, not as none).
  struct ProgramStart {
    uint32_t mask = 0;  // fMask
    std::u16string verb, file, parameters, directory;
    int32_t show = 0;   // nShow
  };
  // ShellExecuteExW with a zeroed record of its own size holding request; true on a non-zero
  // answer, with *process the record's hProcess.
  virtual bool StartProgram(const ProgramStart& request, ProcessHandle* process) = 0;
  // GetExitCodeProcess(process, code); false when the call fails.
  virtual bool GetProcessExitCode(ProcessHandle process, uint32_t* code) = 0;
  virtual void CloseProcess(ProcessHandle process) = 0;  // CloseHandle

  // A library loaded for a configured function (kNoLibrary: not loaded).
  using LibraryHandle = uintptr_t;
  static constexpr LibraryHandle kNoLibrary = 0;
  virtual LibraryHandle LoadProgramLibrary(const std::u16string& path) = 0;  // LoadLibraryW
  // GetProcAddress(library, name) and, when found, a call of the function without arguments
  // (its result ignored); false when the library does not export name.
  virtual bool CallExportedFunction(LibraryHandle library, const std::string& name) = 0;
  virtual void FreeProgramLibrary(LibraryHandle library) = 0;  // FreeLibrary

  // --- Files (wide paths) -----------------------------------------------------------------------
  virtual FileHandle OpenFile(const std::u16string& path, FileAccess access) = 0;
  // --- Files (narrow paths: the cabinet layer's CreateFileA / _open family) ---------------------
  virtual FileHandle OpenFileNarrow(const std::string& path, FileAccess access) = 0;
  // Bytes read (0 at end of file), or -1.
  virtual int64_t ReadFile(FileHandle file, void* buffer, uint32_t count) = 0;
  // Bytes written, or -1.
  virtual int64_t WriteFile(FileHandle file, const void* buffer, uint32_t count) = 0;
  // New position from the start of the file, or -1. Positions are 64-bit.
  virtual int64_t SeekFile(FileHandle file, int64_t offset, SeekOrigin origin) = 0;
  virtual bool CloseFile(FileHandle file) = 0;

  // --- Folders and file properties -------------------------------------------------------------
  virtual bool CreateFolder(const std::u16string& path) = 0;              // CreateDirectoryW
  virtual bool CreateFolderNarrow(const std::string& path) = 0;           // CreateDirectoryA
  virtual bool RemoveFolder(const std::u16string& path) = 0;              // RemoveDirectoryW
  virtual bool DeleteFile(const std::u16string& path) = 0;                // DeleteFileW
  // FindFirstFileW / FindNextFileW over "*.*" under the folder; false when it cannot be listed.
  virtual bool ListFolder(const std::u16string& path, std::vector<FolderEntry>* entries) = 0;
  virtual bool CopyFile(const std::u16string& from, const std::u16string& to) = 0;  // replaces
  virtual bool SetFileAttributesNarrow(const std::string& path, uint32_t attributes) = 0;
  // CreateFileA + DosDateTimeToFileTime + LocalFileTimeToFileTime + SetFileTime (creation and
  // last write); each step only when the previous one succeeded.
  virtual bool SetFileDosTime(const std::string& path, uint16_t dosDate, uint16_t dosTime) = 0;

  // --- Process and system facts -----------------------------------------------------------------
  virtual std::u16string ModuleFileName() = 0;  // GetModuleFileNameW, at most 255 characters
  // A fresh unique path in the user's temporary folder whose last component begins with prefix
  // (not created).
  virtual std::u16string UniqueTempName(const std::u16string& prefix) = 0;
  virtual std::u16string WindowsFolder() = 0;   // GetWindowsDirectoryW, 256-character buffer
  virtual std::u16string SystemFolder() = 0;    // GetSystemDirectoryW, 256-character buffer
  // GetVersionExW with a zeroed record whose size field says record.
  virtual bool QueryVersion(VersionRecord record, SystemVersion* version) = 0;
  // GetDiskFreeSpaceW(root).
  virtual bool GetDiskFreeSpace(const std::u16string& root, DiskFreeSpace* space) = 0;

  // --- DirectX facts ---------------------------------------------------------------------------
  // What the DirectX diagnostic provider reported of the installed DirectX: each of the three
  // values with whether it was obtained. Values not obtained keep their defaults.
  struct DxDiagVersion {
    bool hasMajor = false;
    uint32_t major = 0;
    bool hasMinor = false;
    uint32_t minor = 0;
    bool hasLetter = false;
    char16_t letter = u' ';  // the first character of the letter text
  };
  // CoInitialize; CoCreateInstance of the DxDiag provider (class
  // {A65B8071-3BFE-4213-9A5B-491DA4461CA7}, in-process, interface IDxDiagProvider
  // {9C6B4CB0-23F8-49CC-A3ED-45A55000A6D2}); IDxDiagProvider::Initialize (a record of its own
  // size, 16 bytes on 32-bit Windows; header version 111, no WHQL checks, no reserved pointer);
  // the root container and its child "DxDiag_SystemInfo"; GetProp of "dwDirectXVersionMajor" and
  // "dwDirectXVersionMinor" (counted only as VT_UI4) and "szDirectXVersionLetter" (only as a
  // non-null VT_BSTR), each on its own; every interface released, and CoUninitialize when
  // CoInitialize succeeded. When a step before the properties fails, as without the provider
  // (DirectX before 9), nothing is obtained.
  virtual void QueryDxDiagVersion(DxDiagVersion* version) = 0;
  // GetFileVersionInfoSizeW(path), a buffer of that size, GetFileVersionInfoW and
  // VerQueryValueW(buffer, "\\"): the file's fixed version, most significant half in the high 32
  // bits. Answers 0 (version set), E_FAIL (no version resource, missing file, any failing call),
  // E_OUTOFMEMORY (no buffer) or E_INVALIDARG (path or version absent); the values are the
  // kResult* constants of actions/directx_check.h.
  virtual int32_t ReadFileVersion(const char16_t* path, uint64_t* version) = 0;

  // --- User interface --------------------------------------------------------------------------
  // MessageBoxW with no owner window; answers the id of the pressed button. An empty caption is
  // passed as none (the system's default caption).
  virtual int ShowMessage(const std::u16string& text, const std::u16string& caption,
                          uint32_t style) = 0;
  // InitCommonControls, AddFontResourceW("MSGOTHIC.TTC") and the shared brush and fonts.
  virtual void CreateUiResources() = 0;
  virtual void DestroyUiResources() = 0;
  // Shows modal page (dialog template id) with no owner; answers the id that ended it.
  virtual int RunPage(int dialogId) = 0;
  // LoadImageW(instance, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE) for the two
  // page bitmaps, kept in the shared UI resources; a file that does not load leaves its picture
  // absent.
  virtual void LoadPageBitmaps(const std::u16string& logoPath,
                               const std::u16string& productPath) = 0;
  // ShellExecuteW(no owner, verb, file, parameters or none, directory or none, SW_SHOWNORMAL);
  // true when the system reports success (a result above 32). Empty texts are passed as none.
  virtual bool ShellExecute(const std::u16string& verb, const std::u16string& file,
                            const std::u16string& parameters,
                            const std::u16string& directory) = 0;

  // --- Uninstaller: removal of registry values, keys and files; shell folders; command line ---
  // The message-box styles only the uninstaller uses (the Win32 values).
  static constexpr uint32_t kMbIconInformation = 0x40;
  static constexpr uint32_t kMbDefButton2 = 0x100;
  // RegDeleteValueW(key, name).
  virtual bool DeleteValue(RegistryKey key, const std::u16string& name) = 0;
  // RegDeleteKeyW(parent, subkey): removes a key that has no sub-keys (Windows NT refuses one
  // that has; Windows 95 would delete them too, which is why the core empties a key first).
  virtual bool DeleteKey(RegistryKey parent, const std::u16string& subkey) = 0;
  // RegEnumKeyExW(key, index, name buffer of 256 characters): the name of sub-key number index;
  // false past the last one or on any failure.
  virtual bool EnumerateSubkey(RegistryKey key, uint32_t index, std::u16string* name) = 0;
  // GetFileAttributesW(path) holds FILE_ATTRIBUTE_REPARSE_POINT: a junction or symbolic link,
  // whose removal (RemoveDirectoryW) removes the link and not what it points to.
  virtual bool IsReparsePoint(const std::u16string& path) = 0;
  // SetFileAttributesW(path, attributes).
  virtual bool SetFileAttributesWide(const std::u16string& path, uint32_t attributes) = 0;
  // MoveFileExW(path, none, MOVEFILE_DELAY_UNTIL_REBOOT): the file is deleted at the next start
  // of the system.
  virtual bool DeleteFileAtRestart(const std::u16string& path) = 0;
  // SHGetSpecialFolderPathW(no owner, buffer of 260 characters, csidl, FALSE); empty text when
  // the system does not know the folder.
  virtual std::u16string ShellFolder(int csidl) = 0;
  // GetCommandLineW: the process's whole command line as the system holds it.
  virtual std::u16string CommandLine() = 0;

  // --- Threads ---------------------------------------------------------------------------------
  // Starts entry on a new thread (default stack, no handle kept); false when it cannot start.
  virtual bool StartThread(void (*entry)()) = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace vorlax
