// Where `vorlax pack` finds the installer stubs it was built with.
//
// The stubs are not built into the tool: the tool for Linux is built without a Windows compiler,
// and one tool packs for both architectures. They are installed as "vorlax-setup-x86.exe" and
// "vorlax-setup-x64.exe" and looked for, in this order, beside the tool's own program and in
// "../share/vorlax/" from the tool's folder (the layout `cmake --install` makes). `--stub PATH`
// overrides the search. The uninstallers ("vorlax-uninstall-x86.exe", "vorlax-uninstall-x64.exe")
// that `vorlax pack --uninstaller` adds to a product are found the same way.
#pragma once

#include <string>
#include <vector>

namespace vorlax {

// "vorlax-setup-x86.exe" for "x86", "vorlax-setup-x64.exe" for "x64"; empty for anything else.
std::string StubFileName(const std::string& arch);

// The folders searched, in order, for a tool whose program is at toolPath.
std::vector<std::string> StubSearchFolders(const std::string& toolPath);

// The path of the running tool's own program (empty when the system does not tell).
std::string ToolProgramPath();

// The first stub for arch found in the search folders; empty when there is none, with
// *searched listing where it looked.
std::string FindStub(const std::string& arch, std::vector<std::string>* searched);

// "vorlax-uninstall-x86.exe" for "x86", "vorlax-uninstall-x64.exe" for "x64"; empty otherwise.
std::string UninstallerFileName(const std::string& arch);

// The first uninstaller for arch found in the search folders, as FindStub.
std::string FindUninstaller(const std::string& arch, std::vector<std::string>* searched);

// "x86" or "x64" from the machine field of a Windows program's header (IMAGE_FILE_HEADER);
// empty when the bytes are no such program or name another machine.
std::string ProgramArch(const std::string& programBytes);

}  // namespace vorlax
