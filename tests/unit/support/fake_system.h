// A scripted System for unit tests: answers come from the test, and every request the core made
// is recorded so the test can assert on it.
//
// Files and folders live in memory. Paths compare like Windows paths: "\" and "/" alike, ASCII
// letters case-insensitively; a stored file keeps the spelling it was created with.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/system.h"

namespace vorlax {

// Waits for every thread a FakeSystem started with threadsRunConcurrently.
void JoinFakeThreads();

class FakeSystem : public System {
 public:
  struct File {
    std::u16string path;  // as created
    std::string data;
    uint32_t attributes = 0x20;
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
    bool locked = false;  // opening it for writing or deleting it fails (a running program)
  };
  struct Message {
    std::u16string text;
    std::u16string caption;
    uint32_t style = 0;
  };
  struct RegistryValue {
    uint32_t type = kRegSz;
    std::string data;  // raw bytes as stored
  };

  // ---- Scripted answers --------------------------------------------------------------------
  // Registry: key path ("HKLM\SOFTWARE\...", roots HKLM, HKCU, HKCR, HKU) -> values by name.
  std::map<std::u16string, std::map<std::u16string, RegistryValue>> registry;
  // Keys (same spelling) whose opening with write access is refused: a user without
  // administrator rights has "HKLM\SOFTWARE" here.
  std::set<std::u16string> writeDeniedKeys;
  // Install actions: keys (same spelling) under which no key can be created (the key itself and
  // every key below it); whether the security functions are there (without them
  // CreateAccessDescriptor answers kNoDescriptor).
  std::set<std::u16string> createDeniedKeys;
  bool securityAvailable = true;
  std::deque<int> messageAnswers;  // answers to ShowMessage, in order; then defaultMessageAnswer
  int defaultMessageAnswer = kIdOk;
  std::deque<int> pageResults;     // results of RunPage, in order; then defaultPageResult
  int defaultPageResult = kIdCancel;
  SystemVersion version{5, 1, 2600, 2};
  bool versionQueryFails = false;          // both record sizes refused
  bool extendedVersionQueryFails = false;  // only the extended record refused (older systems)
  // Drives by root ("C:\\"), as GetDiskFreeSpace reports them; a root not listed fails.
  std::map<std::u16string, DiskFreeSpace> drives{
      {u"c:", DiskFreeSpace{8, 512, 0x100000, 0x200000}}};
  // DirectX: what QueryDxDiagVersion reports (by default 9.0, as on any machine with the
  // provider; NoDxDiag() for a machine without it), and ReadFileVersion's answers by path
  // (compared like paths): a version, or a scripted failure code. A path in neither map answers
  // E_FAIL, as a missing file does.
  DxDiagVersion dxDiag = DxDiagAnswer(9, 0);
  static DxDiagVersion NoDxDiag() { return DxDiagVersion(); }
  static DxDiagVersion DxDiagAnswer(uint32_t major, uint32_t minor, char16_t letter = u' ') {
    DxDiagVersion answer;
    answer.hasMajor = answer.hasMinor = answer.hasLetter = true;
    answer.major = major;
    answer.minor = minor;
    answer.letter = letter;
    return answer;
  }
  std::map<std::u16string, uint64_t> fileVersions;
  std::map<std::u16string, int32_t> fileVersionFailures;
  // When set, RunPage answers through it (after recording the page), so a test can act as the
  // page would (store defines, look at the state) before choosing the result.
  std::function<int(int dialogId)> pageHandler;
  // When set, ShowMessage answers through it (after recording the message), so a test can act
  // while a box is open (unlock a file before the user presses OK).
  std::function<int(const Message& message)> messageHandler;
  bool shellExecuteSucceeds = true;
  std::u16string moduleFileName = u"C:\\Games\\Setup\\setup.exe";
  std::u16string tempFolder = u"C:\\users\\player\\Temp";  // empty: no temporary names
  std::u16string windowsFolder = u"C:\\windows";
  std::u16string systemFolder = u"C:\\windows\\system32";
  bool threadsRunInline = true;  // StartThread runs the entry at once on the calling thread
  bool threadStartFails = false;  // StartThread answers false and runs nothing
  // StartThread starts the entry on a real thread (threadsRunInline is not looked at then), and
  // Sleep really waits a little, so that a test can run the main thread's side alongside it.
  // JoinFakeThreads() waits for every such thread. Only the started thread may call into the
  // fake meanwhile, except Sleep.
  bool threadsRunConcurrently = false;
  // Bytes WriteFile may still write, over all files; -1 means no limit. A write beyond it
  // writes what fits and answers that shorter count, as on a full disk.
  int64_t diskSpaceBytes = -1;

