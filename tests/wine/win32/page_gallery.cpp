// page-gallery.exe: shows one installer page by its template id, with sample texts, a sample
// licence and readme, and two sample bitmaps, so the pages can be looked at (and screenshotted)
// on their own.
//
//   page-gallery.exe <template id> [--no-bitmaps] [--install-path PATH]
//
// Everything lives in a fresh "vorgallery" folder in the user's temporary folder, which plays the
// installer's temporary folder and is removed at the end. The progress pages (104, 107) are fed
// by a simulated task that walks through three files in about ten seconds and then finishes, so
// the pages close themselves. The page's result is the exit code and is printed as
// "result <id>"; the defines the options page stores are printed after it.
#include "base/text.h"
#include "driver/folders.h"
#include "driver/installer_state.h"
#include "platform/win32/win32_system.h"
#include "ui/page_ids.h"

#include <windows.h>
// This file calls the seam's DeleteFile (see the trap in win32_system.h).
#undef DeleteFile

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using vorlax::State;

struct SampleText {
  const char16_t* name;
  const char16_t* value;
};

const SampleText kSampleDefines[] = {
    {u"WELCOME_DIALOG_TITLE", u"Sample Game Setup"},
    {u"WELCOME_DIALOG_LINE1", u"Welcome to Sample Game"},
    {u"WELCOME_DIALOG_LINE2",
     u"This program installs Sample Game on your computer. Press Next to continue."},
    {u"WELCOME_DIALOG_DIRECTORY", u"The game will be installed in:"},
    {u"WELCOME_DIALOG_MENU_LOCATION", u"Program menu group:"},
    {u"OPTIONS_DIALOG_TITLE", u"Sample Game Setup - Options"},
    {u"OPTIONS_DIALOG_LINE1", u"Installation options"},
    {u"OPTIONS_DIALOG_DIRECTORY", u"Install folder:"},
    {u"OPTIONS_DIALOG_MENU_LOCATION", u"Program menu group:"},
    {u"LICENSE_DIALOG_TITLE", u"Sample Game Setup - Licence"},
    {u"LICENSE_DIALOG_LINE1", u"Licence agreement"},
    {u"INSTALL_DIALOG_TITLE", u"Sample Game Setup - Installing"},
    {u"INSTALL_DIALOG_LINE1", u"Installing Sample Game"},
    {u"INSTALL_DIALOG_EXTRACTING", u"Extracting"},
    {u"INSTALL_DIALOG_TOTAL_PROGRESS", u"Total progress:"},
    {u"LAUNCH_DIALOG_TITLE", u"Sample Game Setup - Finished"},
    {u"LAUNCH_DIALOG_LINE1", u"Installation complete"},
    {u"LAUNCH_DIALOG_LINE2", u"Sample Game has been installed in %InstallPath%."},
    {u"LAUNCH_DIALOG_LINE3", u"You can read the readme now or start the game."},
    {u"LAUNCH_DIALOG_LAUNCH_CHECK", u"Start Sample Game now"},
    {u"ABORT_DIALOG_TITLE", u"Sample Game Setup - Stopped"},
    {u"ABORT_DIALOG_LINE1", u"Installation stopped"},
    {u"ABORT_DIALOG_LINE2", u"Sample Game was not installed."},
    {u"ABORT_DIALOG_LINE3", u"Start the setup again to install it."},
    {u"BUTTON_NEXT", u"&Next >"},
    {u"BUTTON_BACK", u"< &Back"},
    {u"BUTTON_CANCEL", u"Cancel"},
    {u"BUTTON_CHANGE_SETTINGS", u"&Change settings..."},
    {u"BUTTON_BROWSE", u"B&rowse..."},
    {u"BUTTON_AGREE", u"I &agree"},
    {u"BUTTON_DONT_AGREE", u"I &don't agree"},
    {u"BUTTON_DONE", u"&Done"},
    {u"BUTTON_VIEW_README", u"View &readme"},
    {u"BUTTON_EXIT", u"E&xit"},
    {u"ABORT_POPUP_TEXT", u"Do you really want to stop the installation?"},
    {u"ABORT_POPUP_TITLE", u"Stop Sample Game Setup"},
    {u"SELECT_DIRECTORY", u"Choose the install folder"},
    {u"InstallPath", u"C:\\Games\\Sample Game"},
    {u"InstallGroup", u"Sample Game"},
};

constexpr char16_t kLicence[] =
    u"SAMPLE GAME LICENCE\r\n\r\nThis sample licence is shown by the page gallery. It is installed "
    u"to %InstallPath%.\r\n\r\n1. You may play the game.\r\n2. You may not sell it.\r\n3. There is "
    u"no warranty of any kind.\r\n\r\n4. Line four.\r\n5. Line five.\r\n6. Line six.\r\n";

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
  vorlax::System& system = *State().system;
  vorlax::FileHandle file = system.OpenFile(path, vorlax::FileAccess::kCreateWrite);
  if (file == vorlax::kNoFile) return false;
  const bool ok = system.WriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size())) ==
                  static_cast<int64_t>(bytes.size());
  system.CloseFile(file);
  return ok;
}

