# shellcheck shell=bash
# Functions for the scenarios' post-check scripts (sourced by wine_harness.sh's post_check, in the
# prefix's environment: WINE, WINEPREFIX, VORLAX_DRIVE_C, VORLAX_TOOLS, WORKDIR). Each prints what
# it checked and returns non-zero on a mismatch, which fails the post-check (set -e).
readonly kCheckTimeout=60

# Runs a Windows program of the prefix; its output lands in "$WORKDIR/post-check.log" and on stdout.
wine_logged() {
  local status=0
  timeout "$kCheckTimeout" "$WINE" "$@" </dev/null >"$WORKDIR/post-check.log" 2>&1 || status=$?
  tr -d '\r' <"$WORKDIR/post-check.log"
  return "$status"
}

# linux_path 'C:\...': where a path on the prefix's drive C: lies on this host.
linux_path() { local path=${1#C:\\}; printf '%s/%s' "$VORLAX_DRIVE_C" "${path//\\//}"; }

# expect_reg KEY NAME TYPE DATA: `reg query KEY /v NAME` shows NAME with exactly that type and data
# (as reg prints them: REG_DWORD as 0x..., REG_BINARY as upper-case hexadecimal digits).
expect_reg() {
  local key=$1 name=$2 type=$3 data=$4 output line wanted
  output=$(wine_logged reg query "$key" /v "$name") || { echo "FAIL reg: $key\\$name is missing"; return 1; }
  wanted="    $name    $type    $data"
  while IFS= read -r line; do
    if [ "$line" = "$wanted" ]; then echo "ok reg: $key\\$name $type $data"; return 0; fi
  done <<<"$output"
  echo "FAIL reg: $key\\$name: wanted '$wanted'; reg shows:"
  cat -A <<<"$output"
  return 1
}

# expect_no_reg_key KEY: the key does not exist.
expect_no_reg_key() {
  if wine_logged reg query "$1" >/dev/null; then echo "FAIL reg: $1 exists"; return 1; fi
  echo "ok reg: no key $1"
}

# expect_lnk FILE FIELD VALUE...: lnkinfo FILE shows each FIELD (as lnkinfo names it in its "Link
# information" lines, TAB FIELD TABs ": " VALUE: "Local path", "Command line arguments", "Working
# directory", "Description") with exactly VALUE.
expect_lnk() {
  local file=$1 output line found
  shift
  [ -f "$file" ] || { echo "FAIL lnk: no file $file"; return 1; }
  output=$(lnkinfo "$file") || { echo "FAIL lnk: lnkinfo cannot read $file"; return 1; }
  while [ $# -ge 2 ]; do
    found=""
    while IFS= read -r line; do
      if [[ "$line" =~ ^$'\t'([^$'\t']+)$'\t'+': '(.*)$ ]] && [ "${BASH_REMATCH[1]}" = "$1" ]; then
        found=${BASH_REMATCH[2]}
        break
      fi
    done <<<"$output"
    if [ "$found" != "$2" ]; then
      echo "FAIL lnk: $file: wanted $1 '$2', lnkinfo shows '$found'"
      return 1
    fi
    echo "ok lnk: $(basename "$file") $1: $2"
    shift 2
  done
}

# expect_url FILE ADDRESS: the internet shortcut FILE holds the line URL=ADDRESS.
expect_url() {
  [ -f "$1" ] || { echo "FAIL url: no file $1"; return 1; }
  if tr -d '\r' <"$1" | grep -qxF -- "URL=$2"; then echo "ok url: $(basename "$1") URL=$2"; return 0; fi
  echo "FAIL url: $1: wanted URL=$2; it holds:"
  cat "$1"
  return 1
}

# expect_no_reg_value KEY NAME: the key has no value NAME (or the key is missing).
expect_no_reg_value() {
  if wine_logged reg query "$1" /v "$2" >/dev/null; then echo "FAIL reg: $1\\$2 exists"; return 1; fi
  echo "ok reg: no value $1\\$2"
}

# remove_reg_key KEY: deletes KEY with everything in it, if it exists (so that the next scenario
# in the shared prefix starts without what this one wrote).
remove_reg_key() {
  wine_logged reg delete "$1" /f >/dev/null || true
}
