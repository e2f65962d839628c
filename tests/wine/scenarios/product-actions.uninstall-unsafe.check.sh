# shellcheck shell=bash source=../harness_functions.sh
# After product-actions.uninstall-unsafe.scenario: the drive root was refused, so the system's
# folders are all there; the uninstall entry and the logged files are gone, the held file is not.
# Everything the run left is removed here, so the next scenario starts without it.
readonly values='HKCU\Software\Vorlax Actions'
readonly uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
readonly product="$VORLAX_DRIVE_C/Vorlax Demo"
for kept in windows windows/system32 users "Program Files" ProgramData; do
  if [ -d "$VORLAX_DRIVE_C/$kept" ]; then
    echo "ok: C:\\$kept is still there"
  else
    echo "FAIL: C:\\$kept is gone"
    exit 1
  fi
done
expect_no_reg_key "$uninstall"
if [ -f "$product/readme.txt" ] && [ ! -e "$product/docs/manual.txt" ]; then
  echo "ok: the held file is left, the others are gone"
else
  echo "FAIL: the install folder is not as expected"
  exit 1
fi
find "$VORLAX_DRIVE_C/users" -maxdepth 3 -name 'vun*.exe' -delete
rm -rf "$product"
remove_reg_key "$values"