void PutLe(std::string* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A 24-bit bottom-up BMP file of width x height whose colour comes from pixel(x, y) as 0xRRGGBB.
template <typename Pixel>
std::string BitmapFile(int width, int height, Pixel pixel) {
  const int rowBytes = (width * 3 + 3) & ~3;
  const uint32_t imageBytes = static_cast<uint32_t>(rowBytes * height);
  std::string bmp = "BM";
  PutLe(&bmp, 14 + 40 + imageBytes, 4);
  PutLe(&bmp, 0, 4);
  PutLe(&bmp, 14 + 40, 4);
  PutLe(&bmp, 40, 4);
  PutLe(&bmp, static_cast<uint32_t>(width), 4);
  PutLe(&bmp, static_cast<uint32_t>(height), 4);
  PutLe(&bmp, 1, 2);
  PutLe(&bmp, 24, 2);
  for (int i = 0; i < 6; ++i) PutLe(&bmp, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      const uint32_t rgb = pixel(x, y);
      row.push_back(static_cast<char>(rgb & 0xFF));
      row.push_back(static_cast<char>((rgb >> 8) & 0xFF));
      row.push_back(static_cast<char>((rgb >> 16) & 0xFF));
    }
    row.resize(static_cast<size_t>(rowBytes), '\0');
    bmp += row;
  }
  return bmp;
}

void WriteSampleFiles(const std::u16string& folder) {
  WriteWholeFile(folder + u"\\license.txt", "\xFF\xFE" + vorlax::ToUtf16Le(kLicence));
  WriteWholeFile(folder + u"\\readme.txt", "Sample Game readme.\r\n");
  // Logo: a blue-to-green band with a dark frame, 160 x 60.
  WriteWholeFile(folder + u"\\logo.bmp", BitmapFile(160, 60, [](int x, int y) -> uint32_t {
                   if (x < 2 || y < 2 || x >= 158 || y >= 58) return 0x202040;
                   return static_cast<uint32_t>(0x30 + x / 2) |
                          (static_cast<uint32_t>(0x40 + y * 2) << 8);
                 }));
  // Product picture: the 100 x 50 of the frame's documented example, orange with a white cross.
  WriteWholeFile(folder + u"\\product.bmp", BitmapFile(100, 50, [](int x, int y) -> uint32_t {
                   if (x == 50 || y == 25) return 0xFFFFFF;
                   return 0xE08020;
                 }));
}

// The simulated background task of the progress pages: three files, then done.
void SimulatedTask() {
  vorlax::ExtractionProgress& progress = State().progress;
  const char* names[] = {"data\\levels.pak", "data\\music.ogg", "sample.exe"};
  int overall = 0;
  for (const char* name : names) {
    size_t i = 0;
    for (; name[i] != 0; ++i) progress.currentFileName[i] = name[i];
    progress.currentFileName[i] = 0;
    for (int percent = 0; percent <= 100; percent += 5) {
      progress.currentFilePercent = percent;
      progress.overallPercent = overall + percent / 3;
      Sleep(150);
    }
    overall += 33;
  }
  progress.overallPercent = 100;
  State().workerDone = true;
}

void PrintDefine(const char16_t* name) {
  std::printf("%s=%s\n", vorlax::ToUtf8(name).c_str(),
              vorlax::ToUtf8(State().defines.Get(name)).c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: page-gallery <template id> [--no-bitmaps] [--install-path PATH]\n");
    return -1;
  }
  const int page = static_cast<int>(std::wcstol(argv[1], nullptr, 10));
  bool bitmaps = true;
  const wchar_t* installPath = nullptr;
  for (int i = 2; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--no-bitmaps") == 0) bitmaps = false;
    if (std::wcscmp(argv[i], L"--install-path") == 0 && i + 1 < argc) installPath = argv[++i];
  }

  static vorlax::Win32System system;
  vorlax::InstallerState& state = State();
  state.system = &system;
  for (const SampleText& text : kSampleDefines) state.defines.Set(text.name, text.value);
  if (installPath) {
    state.defines.Set(u"InstallPath", reinterpret_cast<const char16_t*>(installPath));
  }
  state.savedInstallPath = state.defines.Get(u"InstallPath");
  state.savedInstallGroup = state.defines.Get(u"InstallGroup");
  state.tempDir = system.UniqueTempName(u"vorgallery");
  system.CreateFolder(state.tempDir);
  WriteSampleFiles(state.tempDir);
  state.config.LicenseTitle = u"license.txt";
  state.config.ReadmeTitle = u"readme.txt";

  system.CreateUiResources();
  if (bitmaps) system.LoadPageBitmaps(state.tempDir + u"\\logo.bmp", state.tempDir + u"\\product.bmp");
  if (page == IDD_ABORT_PAGE) state.installFailed = true;
  if (page == IDD_INSTALL_PAGE || page == IDD_SMALL_PROGRESS_PAGE) system.StartThread(SimulatedTask);

  const int result = system.RunPage(page);
  std::printf("result %d\n", result);
  PrintDefine(u"InstallPath");
  PrintDefine(u"InstallGroup");
  std::fflush(stdout);
  system.DestroyUiResources();
  vorlax::DeleteFolderTree(state.tempDir);
  return result;
}
