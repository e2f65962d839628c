#!/bin/sh
# Packing speed, size and peak memory of one product folder: `vorlax cab` (or, with --pack,
# `vorlax pack`) with each method given, beside `gcab -c -z` (MSZIP) and `7zz a -mx5` (LZMA, one
# thread), each run timed by /usr/bin/time. The runs alternate (every method once per round), so
# that a shared machine's load falls on all of them alike; per method the table gives the output
# size and the least and most processor (user + system) and elapsed seconds over the rounds, and the
# highest peak memory.
#
# Usage: bench/pack_bench.sh [--pack] PRODUCT_DIR ROUNDS METHOD...
#   METHOD: anything `--compress` takes (mszip, lzx:21, lzx:21:fast, ...), or gcab, or 7zz.
#   VORLAX: the tool (default build/native/packer/vorlax); STUB: the stub for --pack (default
#   build/win32/src/setup/vorlax-setup.exe; without one a placeholder "MZ" program is used, which
#   changes the installer's size by the stub's size only).
# Example: bench/make_product.py /tmp/product 64 && bench/pack_bench.sh /tmp/product 3 mszip lzx:21 gcab 7zz
set -eu

pack=0
if [ "${1:-}" = "--pack" ]; then pack=1; shift; fi
product=$(cd "${1:?usage: pack_bench.sh [--pack] PRODUCT_DIR ROUNDS METHOD...}" && pwd)
rounds=${2:?rounds}
shift 2
[ $# -gt 0 ] || { echo "pack_bench.sh: name at least one method" >&2; exit 2; }

here=$(cd "$(dirname "$0")/.." && pwd)
vorlax=$(realpath "${VORLAX:-$here/build/native/packer/vorlax}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stub=${STUB:-$here/build/win32/src/setup/vorlax-setup.exe}
if [ $pack = 1 ]; then
    if [ ! -f "$stub" ]; then
        stub=$work/placeholder-stub.exe
        printf 'MZ' > "$stub"
        echo "(no stub built: a 2-byte placeholder stub is used)"
    fi
    "$vorlax" init "$work/cfg" > /dev/null
fi
(cd "$product" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) > "$work/names"
input=$(cd "$product" && find . -type f -printf '%s\n' | awk '{s += $1} END {print s}')

run() {  # run METHOD OUTPUT: one timed run; appends "method bytes cpu elapsed peakKB" to results
    method=$1 output=$2
    rm -f "$output"
    case $method in
        gcab) (cd "$product" && /usr/bin/time -o "$work/time" -f '%U %S %e %M' \
                 xargs -a "$work/names" -d '\n' sh -c 'exec gcab -c -z "$0" "$@"' "$output" > /dev/null) ;;
        7zz) (cd "$product" && /usr/bin/time -o "$work/time" -f '%U %S %e %M' \
                 7zz a -mx5 -mmt1 -bd "$output" . > /dev/null) ;;
        *) if [ $pack = 1 ]; then
               /usr/bin/time -o "$work/time" -f '%U %S %e %M' "$vorlax" pack "$output" --config "$work/cfg" \
                   --files "$product" --stub "$stub" --compress "$method" > /dev/null 2>&1
           else
               (cd "$product" && /usr/bin/time -o "$work/time" -f '%U %S %e %M' \
                   xargs -a "$work/names" -d '\n' "$vorlax" cab "$output" --compress "$method" > /dev/null)
           fi ;;
    esac
    bytes=$(stat -c %s "$output")
    awk -v m="$method" -v b="$bytes" '{printf "%s %s %.2f %.2f %s\n", m, b, $1 + $2, $3, $4}' "$work/time" \
        >> "$work/results"
    rm -f "$output"
}

echo "product: $product, $input bytes, $(wc -l < "$work/names") files; $(nproc) processors; $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
round=1
while [ $round -le "$rounds" ]; do
    for method in "$@"; do run "$method" "$work/out.$round"; done
    round=$((round + 1))
done
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-14s %14s %7s %9s %9s %9s %9s %8s\n' method 'output bytes' 'size %' 'cpu min' 'cpu max' \
    'wall min' 'wall max' 'peak MB'
for method in "$@"; do
    awk -v m="$method" -v total="$input" '$1 == m {
            n++; b = $2; if (n == 1 || $3 < cl) cl = $3; if ($3 > ch) ch = $3;
            if (n == 1 || $4 < el) el = $4; if ($4 > eh) eh = $4; if ($5 > pk) pk = $5 }
        END { printf "%-14s %14d %6.2f%% %9.2f %9.2f %9.2f %9.2f %8.1f\n", m, b, 100 * b / total, cl, ch, el, eh, pk / 1024 }' \
        "$work/results"
done
