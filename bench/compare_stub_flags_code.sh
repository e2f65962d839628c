#!/usr/bin/env bash
# Compares the machine code of the cabinet library as the benchmarks build it (vorlax_cabinet in
# the native tree) with the copy built with the installer stub's flags (vorlax_cabinet_stub_flags,
# see extraction.cmake), object by object, disassembled without addresses' raw bytes.
# Identical code means the stub's extraction is the benchmarks' extraction on this target, so
# their speeds differ by measurement noise only; a difference names the objects to measure.
#
#   bench/compare_stub_flags_code.sh [native build folder]      (default build/native)
set -euo pipefail
tree=${1:-build/native}
ours_dir=$tree/CMakeFiles/vorlax_cabinet.dir/src/cabinet
stub_dir=$tree/bench/CMakeFiles/vorlax_cabinet_stub_flags.dir/__/src/cabinet
[ -d "$ours_dir" ] && [ -d "$stub_dir" ] || {
  echo "build $tree first (targets vorlax_cabinet and extraction_stub_flags_bench)" >&2; exit 2; }

disassemble() { objdump -d --no-show-raw-insn "$1" | tail -n +4; }
compared=0 differing=0
for ours in "$ours_dir"/*.o; do
  stub=$stub_dir/$(basename "$ours")
  if [ ! -f "$stub" ]; then echo "no stub-flags object for $(basename "$ours")" >&2; exit 2; fi
  compared=$((compared + 1))
  if ! cmp -s <(disassemble "$ours") <(disassemble "$stub"); then
    differing=$((differing + 1))
    echo "differs: $(basename "$ours" .o)"
  fi
done
echo "$compared cabinet objects compared, $differing with different machine code"
[ "$differing" -eq 0 ]
