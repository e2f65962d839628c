# shellcheck shell=bash source=../harness_functions.sh
# After product-actions.uninstall.scenario: of the installation only what was kept on purpose is
# left: the saved games folder (with the game the scenario saved) and the settings key with its
# values. The uninstall entry, the other registry values, every file, link and folder are gone. The
# temporary copy of the uninstaller waits in the temporary folder for the next system start; it
# and the kept items are removed here, so the next scenario starts without them.
readonly values='HKCU\Software\Vorlax Actions'
readonly uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
readonly product="$VORLAX_DRIVE_C/Vorlax Demo"
expect_no_reg_key "$uninstall"
expect_reg "$values" Text REG_SZ "hello world"
expect_reg "$values\\Open" Flag REG_DWORD 0x1
left=$(cd "$product" && find . | LC_ALL=C sort | tr '\n' ' ')
if [ "$left" = ". ./Saves ./Saves/slot1.sav " ]; then
  echo "ok: only the saved games are left in the install folder"
else
  echo "FAIL: left in the install folder: $left"
  exit 1
fi
copies=$(find "$VORLAX_DRIVE_C/users" -maxdepth 3 -name 'vun*.exe' | wc -l)
if [ "$copies" -ge 1 ]; then
  echo "ok: the temporary copy waits for the next start"
else
  echo "FAIL: no temporary copy of the uninstaller in the temporary folder"
  exit 1
fi
find "$VORLAX_DRIVE_C/users" -maxdepth 3 -name 'vun*.exe' -delete
rm -rf "$product"
remove_reg_key "$values"
