// The sample product of the Wine scenarios: its cabinet, built from the checked-in files under
// tests/wine/product (configuration files in UTF-16LE as the installer reads them, the licence,
// the readme and the product's files) plus what is made here: the two page bitmaps, a larger
// data file that gives the progress bars something to show, and the launch marker program taken
// from the Windows build.
//
// Every product file carries a fixed DOS date and time and its attributes (one read-only file,
// one empty file); the scenarios check them on disk and compare the install log with the
// hand-written files in tests/wine/product/expected, which list the files in this order.
#pragma once

#include <string>

namespace scenarios {

// The variants the layouts name: "" (the product as shipped), "bad-props" (a properties file
// whose root element is wrong), "bad-install-end", "bad-install-element", "bad-defines-cut" and
// "bad-defines-missing" (install.xml or defines.xml damaged in one way each, or missing),
// "escaping-name" (an extra product entry "files\..\escaped.txt", whose name leaves the install
// folder), "win98" (the product as shipped, under its own installer name,
// so the Windows version Wine is told to show that program touches no other scenario), "actions"
// (install.xml and defines.xml from actions/, with every install action, and the test library
// vorlax-test-functions.dll from the Windows build as bin\vorlax-test-functions.dll, and its
// uninstaller vorlax-uninstall.exe as uninst.exe) and
// "actions-win98" (the same under its own installer name, for the Windows 98 scenario), and "large"
// (the product as shipped plus 300 small configuration files nothing reads and 1,000 product
// files of 4,096 bytes: enough files that under Wine each progress page stays on screen for
// seconds, for the cancels during an extraction).
bool BuildProductCabinet(const std::string& productDir, const std::string& launchMarker,
                         const std::string& variant, std::string* cabinet, std::string* error);

}  // namespace scenarios