  // Shortcuts, programs and libraries. Links: whether the COM objects can be made, whether
  // they offer IPersistFile (else *lastError answers linkLastError), and paths (compared like
  // paths, with extension) whose save fails; a save also fails when the parent folder is
  // missing. A saved link becomes a file holding its description (see LinkFileText).
  bool linkObjectsAvailable = true;
  bool linkPersistFileAvailable = true;
  uint32_t linkLastError = 0;
  std::set<std::u16string> linkSaveFailures;
  bool comInitializeFails = false;
  // Programs by file (compared like paths): whether starting fails, whether a process comes back,
  // how many polls answer "still running" (-1: forever), and the exit code then. A file not
  // listed starts and ends at once with code 0. pollHandler runs on every exit-code poll (with
  // the file and the poll's number, from 1) before it answers, so a test can act meanwhile.
  struct Program {
    bool startFails = false;
    bool noProcess = false;
    bool exitCodeFails = false;
    int runningPolls = 0;
    uint32_t exitCode = 0;
  };
  std::map<std::u16string, Program> programs;
  std::function<void(const std::u16string& file, int poll)> pollHandler;
  // Libraries by path (compared like paths) with the names they export.
  std::map<std::u16string, std::set<std::string>> libraries;

  // Uninstaller: shell folders by CSIDL (a folder not listed answers empty text) and the
  // command line GetCommandLineW answers.
  std::map<int, std::u16string> shellFolders;
  std::u16string commandLine;
  // Folders (compared like paths) that are junctions: IsReparsePoint answers true for them, and
  // RemoveFolder removes one with whatever appears below it (the link, not its target).
  std::set<std::u16string> reparsePoints;

  // ---- What the core did ----------------------------------------------------------------------
  std::vector<Message> messages;
  struct ShellRequest {
    std::u16string verb, file, parameters, directory;
  };
  std::vector<ShellRequest> shellExecutes;
  std::vector<int> pagesShown;
  std::vector<std::string> calls;  // one line per notable request, e.g. "CreateFolder C:\\x"
  // Install actions: every key creation with its arguments; the access entry of the last
  // descriptor made; descriptors made and not yet freed.
  struct KeyCreation {
    std::u16string path;  // root name and subkey, as "HKLM\SOFTWARE\Vendor"
    std::u16string keyClass;
    uint32_t options = 0;
    uint32_t access = 0;
    bool defaultAccess = false;  // RegCreateKeyW rather than RegCreateKeyExW
  };
  std::vector<KeyCreation> keysCreated;
  AccessEntry lastAccessEntry;
  int openDescriptors = 0;
  // Shortcuts, programs and libraries: every link saved or tried, with its kind; every program
  // start request; processes started and not closed; one line per library request
  // ("Load <path>", "Call <name>", "Free <path>"); libraries loaded and not freed.
  enum class LinkKind { kShellLink, kShellLinkNarrow, kInternetShortcut };
  struct LinkRequest {
    LinkKind kind = LinkKind::kShellLink;
    std::u16string path;
    ShellLinkTexts texts;  // the 8-bit texts widened byte for byte; an address is the target
  };
  std::vector<LinkRequest> links;
  int comInitializations = 0;
  int comUninitializations = 0;
  std::vector<ProgramStart> programStarts;
  int openProcesses = 0;
  int exitCodePolls = 0;
  std::vector<std::string> libraryCalls;
  int openLibraries = 0;
  // The content of a saved link file.
  static std::string LinkFileText(const LinkRequest& link);
  // Uninstaller: files handed to DeleteFileAtRestart, in order.
  std::vector<std::u16string> restartDeletions;
  uint32_t sleptMilliseconds = 0;
  int openFiles = 0;

