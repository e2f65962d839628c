# shellcheck shell=bash source=../harness_functions.sh
# The install stopped before the registry step: no value, no uninstall entry. The install folder
# holds only the permission step's folder: no log and no properties copy under any form of the
# hostile name. The permission step's key is removed for the next scenario.
readonly values='HKCU\Software\Vorlax Actions'
expect_no_reg_value "$values" Text
expect_no_reg_key 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
remove_reg_key "$values"
entries=$(ls -A "$VORLAX_DRIVE_C/Vorlax Demo")
if [ "$entries" != Shared ]; then echo "FAIL: the install folder holds: $entries"; exit 1; fi
echo "ok: the install folder holds only Shared"
