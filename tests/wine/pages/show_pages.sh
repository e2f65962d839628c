#!/bin/bash
# Shows every installer page through page-gallery.exe under Wine, screenshots each one (PNG) and
# runs the page scenarios of this folder with the robot.
#
#   show_pages.sh WINDOWS_BUILD_DIR OUT_DIR
#
# WINDOWS_BUILD_DIR is a build folder of the win64 (or, on hosts that run 32-bit programs, win32)
# preset with page-gallery and vorlax-robot built. OUT_DIR gets page-<id>.png, browse.png and a
# Wine prefix of its own; a private Xvfb display is started and stopped by process id. The pages
# run inside a Wine virtual desktop, so the screenshots show the pages' captions and frames.
# Exit code: the number of page scenarios that failed (browse.scenario is for its screenshot only).
set -u
build=$(cd "$1" && pwd); out=$(mkdir -p "$2" && cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
gallery=$build/tests/robot/page-gallery.exe
robot=$build/tests/robot/vorlax-robot.exe
for program in "$gallery" "$robot"; do
  [ -f "$program" ] || { echo "show_pages: $program is missing"; exit 77; }
done
wine=/usr/lib/wine/wine64; [ -x "$wine" ] || wine=wine

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out/display" 2>/dev/null &
xvfb=$!
trap 'WINEPREFIX=$out/prefix timeout 30 wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null' EXIT
for _ in $(seq 50); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$out/display") WINEARCH=win64 WINEPREFIX=$out/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
timeout 120 "$wine" wineboot -i >/dev/null 2>&1
windows_path() { echo "Z:$1" | tr / '\\'; }
export VORLAX_GALLERY; VORLAX_GALLERY=$(windows_path "$gallery")

# shoot NAME DELAY PROGRAM ARGS...: runs PROGRAM in a virtual desktop, screenshots after DELAY s.
shoot() {
  local name=$1 delay=$2; shift 2
  timeout $((delay + 40)) "$wine" explorer /desktop=pages,1000x700 "$@" >"$out/$name.log" 2>&1 &
  local job=$!
  sleep "$delay"
  import -window root -crop 1000x700+0+0 +repage "$out/$name.png"
  kill "$job" 2>/dev/null; wait "$job" 2>/dev/null
  timeout 30 wineserver -k 2>/dev/null
}
for page in 101 102 103 106 108; do shoot "page-$page" 8 "$VORLAX_GALLERY" "$page"; done
shoot page-104 6 "$VORLAX_GALLERY" 104
shoot page-107 6 "$VORLAX_GALLERY" 107
shoot browse 16 "$(windows_path "$robot")" "$(windows_path "$here/browse.scenario")"

failed=0
for scenario in "$here"/*.scenario; do
  [ "$(basename "$scenario")" = browse.scenario ] && continue
  if timeout 120 "$wine" "$robot" "$(windows_path "$scenario")" >"$out/$(basename "$scenario").log" 2>&1; then
    echo "PASS $(basename "$scenario")"
  else
    echo "FAIL $(basename "$scenario") (see $out/$(basename "$scenario").log)"; failed=$((failed + 1))
  fi
done
exit "$failed"