  // ---- Setting up and inspecting the in-memory disk -------------------------------------------
  void AddFile(const std::u16string& path, const std::string& data);
  void AddFolder(const std::u16string& path);
  bool HasFile(const std::u16string& path) const;
  bool HasFolder(const std::u16string& path) const;
  File* FindFile(const std::u16string& path);
  const std::string& FileData(const std::u16string& path) const;  // empty text when absent
  // Every path that exists (files and folders), in key order, for whole-disk assertions.
  std::vector<std::u16string> AllPaths() const;
  // Comparison key of a path: separators unified, ASCII folded to lower case, no trailing "\".
  static std::u16string Key(const std::u16string& path);

  // ---- System -----------------------------------------------------------------------------
  bool OpenKey(RegistryKey parent, const std::u16string& subkey, uint32_t access,
               RegistryKey* key) override;
  bool QueryValue(RegistryKey key, const std::u16string& name, uint32_t maxBytes, uint32_t* type,
                  std::string* data) override;
  void CloseKey(RegistryKey key) override;

  bool CreateKey(RegistryKey parent, const std::u16string& subkey, const std::u16string& keyClass,
                 uint32_t options, uint32_t access, RegistryKey* key) override;
  bool CreateKeyDefaultAccess(RegistryKey parent, const std::u16string& subkey,
                              RegistryKey* key) override;
  bool OpenKeyDefaultAccess(RegistryKey parent, const std::u16string& subkey,
                            RegistryKey* key) override;
  bool SetValue(RegistryKey key, const std::u16string& name, uint32_t type,
                const std::string& data) override;
  bool CreateFileIfMissing(const std::u16string& path) override;
  // Patterns may hold "*" and "?" in their last component.
  bool FindFirstMatch(const std::u16string& pattern) override;
  SecurityDescriptor CreateAccessDescriptor(const AccessEntry& entry) override;
  bool SetFileSecurityNarrow(const std::string& path, uint32_t information,
                             SecurityDescriptor descriptor) override;
  bool SetKeySecurity(RegistryKey key, uint32_t information,
                      SecurityDescriptor descriptor) override;
  void FreeAccessDescriptor(SecurityDescriptor descriptor) override;

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

  // The stored values of a key (spelling compared as the registry does), or null when the key
  // does not exist in the fake's registry.
  const std::map<std::u16string, RegistryValue>* KeyValues(const std::u16string& path) const;

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

  bool DeleteValue(RegistryKey key, const std::u16string& name) override;
  // Refuses a key that has sub-keys, as Windows NT does.
  bool DeleteKey(RegistryKey parent, const std::u16string& subkey) override;
  // Sub-keys in the order of their folded names.
  bool EnumerateSubkey(RegistryKey key, uint32_t index, std::u16string* name) override;
  bool IsReparsePoint(const std::u16string& path) override;
  bool SetFileAttributesWide(const std::u16string& path, uint32_t attributes) override;
  bool DeleteFileAtRestart(const std::u16string& path) override;
  std::u16string ShellFolder(int csidl) override;
  std::u16string CommandLine() override;

  bool StartThread(void (*entry)()) override;
  void Sleep(uint32_t milliseconds) override;

 private:
  struct OpenHandle {
    std::u16string key;
    bool writable = false;
    int64_t position = 0;
  };
  std::map<std::u16string, File> files_;
  std::map<std::u16string, std::u16string> folders_;  // key -> spelling
  std::map<FileHandle, OpenHandle> handles_;
  std::map<RegistryKey, std::u16string> openKeys_;
  FileHandle nextHandle_ = 100;
  RegistryKey nextKey_ = 0x1000;
  unsigned tempCounter_ = 0;

  bool ParentExists(const std::u16string& key) const;
  std::u16string KeyPath(RegistryKey parent, const std::u16string& subkey) const;
  bool KeyExists(const std::u16string& path) const;
  bool CreateKeyAt(const std::u16string& path, RegistryKey* key);
  LinkResult SaveLink(const LinkRequest& link, bool persistFile);
  struct RunningProgram {
    std::u16string file;
    Program script;
    int polls = 0;
  };
  std::map<ProcessHandle, RunningProgram> processes_;
  ProcessHandle nextProcess_ = 0x7000;
  std::map<LibraryHandle, std::u16string> loadedLibraries_;
  LibraryHandle nextLibrary_ = 0x9000;
  std::set<SecurityDescriptor> descriptors_;
  SecurityDescriptor nextDescriptor_ = 0x5000;
};

}  // namespace vorlax
