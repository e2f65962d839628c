#include "support/sample_product.h"

#include "base/text.h"
#include "driver/installer_state.h"

namespace vorlax {

SampleProduct::SampleProduct()
    : props(u"<String id=\"ERROR\">Error</String>"
            u"<String id=\"FATAL_POPUP_TITLE\">Setup failed</String>"
            u"<String id=\"SPEC_PATH_LOCAL\">Not a local path</String>"
            u"<String id=\"SPEC_PATH_DRIVE\">No drive letter</String>"
            u"<String id=\"INVALID_PATH\">Bad path character</String>"
            u"<String id=\"INVALID_START_TITLE\">Start menu</String>"
            u"<String id=\"INVALID_START_BODY\">Bad group character</String>"
            u"<String id=\"INVALID_DRIVE\">Drive</String>"
            u"<String id=\"DIFF_PATH\">Choose another drive</String>"
            u"<String id=\"ERROR_WITH\">Error with</String>"
            u"<String id=\"INSUFFICIENT_SPACE_TITLE\">Disk full</String>"
            u"<String id=\"INSUFFICIENT_SPACE_BODY\">Not enough space</String>"
            u"<String id=\"UNINSTALL_ENSURE_NOT_RUNNING_TITLE\">In use</String>"
            u"<String id=\"UNINSTALL_ENSURE_NOT_RUNNING_TEXT\">Close %InstallName%</String>"
            u"<String id=\"DX_UPGRADE_TITLE\">DirectX %MinDXVer%</String>"
            u"<String id=\"DX_UPGRADE_TEXT\">Install DirectX %MinDXVer% or later</String>"),
      install(u"<RunExe>%InstallPath%\\demo.exe</RunExe>"
              u"<InstallLog>%InstallPath%\\Install.log</InstallLog>"),
      defines(u"<Define><Name>InstallName</Name><Value>Demo 1.0</Value></Define>"
              u"<Define><Name>InstallPath</Name><Value>C:\\Games\\Demo</Value></Define>"
              u"<Define><Name>InstallGroup</Name><Value>Demo</Value></Define>") {
  CabinetInputFile exe;
  exe.name = "demo.exe";
  exe.data = "MZ demo";
  CabinetInputFile data;
  data.name = "Data\\level1.dat";
  data.data = "level one";
  files = {exe, data};
}

std::string Utf16Document(const std::u16string& root, const std::u16string& body) {
  return std::string("\xFF\xFE", 2) + ToUtf16Le(u"<" + root + u">" + body + u"</" + root + u">");
}

std::string BuildSampleCabinet(const SampleProduct& product) {
  std::vector<CabinetInputFile> entries;
  auto add = [&entries](const std::string& name, const std::string& data) {
    CabinetInputFile file;
    file.name = name;
    file.data = data;
    entries.push_back(file);
  };
  if (!product.omitConfiguration) {
    if (!product.omitProps) add("cfg\\props.xml", Utf16Document(u"Properties", product.props));
    add("cfg\\install.xml", Utf16Document(u"InstallConfig", product.install));
    add("cfg\\defines.xml", Utf16Document(u"Defines", product.defines));
  }
  for (CabinetInputFile file : product.files) {
    file.name = "files\\" + file.name;
    entries.push_back(file);
  }
  std::vector<CabinetPart> parts;
  std::string error;
  if (!WriteCabinets(entries, CabinetWriterOptions(), &parts, &error)) return std::string();
  return parts[0].bytes;
}

void PlaceSampleCabinet(FakeSystem* fake, const SampleProduct& product) {
  InstallerState& state = State();
  state.tempDir = kSampleTempDir;
  state.cabinetPath = state.tempDir + u"\\files.cab";
  fake->AddFile(state.cabinetPath, BuildSampleCabinet(product));
}

}  // namespace vorlax
