#!/usr/bin/env bash
# The Wine end-to-end harness: the Windows architectures this host can run, and per architecture
# one virtual display and one Wine prefix per test run, in which the robot runs the scenarios
# against the real installer stub.
#
#   wine_harness.sh arches
#   wine_harness.sh setup   WORKDIR [ARCH]
#   wine_harness.sh run     WORKDIR MAKER STUB ROBOT LAYOUT SCENARIO
#   wine_harness.sh exec    WORKDIR PROGRAM [deep]
#   wine_harness.sh cleanup WORKDIR
#
# arches prints, on one line, the architectures whose Wine loader starts on this host: win32 (the
# 32-bit loader, for the i686 programs) and win64 (the 64-bit loader, for the x86-64 programs). It
# decides by trying: each loader is started with --version, and a host whose kernel runs no 32-bit
# program refuses the 32-bit one ("Exec format error") however complete the installed packages
# are. VORLAX_WINE_ARCH=win32 or win64 tries that architecture alone. When none can run it says
# why on standard error and exits 1.
# setup starts Xvfb (it picks a free display itself and reports it through -displayfd), creates a
# fresh prefix of ARCH (default: the first one arches prints) under WORKDIR with `wineboot -i`, and makes the sample
# cabinet with gcab; the later commands on WORKDIR use that architecture's loader and prefix, so
# the programs they are given must be built for it. The prefix's wineserver then stays running
# for the later commands (cleanup ends it; unattended, it ends kServerLinger seconds after its last
# program). Each Wine program's output goes to a log in WORKDIR first and is printed when it ends.
# run builds the scenario's installer with MAKER (LAYOUT-in-deep-folder: placed in a folder whose
# path is over 255 characters), then runs ROBOT with SCENARIO on it under Wine; its exit code is the
# robot's; when the robot passed and SCENARIO has a post-check (SCENARIO without ".scenario", then
# ".check.sh"), that script's exit code is the run's (see post_check). exec runs a Windows console PROGRAM in the prefix and passes on its exit code;
# with "deep" it runs a copy placed in a folder whose path is over 255 characters long.
# cleanup ends the prefix's wineserver (and with it every program still running in the prefix) and
# the Xvfb this harness started, by its process id, and removes the prefix (kept when
# VORLAX_KEEP_WINE_PREFIX=1). Every step is bounded by `timeout`. Exit code 77 means "skipped".
#
# The loaders are Debian's (VORLAX_WINE32_LOADER and VORLAX_WINE64_LOADER name others). Trap:
# /usr/bin/wine and wineboot pick the 32-bit loader whenever it is installed, even where it cannot
# run, so this harness always starts the architecture's loader itself.
set -euo pipefail

readonly kSkipped=77
readonly kBootTimeout=300
readonly kRobotTimeout=240
readonly kServerTimeout=30
readonly kServerLinger=120       # s the prefix's server stays after its last program, if no cleanup
readonly kDisplayWaitSteps=100   # x 0.1 s
# The small drive of the full-drive scenarios: a tmpfs far smaller than the sample product,
# mapped as drive S: in the prefix. Missing-drive scenarios use Q:, which is never mapped.
readonly kSmallDriveSize=256k
readonly kSmallDriveLetter=s:
# The small folder of the full-folder scenarios: a tmpfs of kSmallFolderSize mounted on the
# prefix's "C:\Vorlax Full\data", so that the free space the installer measures (drive C:'s)
# is far more than that folder holds.
readonly kSmallFolderSize=64k
readonly kSmallFolder="drive_c/Vorlax Full/data"
readonly kProbeTimeout=30
readonly kArches="win32 win64"
readonly kDefaultArch=win32      # of a work folder older than its architecture file
readonly kWine32Loader=${VORLAX_WINE32_LOADER:-/usr/lib/wine/wine}
readonly kWine64Loader=${VORLAX_WINE64_LOADER:-/usr/lib/wine/wine64}
kHarnessFunctions=$(dirname "$(readlink -f "$0")")/harness_functions.sh
readonly kHarnessFunctions

# The Wine loader of ARCH.
loader_of() {
  case "$1" in
    win32) printf '%s' "$kWine32Loader" ;;
    win64) printf '%s' "$kWine64Loader" ;;
    *) echo "wine_harness: unknown architecture '$1' (win32 or win64)" >&2; return 1 ;;
  esac
}

