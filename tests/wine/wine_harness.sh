#!/usr/bin/env bash
# The Wine end-to-end harness: one virtual display and one Wine prefix per test run, and the
# scenarios run against the real installer stub by the robot.
#
#   wine_harness.sh setup   WORKDIR
#   wine_harness.sh run     WORKDIR MAKER STUB ROBOT LAYOUT SCENARIO
#   wine_harness.sh exec    WORKDIR PROGRAM [deep]
#   wine_harness.sh cleanup WORKDIR
#
# setup starts Xvfb (it picks a free display itself and reports it through -displayfd), creates a
# fresh prefix under WORKDIR with `wineboot -i`, and makes the sample cabinet with gcab. run builds
# the scenario's installer with MAKER (LAYOUT-in-deep-folder: placed in a folder whose path is over
# 255 characters), then runs ROBOT with SCENARIO on it under Wine; its exit code
# is the robot's. exec runs a Windows console PROGRAM in the prefix and passes on its exit code;
# with "deep" it runs a copy placed in a folder whose path is over 255 characters long.
# cleanup ends the prefix's wineserver (and with it every program still running in the prefix) and
# the Xvfb this harness started, by its process id, and removes the prefix (kept when
# VORLAX_KEEP_WINE_PREFIX=1). Every step is bounded by `timeout`. Exit code 77 means "skipped".
set -euo pipefail

readonly kSkipped=77
readonly kBootTimeout=300
readonly kRobotTimeout=240
readonly kDisplayWaitSteps=100   # x 0.1 s
# The small drive of the full-drive scenarios: a tmpfs far smaller than the sample product,
# mapped as drive S: in the prefix. Missing-drive scenarios use Q:, which is never mapped.
readonly kSmallDriveSize=256k
readonly kSmallDriveLetter=s:

wine_environment() {
  local workdir=$1
  export WINEPREFIX="$workdir/prefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
  export WINEARCH=win32
  # Wine links the prefix's user folders to the home folder; a bare CI environment may lack one.
  export HOME=${HOME:-$workdir}
  DISPLAY=":$(cat "$workdir/display")"
  export DISPLAY
}

# The Windows form of a Linux path (Wine's drive Z: is the Linux root).
windows_path() {
  printf 'Z:%s' "${1//\//\\}"
}

stop_xvfb() {
  local workdir=$1
  [ -f "$workdir/xvfb.pid" ] || return 0
  local pid
  pid=$(cat "$workdir/xvfb.pid")
  if kill -0 "$pid" 2>/dev/null && [ "$(cat /proc/"$pid"/comm 2>/dev/null)" = Xvfb ]; then
    kill "$pid"
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid"
  fi
  rm -f "$workdir/xvfb.pid"
}

stop_wineserver() {
  local workdir=$1
  [ -d "$workdir/prefix" ] && [ -f "$workdir/display" ] || return 0
  (wine_environment "$workdir"; timeout 30 wineserver -k 2>/dev/null || true)
}

start_xvfb() {
  local workdir=$1
  : > "$workdir/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$workdir/display" \
    >"$workdir/xvfb.log" 2>&1 &
  echo $! > "$workdir/xvfb.pid"
  for _ in $(seq "$kDisplayWaitSteps"); do
    [ -s "$workdir/display" ] && return 0
    sleep 0.1
  done
  echo "wine_harness: Xvfb did not report a display (see $workdir/xvfb.log)"
  return 1
}

make_sample_cabinet() {
  local workdir=$1
  mkdir -p "$workdir/content"
  printf 'vorlax end-to-end sample file\r\n' > "$workdir/content/readme.txt"
  (cd "$workdir/content" && gcab -c "$workdir/sample.cab" readme.txt)
}

# A small filesystem as drive S: of the prefix. Mounting needs root; without it the scenarios
# that need the drive (a "# needs: small-drive" line) are skipped.
mount_small_drive() {
  local workdir=$1
  mkdir -p "$workdir/small-drive"
  if mount -t tmpfs -o size="$kSmallDriveSize" vorlax-small-drive "$workdir/small-drive" 2>/dev/null; then
    ln -sfn "$workdir/small-drive" "$workdir/prefix/dosdevices/$kSmallDriveLetter"
  else
    echo "wine_harness: cannot mount a small filesystem (not root?): full-drive scenarios will be skipped"
  fi
}

unmount_small_drive() {
  local workdir=$1
  if mountpoint -q "$workdir/small-drive" 2>/dev/null; then umount "$workdir/small-drive" || true; fi
}

setup() {
  local workdir=$1
  # Leftovers of an interrupted earlier run in this folder are this harness's own.
  stop_wineserver "$workdir"
  stop_xvfb "$workdir"
  unmount_small_drive "$workdir"
  rm -rf "$workdir"
  mkdir -p "$workdir"
  if ! start_xvfb "$workdir"; then stop_xvfb "$workdir"; return 1; fi
  wine_environment "$workdir"
  echo "wine_harness: display $DISPLAY, prefix $WINEPREFIX"
  if ! timeout "$kBootTimeout" wineboot -i; then
    echo "wine_harness: wineboot -i failed or timed out"
    stop_wineserver "$workdir"
    stop_xvfb "$workdir"
    return 1
  fi
  make_sample_cabinet "$workdir"
  mount_small_drive "$workdir"
  mkdir -p "$workdir/screenshots"
}

