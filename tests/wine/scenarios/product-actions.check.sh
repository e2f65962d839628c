# shellcheck shell=bash source=../harness_functions.sh
# After product-actions.scenario: the registry values with their exact types and data, the uninstall
# entry, the links read back with lnkinfo, the internet shortcut's address and the access lists of
# the granted folder, file and key. The keys are removed at the end, so each run starts without them.
readonly values='HKCU\Software\Vorlax Actions'
readonly uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
readonly product="$VORLAX_DRIVE_C/Vorlax Demo"
expect_reg "$values" Text REG_SZ "hello world"
expect_reg "$values" Number REG_DWORD 0xfffffff4
expect_reg "$values" Bytes REG_BINARY DEADBE
expect_reg "$values" Copied REG_SZ "hello world"
expect_reg "$values" Readme REG_SZ present
expect_reg "$values" Missing REG_SZ absent
expect_reg "$values\\Open" Flag REG_DWORD 0x1
expect_reg "$values" FlagSet REG_SZ on
expect_reg "$uninstall" DisplayName REG_SZ "Vorlax  Demo & Co 1.0"
expect_reg "$uninstall" UninstallString REG_SZ '"C:\Vorlax Demo\uninst.exe" "C:\Vorlax Demo\Install.log"'
# Setup in the test library ran once (its trace file has one line).
cmp <(printf 'called\r\n') "$product/bin/vorlax-test-functions.dll.called"
echo "ok: Setup was called once"
expect_lnk "$product/Links/Marker.lnk" "Local path" 'C:\Vorlax Demo\bin\vorlax-launch-marker.exe' \
  "Command line arguments" '-a "b c"' "Working directory" 'C:\Vorlax Demo\bin' "Description" Marker
expect_lnk "$product/Links/Readme.lnk" "Local path" 'C:\Vorlax Demo\readme.txt' \
  "Working directory" 'C:\Vorlax Demo' "Description" 'Readme}'
expect_lnk "$product/Links/Kept.lnk" "Local path" 'C:\Vorlax Demo\docs\manual.txt'
expect_url "$product/Links/Web.url" 'http://example.invalid/vorlax?a=1&b=2'
wine_logged "$VORLAX_TOOLS/vorlax-actions-check.exe" folder 'C:\Vorlax Demo\Shared' \
  file 'C:\Vorlax Demo\Shared\settings.ini' key "$values\\Open"
remove_reg_key "$values"
remove_reg_key "$uninstall"
