#!/usr/bin/env bash
# Checks the built installer stub: a PE32 Windows GUI program, importing only system DLLs, no larger
# than the 262,144 bytes the shipped layout reserves, not carrying the payload marker in its own
# bytes (a marker inside the stub would end the record chain inside the program image), and with
# its manifest (elevation request) and version information among its resources.
#
#   check_stub_image.sh OBJDUMP STUB
set -euo pipefail
readonly kMaxStubBytes=262144
readonly kSystemDlls="ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL SHELL32.DLL OLE32.DLL OLEAUT32.DLL VERSION.DLL"
objdump=$1 stub=$2
if [ ! -f "$stub" ]; then
  echo "SKIPPED: $stub is missing (build the Windows side first: scripts/build)"
  exit 77
fi
failed=0
headers=$("$objdump" -p "$stub")
grep -q 'Magic[[:space:]]*010b[[:space:]]*(PE32)' <<<"$headers" || { echo "not a PE32 image"; failed=1; }
grep -q 'Subsystem[[:space:]]*00000002[[:space:]]*(Windows GUI)' <<<"$headers" || { echo "not a GUI program"; failed=1; }
while read -r dll; do
  upper=${dll^^}
  if [[ " $kSystemDlls " != *" $upper "* ]]; then echo "imports a non-system DLL: $dll"; failed=1; fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
size=$(stat -c %s "$stub")
echo "stub size: $size bytes (limit $kMaxStubBytes)"
if [ "$size" -gt "$kMaxStubBytes" ]; then echo "the stub is larger than $kMaxStubBytes bytes"; failed=1; fi
if grep -qa '!vorlaxinstallersig!' "$stub"; then echo "the stub carries the payload marker"; failed=1; fi
if ! grep -qa 'level="requireAdministrator"' "$stub"; then echo "no manifest asking for elevation"; failed=1; fi
# Version strings are stored as UTF-16LE: each character followed by a zero byte.
description=$(printf 'vorlax installer' | sed 's/./&\\x00/g')
if ! grep -qaP "$description" "$stub"; then echo "no version information"; failed=1; fi
exit "$failed"
