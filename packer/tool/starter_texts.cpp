// The starter configuration's texts. Every id the installer shows (config_checker.cpp) has a
// text here; the tool test checks that `vorlax check` finds none missing.
#include "packer/tool/starter_texts.h"

#include <utility>
#include <vector>


namespace vorlax {
namespace {

// Id, English text (XML-escaped), in the order the installer meets them.
const std::vector<std::pair<const char*, const char*>> kPropertyTexts = {
    {"WELCOME_DIALOG_TITLE", "Welcome to %InstallName% Setup"},
    {"WELCOME_DIALOG_LINE1", "This program installs %InstallName% on your computer."},
    {"WELCOME_DIALOG_LINE2", "Click Next to install with the settings below, or Change Settings to choose others."},
    {"WELCOME_DIALOG_DIRECTORY", "Install folder:"},
    {"WELCOME_DIALOG_MENU_LOCATION", "Start menu folder:"},
    {"OPTIONS_DIALOG_TITLE", "Installation Settings"},
    {"OPTIONS_DIALOG_LINE1", "Choose where %InstallName% is installed and where its shortcuts go."},
    {"OPTIONS_DIALOG_DIRECTORY", "Install folder:"},
    {"OPTIONS_DIALOG_MENU_LOCATION", "Start menu folder:"},
    {"LICENSE_DIALOG_TITLE", "Licence Agreement"},
    {"LICENSE_DIALOG_LINE1", "Please read the licence. Click I Agree to continue the installation."},
    {"INSTALL_DIALOG_TITLE", "Installing %InstallName%"},
    {"INSTALL_DIALOG_LINE1", "Please wait while %InstallName% is installed."},
    {"INSTALL_DIALOG_EXTRACTING", "Copying files:"},
    {"INSTALL_DIALOG_TOTAL_PROGRESS", "Total progress:"},
    {"LAUNCH_DIALOG_TITLE", "Installation Complete"},
    {"LAUNCH_DIALOG_LINE1", "%InstallName% is installed in&cr;%InstallPath%."},
    {"LAUNCH_DIALOG_LINE2", "You can start it from the Start menu."},
    {"LAUNCH_DIALOG_LINE3", "Click Done to close Setup."},
    {"LAUNCH_DIALOG_LAUNCH_CHECK", "Start %InstallName% now"},
    {"ABORT_DIALOG_TITLE", "Installation Cancelled"},
    {"ABORT_DIALOG_LINE1", "%InstallName% was not installed."},
    {"ABORT_DIALOG_LINE2", "The files copied so far have been removed."},
    {"ABORT_DIALOG_LINE3", "Run Setup again to install %InstallName%."},
    {"BUTTON_NEXT", "Next &gt;"},
    {"BUTTON_BACK", "&lt; Back"},
    {"BUTTON_CANCEL", "Cancel"},
    {"BUTTON_DONE", "Done"},
    {"BUTTON_EXIT", "Exit"},
    {"BUTTON_VIEW_README", "View Readme"},
    {"BUTTON_CHANGE_SETTINGS", "Change Settings"},
    {"BUTTON_BROWSE", "Browse..."},
    {"BUTTON_DONT_AGREE", "I Do Not Agree"},
    {"BUTTON_AGREE", "I Agree"},
    {"FATAL_POPUP_TITLE", "%InstallName% Setup"},
    {"ABORT_POPUP_TITLE", "Cancel Setup"},
    {"ABORT_POPUP_TEXT", "Do you want to stop installing %InstallName%?"},
    {"DX_UPGRADE_TITLE", "DirectX Needed"},
    {"DX_UPGRADE_TEXT", "%InstallName% needs a newer version of DirectX. Do you want to open its download page?"},
    {"ADMIN_INSTALL", "Please run Setup as an administrator to install %InstallName%."},
    {"ERROR", "Error"},
    {"ERROR_WITH", "Error with"},
    {"INVALID_DRIVE", "Drive Not Available"},
    {"DIFF_PATH", "The drive of this folder cannot be read. Please choose another folder."},
    {"INVALID_PATH", "The folder name has a character that is not allowed."},
    {"INVALID_START_TITLE", "Invalid Start Menu Folder"},
    {"INVALID_START_BODY", "The Start menu folder name has a character that is not allowed."},
    {"INSUFFICIENT_SPACE_TITLE", "Not Enough Disk Space"},
    {"INSUFFICIENT_SPACE_BODY", "There is not enough free space on this drive. Please free some space or choose another folder."},
    {"SPEC_PATH_DRIVE", "Please give a full path starting with a drive letter, such as C:\\Games."},
    {"SPEC_PATH_LOCAL", "Please choose a folder on a local drive, not on the network."},
    {"SELECT_DIRECTORY", "Select the folder to install %InstallName% in:"},
    {"UNINSTALL_ENSURE_NOT_RUNNING_TITLE", "File In Use"},
    {"UNINSTALL_ENSURE_NOT_RUNNING_TEXT", "A file of %InstallName% is in use. Please close %InstallName% and try again."},
    // The uninstaller's texts (vorlax-uninstall.exe reads them from the copy beside the log).
    {"UNINSTALL_TITLE", "Uninstall %InstallName%"},
    {"UNINSTALL_CONFIRM_TEXT", "Do you want to remove %InstallName% and all of its components from your computer?"},
    {"UNINSTALL_KEEP_USER_DATA_TEXT", "Do you want to keep your saved games and settings?&cr;Choose No to delete them as well."},
    {"UNINSTALL_PROGRESS_TEXT", "Removing %InstallName%..."},
    {"UNINSTALL_DONE_TEXT", "%InstallName% was removed from your computer."},
    {"UNINSTALL_LEFT_TEXT", "These items could not be removed. You can delete them yourself:"},
    {"UNINSTALL_REFUSED_TEXT", "These items were not deleted, because deleting them could harm your computer:"},
    {"UNINSTALL_KEPT_TEXT", "Your saved games and settings were kept:"},
    {"UNINSTALL_BAD_LOG_TEXT", "The install log cannot be read, so nothing was removed."},
};

}  // namespace

std::string StarterProps() {
  std::string text =
      "<!-- props.xml: the texts the installer shows. Save as UTF-8 or UTF-16; `vorlax pack`\n"
      "     stores UTF-16. %NAME% is replaced by the define NAME (defines.xml or built in);\n"
      "     &cr; starts a new line, &lt; &gt; &amp; &quot; are < > & \". -->\n"
      "<Properties>\n";
  for (const auto& entry : kPropertyTexts) {
    text += std::string("  <String id=\"") + entry.first + "\">" + entry.second + "</String>\n";
  }
  text += "  <StringArray id=\"LANGUAGES\"><String>English</String></StringArray>\n</Properties>\n";
  return text;
}

std::string StarterDefines() {
  return "<!-- defines.xml: names you use as %NAME% in the other files. InstallName and\n"
         "     InstallPath are read by the installer itself: the product's name and the folder\n"
         "     offered for it. InstallGroup is the Start menu folder. -->\n"
         "<Defines>\n"
         "  <Define><Name>InstallName</Name><Value>My Product</Value></Define>\n"
         "  <Define><Name>InstallPath</Name><Value>%ProgramFiles%\\My Product</Value></Define>\n"
         "  <Define><Name>InstallGroup</Name><Value>My Product</Value></Define>\n"
         "  <Define><Name>Publisher</Name><Value>My Company</Value></Define>\n"
         "</Defines>\n";
}

std::string StarterInstall() {
  return "<!-- install.xml: what the installation does besides copying the files folder to\n"
         "     %InstallPath%. Every element is optional; see docs/configuration.md. -->\n"
         "<InstallConfig>\n"
         "  <!-- The licence shown before installing, and the readme the last page can open;\n"
         "       both are files of this folder. -->\n"
         "  <LicenseTitle>licence.txt</LicenseTitle>\n"
         "  <ReadmeTitle>readme.txt</ReadmeTitle>\n"
         "  <!-- The log of what was installed, which the uninstaller reads. -->\n"
         "  <InstallLog>%InstallPath%\\install.log</InstallLog>\n"
         "  <!-- The program the last page offers to start (uncomment and name yours); without\n"
         "       RunExe the installer ends when the files are in place, with no last page.\n"
         "  <RunExe>%InstallPath%\\MyProduct.exe</RunExe> -->\n"
         "  <Registry>\n"
         "    <!-- TypeNum 0: text (REG_SZ); 1: number (REG_DWORD); 2: binary (hexadecimal pairs). -->\n"
         "    <RegValue><Key>HKCU\\Software\\%Publisher%\\%InstallName%</Key><Name>Path</Name>"
         "<Value>%InstallPath%</Value><TypeNum>0</TypeNum></RegValue>\n"
         "  </Registry>\n"
         "  <Shortcuts>\n"
         "    <!-- A Start menu shortcut to the readme (change Target to your program). Dest is the\n"
         "         shortcut's path without extension: the installer adds .lnk (.url for http://). -->\n"
         "    <Shortcut><Dest>%AppFolder%\\Readme</Dest><Target>%InstallPath%\\readme.txt</Target></Shortcut>\n"
         "  </Shortcuts>\n"
         "  <!-- The entry in the system's list of programs, which starts the uninstaller on the log\n"
         "       (uncomment it, and have `vorlax pack` add the uninstaller as uninst.exe).\n"
         "  <UninstallCmd>&quot;%InstallPath%\\uninst.exe&quot; &quot;%InstallPath%\\install.log&quot;</UninstallCmd> -->\n"
         "  <!-- What the uninstaller removes. -->\n"
         "  <UninstallDeltree>%InstallPath%</UninstallDeltree>\n"
         "  <UninstallDeltree>%AppFolder%</UninstallDeltree>\n"
         "  <UninstallDelRegKey>HKCU\\Software\\%Publisher%\\%InstallName%</UninstallDelRegKey>\n"
         "</InstallConfig>\n";
}

std::string StarterLicence() {
  return "LICENCE AGREEMENT\r\n\r\nReplace this text with the licence of your product.\r\n";
}

std::string StarterReadme() { return "Replace this text with your product's readme.\r\n"; }

}  // namespace vorlax
