# shellcheck shell=bash source=../harness_functions.sh
# The install folder holds only the permission step's folder: no log and no properties copy under
# any form of the hostile name. The permission step's key is removed for the next scenario.
remove_reg_key 'HKCU\Software\Vorlax Actions'
entries=$(ls -A "$VORLAX_DRIVE_C/Vorlax Demo")
if [ "$entries" != Shared ]; then echo "FAIL: the install folder holds: $entries"; exit 1; fi
echo "ok: the install folder holds only Shared"