# Whether ARCH's loader starts here: `--version` needs neither a prefix nor a display. bash runs
# it, so an image the kernel refuses is reported as "Exec format error" (timeout alone would hand
# it to /bin/sh as a script). Says why not on standard error.
probe() {
  local arch=$1 loader output first_line status=0
  loader=$(loader_of "$arch")
  # shellcheck disable=SC2016  # "$0" is expanded by the inner bash
  output=$(timeout "$kProbeTimeout" bash -c 'exec "$0" --version' "$loader" 2>&1) || status=$?
  if [ "$status" -eq 0 ] && [[ "$output" == wine-* ]]; then return 0; fi
  first_line=${output%%$'\n'*}
  echo "wine_harness: $arch programs cannot run on this host: $loader --version gave" \
       "exit code $status: ${first_line:-no output}" >&2
  return 1
}

arches() {
  local wanted=${VORLAX_WINE_ARCH:-} candidates=$kArches runnable=() arch
  case "$wanted" in
    "") ;;
    win32 | win64) candidates=$wanted ;;
    *) echo "wine_harness: VORLAX_WINE_ARCH is '$wanted'; it must be win32 or win64" >&2; return 1 ;;
  esac
  for arch in $candidates; do
    if probe "$arch"; then runnable+=("$arch"); fi
  done
  if [ ${#runnable[@]} -eq 0 ]; then
    echo "wine_harness: no Windows architecture can run under Wine on this host" \
         "(tried: $candidates${wanted:+, as VORLAX_WINE_ARCH asks})" >&2
    return 1
  fi
  echo "${runnable[*]}"
}

# Sets the environment of WORKDIR's prefix, and WINE to its architecture's loader.
wine_environment() {
  local workdir=$1
  export WINEPREFIX="$workdir/prefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
  WINEARCH=$(cat "$workdir/arch" 2>/dev/null || echo "$kDefaultArch")
  WINE=$(loader_of "$WINEARCH")
  # Programs started inside the prefix are started by the same loader.
  export WINEARCH WINELOADER=$WINE
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
    mkdir -p "$workdir/prefix/$kSmallFolder"
    mount -t tmpfs -o size="$kSmallFolderSize" vorlax-small-folder "$workdir/prefix/$kSmallFolder"
  else
    echo "wine_harness: cannot mount a small filesystem (not root?): full-drive scenarios will be skipped"
  fi
}

unmount_small_drive() {
  local workdir=$1 mounted
  for mounted in "$workdir/prefix/$kSmallFolder" "$workdir/small-drive"; do
    if mountpoint -q "$mounted" 2>/dev/null; then umount "$mounted" || true; fi
  done
}

setup() {
  local workdir=$1 arch=${2:-}
  if [ -z "$arch" ]; then
    arch=$(arches) || return 1
    arch=${arch%% *}
  fi
  loader_of "$arch" >/dev/null
  # Leftovers of an interrupted earlier run in this folder are this harness's own.
  stop_wineserver "$workdir"
  stop_xvfb "$workdir"
  unmount_small_drive "$workdir"
  rm -rf "$workdir"
  mkdir -p "$workdir"
  echo "$arch" > "$workdir/arch"
  if ! start_xvfb "$workdir"; then stop_xvfb "$workdir"; return 1; fi
  wine_environment "$workdir"
  echo "wine_harness: display $DISPLAY, $WINEARCH prefix $WINEPREFIX, loader $WINE"
  local failed=""
  wine_logged "$kBootTimeout" "$workdir/wineboot.log" wineboot -i || failed="wineboot -i failed or timed out"
  [ -n "$failed" ] || keep_wineserver "$workdir" || failed="the prefix's wineserver could not be restarted to stay"
  if [ -n "$failed" ]; then
    echo "wine_harness: $failed"
    stop_wineserver "$workdir"
    stop_xvfb "$workdir"
    return 1
  fi
  make_sample_cabinet "$workdir"
  mount_small_drive "$workdir"
  mkdir -p "$workdir/screenshots"
}

# Restarts the prefix's server so that it stays between the tests, and the prefix's system programs
# with it: each later start then takes about a second instead of a new session. Cleanup ends it;
# without cleanup it ends kServerLinger seconds after the last program.
keep_wineserver() {
  local workdir=$1
  timeout "$kBootTimeout" wineserver -w &&
    timeout "$kServerTimeout" wineserver -p"$kServerLinger" </dev/null >/dev/null 2>&1 &&
    # The first program starts the system programs again; the tests' bounded waits start later.
    wine_logged "$kBootTimeout" "$workdir/warm-up.log" cmd /c exit >/dev/null
}

# Runs a Wine program, bounded by SECONDS, with its output in LOG, then prints LOG and passes on
# the exit code. Programs it leaves running (system programs stay with the server) hold LOG rather
# than the caller's output, which a test runner would wait on until they end.
wine_logged() {
  local seconds=$1 log=$2 status=0
  shift 2
  timeout "$seconds" "$WINE" "$@" </dev/null >"$log" 2>&1 || status=$?
  cat "$log"
  return "$status"
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
    echo "wine_harness: no display or prefix in $workdir (its wine32.setup or wine64.setup test did not run)"
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
    wine_logged "$kRobotTimeout" "$workdir/$name.robot.log" \
      "$robot" "$(windows_path "$scenario")" "$(windows_path "$installer")" || return
    post_check "$workdir" "$scenario" "$(dirname "$robot")"
    return
  fi
  # Wine's CreateProcessW cannot start a program from a path this long, but its loader can: the
  # installer is started here and the scenario attaches to it by name.
  timeout "$kRobotTimeout" "$WINE" "$installer" </dev/null >"$workdir/$name.installer.log" 2>&1 &
  local installer_job=$! status=0
  wine_logged "$kRobotTimeout" "$workdir/$name.robot.log" "$robot" "$(windows_path "$scenario")" ||
    status=$?
  wait "$installer_job" || true
  return "$status"
}

# A scenario's post-check: SCENARIO without ".scenario", followed by ".check.sh", run with bash
# after the robot passed, to look at what only the Linux side reads well (the registry through
# Wine's reg, link files through lnkinfo). It runs in the prefix's environment with WINE (the
# loader), VORLAX_DRIVE_C (the prefix's C: drive), VORLAX_TOOLS (the robot's folder, with the
# other test programs) and the functions wine_logged and windows_path; its exit code is the test's.
post_check() {
  local workdir=$1 scenario=$2 tools=$3
  local script=${scenario%.scenario}.check.sh
  [ -f "$script" ] || return 0
  echo "wine_harness: post-check $(basename "$script")"
  # shellcheck disable=SC2016  # "$0" and "$1" are expanded by the inner bash
  VORLAX_DRIVE_C=$WINEPREFIX/drive_c VORLAX_TOOLS=$tools WORKDIR=$workdir WINE=$WINE \
    timeout "$kRobotTimeout" bash -c 'source "$0"; set -euo pipefail; source "$1"' \
    "$kHarnessFunctions" "$script"
}

exec_program() {
  local workdir=$1 program=$2 placement=${3:-}
  if [ ! -f "$program" ]; then
    echo "SKIPPED: $program is missing (build the Windows side first: scripts/build)"
    return "$kSkipped"
  fi
  if [ ! -s "$workdir/display" ]; then
    echo "wine_harness: no display or prefix in $workdir (its wine32.setup or wine64.setup test did not run)"
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
  wine_logged "$kRobotTimeout" "$workdir/$(basename "$program").${placement:-here}.log" "$program"
}

cleanup() {
  local workdir=$1
  stop_wineserver "$workdir"
  stop_xvfb "$workdir"
  unmount_small_drive "$workdir"
  if [ "${VORLAX_KEEP_WINE_PREFIX:-0}" != 1 ]; then rm -rf "$workdir/prefix"; fi
}

usage() {
  echo "usage: wine_harness.sh arches | setup WORKDIR [ARCH] | run WORKDIR MAKER STUB ROBOT LAYOUT SCENARIO | exec WORKDIR PROGRAM [deep] | cleanup WORKDIR"
  exit 2
}

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
  arches) [ $# -eq 0 ] || usage; arches ;;
  setup) [ $# -eq 1 ] || [ $# -eq 2 ] || usage; setup "$@" ;;
  run) [ $# -eq 6 ] || usage; run "$@" ;;
  exec) [ $# -eq 2 ] || [ $# -eq 3 ] || usage; exec_program "$@" ;;
  cleanup) [ $# -eq 1 ] || usage; cleanup "$@" ;;
  *) usage ;;
esac
