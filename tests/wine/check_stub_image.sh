#!/usr/bin/env bash
# Checks a built installer stub: a Windows GUI program of its architecture (win32: an i686 PE32
# image, the stub that ships; win64: an x86-64 PE32+ image built from the same sources), importing
# only system DLLs, not carrying the payload marker in its own bytes (a marker inside the stub would
# end the record chain inside the program image), and with its manifest (elevation request) and
# version information among its resources. The shipped stub must be no larger than the 262,144
# bytes the shipped layout reserves; the x86-64 stub's size is only reported.
#
#   check_stub_image.sh ARCH OBJDUMP STUB
set -euo pipefail
readonly kMaxStubBytes=262144
readonly kShippedArch=win32
readonly kSystemDlls="ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL SHELL32.DLL OLE32.DLL OLEAUT32.DLL VERSION.DLL"
[ $# -eq 3 ] || { echo "usage: check_stub_image.sh win32|win64 OBJDUMP STUB"; exit 2; }
arch=$1 objdump=$2 stub=$3
case "$arch" in
  win32) format=pei-i386 magic=010b kind=PE32 ;;
  win64) format=pei-x86-64 magic=020b kind=PE32+ ;;
  *) echo "unknown architecture '$arch' (win32 or win64)"; exit 2 ;;
esac
if [ ! -f "$stub" ]; then
  echo "SKIPPED: $stub is missing (build the Windows side first: scripts/build)"
  exit 77
fi
failed=0
headers=$("$objdump" -p "$stub" 2>&1) || { echo "$objdump cannot read the stub: $headers"; exit 1; }
grep -q "file format $format\$" <<<"$headers" || { echo "not a $format image"; failed=1; }
grep -qF "$magic	($kind)" <<<"$(sed -n 's/^Magic[[:space:]]*//p' <<<"$headers")" ||
  { echo "not a $kind image"; failed=1; }
grep -q 'Subsystem[[:space:]]*00000002[[:space:]]*(Windows GUI)' <<<"$headers" || { echo "not a GUI program"; failed=1; }
while read -r dll; do
  upper=${dll^^}
  if [[ " $kSystemDlls " != *" $upper "* ]]; then echo "imports a non-system DLL: $dll"; failed=1; fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
size=$(stat -c %s "$stub")
if [ "$arch" = "$kShippedArch" ]; then
  echo "$arch stub size: $size bytes (limit $kMaxStubBytes)"
  if [ "$size" -gt "$kMaxStubBytes" ]; then echo "the stub is larger than $kMaxStubBytes bytes"; failed=1; fi
else
  echo "$arch stub size: $size bytes (not shipped: no limit)"
fi
if grep -qa '!vorlaxinstallersig!' "$stub"; then echo "the stub carries the payload marker"; failed=1; fi
if ! grep -qa 'level="requireAdministrator"' "$stub"; then echo "no manifest asking for elevation"; failed=1; fi
# Version strings are stored as UTF-16LE: each character followed by a zero byte.
description=$(printf 'vorlax installer' | sed 's/./&\\x00/g')
if ! grep -qaP "$description" "$stub"; then echo "no version information"; failed=1; fi
exit "$failed"
