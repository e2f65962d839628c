#!/usr/bin/env bash
# Checks how the Wine harness picks the architectures to test (`wine_harness.sh arches`), against
# stand-in loaders: one that starts and prints a Wine version, one image the kernel refuses ("Exec
# format error", as the 32-bit loader on a host without 32-bit support), one that starts but is no
# Wine, and a missing one; with and without VORLAX_WINE_ARCH. Needs no Wine.
#
#   check_arch_probe.sh HARNESS
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: check_arch_probe.sh HARNESS"; exit 2; }
harness=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

printf '#!/bin/sh\necho "wine-8.0 (stand-in)"\n' > "$scratch/runs"
# An ELF header naming no machine any kernel runs: execve refuses it with ENOEXEC.
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\377\377' > "$scratch/refused"
printf '#!/bin/sh\necho "not a loader"\n' > "$scratch/other"
chmod +x "$scratch/runs" "$scratch/refused" "$scratch/other"
# "missing" names a loader file that does not exist.

failed=0
# VORLAX_WINE_ARCH | 32-bit loader | 64-bit loader | exit code | printed architectures | on stderr
cases=(
  "|runs|runs|0|win32 win64|"
  "|refused|runs|0|win64|win32 programs cannot run on this host: .*Exec format error"
  "|runs|missing|0|win32|win64 programs cannot run on this host: .*No such file"
  "|other|runs|0|win64|win32 programs cannot run on this host: .*not a loader"
  "|refused|missing|1||no Windows architecture can run under Wine on this host [(]tried: win32 win64[)]"
  "win64|runs|runs|0|win64|"
  "win32|runs|runs|0|win32|"
  "win64|runs|refused|1||tried: win64, as VORLAX_WINE_ARCH asks"
  "win32|refused|runs|1||win32 programs cannot run on this host: .*Exec format error"
  "x86|runs|runs|1||VORLAX_WINE_ARCH is 'x86'; it must be win32 or win64"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r wanted loader32 loader64 want_status want_out want_err <<<"$entry"
  status=0
  out=$(VORLAX_WINE_ARCH=$wanted VORLAX_WINE32_LOADER=$scratch/$loader32 \
        VORLAX_WINE64_LOADER=$scratch/$loader64 bash "$harness" arches 2>"$scratch/err") || status=$?
  err=$(cat "$scratch/err")
  label="VORLAX_WINE_ARCH='$wanted', 32-bit loader $loader32, 64-bit loader $loader64"
  if [ "$status" != "$want_status" ] || [ "$out" != "$want_out" ]; then
    echo "FAIL $label: exit code $status, printed '$out'; expected $want_status, '$want_out'"
    failed=1
  fi
  if [ -n "$want_err" ] && ! grep -Eq "$want_err" <<<"$err"; then
    echo "FAIL $label: standard error lacks /$want_err/: $err"
    failed=1
  fi
  if [ -z "$want_err" ] && [ -n "$err" ]; then
    echo "FAIL $label: unexpected standard error: $err"
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "every case picked the expected architectures"
exit "$failed"