# A folder under WORKDIR whose Windows path is longer than 255 characters.
deep_folder() {
  local folder=$1/deep segment
  segment=$(printf 'x%.0s' $(seq 60))
  for _ in 1 2 3 4; do folder=$folder/$segment; done
  printf '%s' "$folder"
}

run() {
  local workdir=$1 maker=$2 stub=$3 robot=$4 layout=$5 scenario=$6
  for program in "$stub" "$robot"; do
    if [ ! -f "$program" ]; then
      echo "SKIPPED: $program is missing (build the Windows side first: scripts/build)"
      return "$kSkipped"
    fi
  done
  if [ ! -s "$workdir/display" ] || [ ! -f "$workdir/sample.cab" ]; then
    echo "wine_harness: no display or prefix in $workdir (the wine.setup test did not run)"
    return 1
  fi
  if grep -q '^# needs: small-drive' "$scenario" && ! mountpoint -q "$workdir/small-drive"; then
    echo "SKIPPED: no small drive mounted (needs root)"
    return "$kSkipped"
  fi
  local name=$layout folder=$workdir
  # LAYOUT-in-deep-folder: LAYOUT's installer in a folder whose path is over 255 characters.
  if [[ "$layout" == *-in-deep-folder ]]; then
    layout=${layout%-in-deep-folder}
    folder=$(deep_folder "$workdir")
    mkdir -p "$folder"
  fi
  local installer="$folder/$name.exe" expected="$workdir/$name.expected-cab"
  "$maker" "$layout" "$stub" "$workdir/sample.cab" "$installer" "$expected"
  wine_environment "$workdir"
  # Read by scenarios as %VORLAX_EXPECTED_CABINET% (paths) and ${VORLAX_INSTALLER} (texts); the
  # test sources (expected files) and the screenshot folder as %VORLAX_WINE_TESTS% and
  # %VORLAX_SCREENSHOTS%.
  VORLAX_EXPECTED_CABINET=$(windows_path "$expected")
  VORLAX_INSTALLER=$(windows_path "$installer")
  VORLAX_WINE_TESTS=$(windows_path "$(cd "$(dirname "$scenario")/.." && pwd)")
  VORLAX_SCREENSHOTS=$(windows_path "$workdir/screenshots")
  export VORLAX_EXPECTED_CABINET VORLAX_INSTALLER VORLAX_WINE_TESTS VORLAX_SCREENSHOTS
  echo "wine_harness: $name: $(stat -c %s "$installer") bytes"
  if [ "$folder" = "$workdir" ]; then
    timeout "$kRobotTimeout" wine "$robot" "$(windows_path "$scenario")" "$(windows_path "$installer")"
    return
  fi
  # Wine's CreateProcessW cannot start a program from a path this long, but its loader can: the
  # installer is started here and the scenario attaches to it by name.
  timeout "$kRobotTimeout" wine "$installer" &
  local installer_job=$! status=0
  timeout "$kRobotTimeout" wine "$robot" "$(windows_path "$scenario")" || status=$?
  wait "$installer_job" || true
  return "$status"
}

exec_program() {
  local workdir=$1 program=$2 placement=${3:-}
  if [ ! -f "$program" ]; then
    echo "SKIPPED: $program is missing (build the Windows side first: scripts/build)"
    return "$kSkipped"
  fi
  if [ ! -s "$workdir/display" ]; then
    echo "wine_harness: no display or prefix in $workdir (the wine.setup test did not run)"
    return 1
  fi
  if [ "$placement" = deep ]; then
    local folder
    folder=$(deep_folder "$workdir")
    mkdir -p "$folder"
    cp "$program" "$folder/"
    program=$folder/$(basename "$program")
  fi
  wine_environment "$workdir"
  timeout "$kRobotTimeout" wine "$program"
}

cleanup() {
  local workdir=$1
  stop_wineserver "$workdir"
  stop_xvfb "$workdir"
  unmount_small_drive "$workdir"
  if [ "${VORLAX_KEEP_WINE_PREFIX:-0}" != 1 ]; then rm -rf "$workdir/prefix"; fi
}

usage() {
  echo "usage: wine_harness.sh setup WORKDIR | run WORKDIR MAKER STUB ROBOT LAYOUT SCENARIO | exec WORKDIR PROGRAM [deep] | cleanup WORKDIR"
  exit 2
}

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
  setup) [ $# -eq 1 ] || usage; setup "$@" ;;
  run) [ $# -eq 6 ] || usage; run "$@" ;;
  exec) [ $# -eq 2 ] || [ $# -eq 3 ] || usage; exec_program "$@" ;;
  cleanup) [ $# -eq 1 ] || usage; cleanup "$@" ;;
  *) usage ;;
esac
