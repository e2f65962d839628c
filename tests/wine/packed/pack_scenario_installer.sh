#!/usr/bin/env bash
# The installers of the publisher's-workflow scenarios, made the way a publisher makes them: with
# the `vorlax` tool (VORLAX_TOOL in the environment) and the real stub. It takes the arguments of
# make_scenario_installer, so wine_harness.sh runs it in that one's place:
#   pack_scenario_installer.sh LAYOUT STUB CABINET OUT_INSTALLER OUT_EXPECTED_CABINET
# CABINET is not used and OUT_EXPECTED_CABINET is left empty. Layouts:
#   demo       the demo product (demo/make_product.sh, with the game from STUB's Windows build
#              folder; skipped, exit 77, while the game is not built), packed with --uninstaller
#              (the uninstaller of the same build, as uninst.exe)
#   init-pack  `vorlax init` then `vorlax pack` of the sample product's files (tests/wine/product/files)
#   signed     the same packed with --signable, then signed with osslsigncode and a throw-away
#              certificate made with openssl (exit 77, skipped, without them)
#   signed-plain  the same packed without --signable, then signed: an installer that cannot
#              find its payload
# The packed configuration and files stay beside the installer, in "packed.product" (replaced by
# each run), for the post-checks.
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: pack_scenario_installer.sh LAYOUT STUB CABINET OUT_INSTALLER OUT_EXPECTED_CABINET" >&2; exit 2; }
layout=$1 stub=$2 installer=$4 expected=$5
readonly kSkipped=77
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
vorlax=${VORLAX_TOOL:?VORLAX_TOOL must name the vorlax tool}
stage=$(dirname "$installer")/packed.product
# The stub lies in BUILD/src/setup of its Windows build folder.
build=$(cd "$(dirname "$stub")/../.." && pwd)

# A starter configuration from `vorlax init` and the sample product's files.
stage_starter() {
  rm -rf "$stage"
  mkdir -p "$stage"
  "$vorlax" init "$stage/config" >/dev/null
  cp -r "$root/tests/wine/product/files" "$stage/files"
}

pack() {
  local arguments=("$1" --config "$stage/config" --files "$stage/files" --stub "$stub" "${@:2}")
  echo "pack_scenario_installer: vorlax pack ${arguments[*]}"
  "$vorlax" pack "${arguments[@]}"
}

# Packs with --uninstaller, the way an installed tool does it: the tool is copied into
# "$stage/tool/bin" with the uninstaller of STUB's Windows build in "$stage/tool/share/vorlax",
# named after the stub's architecture, where the tool looks for it.
pack_with_uninstaller() {
  local uninstaller=$build/src/uninstall/win32/vorlax-uninstall.exe arch=x86
  [ -f "$uninstaller" ] || { echo "SKIPPED: $uninstaller is missing (scripts/build)"; exit "$kSkipped"; }
  [ "$(basename "$build")" = win64 ] && arch=x64
  mkdir -p "$stage/tool/bin" "$stage/tool/share/vorlax"
  cp "$vorlax" "$stage/tool/bin/vorlax"
  cp "$uninstaller" "$stage/tool/share/vorlax/vorlax-uninstall-$arch.exe"
  local arguments=("$1" --config "$stage/config" --files "$stage/files" --stub "$stub" --uninstaller)
  echo "pack_scenario_installer: vorlax pack ${arguments[*]}"
  "$stage/tool/bin/vorlax" pack "${arguments[@]}"
}

# Signs UNSIGNED into the installer with a throw-away certificate, and verifies the signature.
sign() {
  local unsigned=$1 tool
  for tool in openssl osslsigncode; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed (scripts/setup)"; exit "$kSkipped"; }
  done
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$stage/key.pem" -out "$stage/cert.pem" -days 2 \
    -subj "/CN=vorlax test publisher" -addext "extendedKeyUsage=codeSigning" 2>"$stage/openssl.log" ||
    { cat "$stage/openssl.log"; exit 1; }
  rm -f "$installer"
  osslsigncode sign -certs "$stage/cert.pem" -key "$stage/key.pem" -n "vorlax test" \
    -in "$unsigned" -out "$installer" >"$stage/sign.log" 2>&1 || { cat "$stage/sign.log"; exit 1; }
  osslsigncode verify -CAfile "$stage/cert.pem" -in "$installer" 2>&1 | grep -x 'Signature verification: ok'
}

case "$layout" in
  demo)
    if [ ! -f "$build/demo/bounce.exe" ]; then
      echo "SKIPPED: $build/demo/bounce.exe is missing (build the Windows side first: scripts/build)"
      exit "$kSkipped"
    fi
    "$root/demo/make_product.sh" "$build" "$stage"
    pack_with_uninstaller "$installer"
    ;;
  init-pack)
    stage_starter
    pack "$installer"
    ;;
  signed)
    stage_starter
    pack "$stage/unsigned.exe" --signable
    sign "$stage/unsigned.exe"
    ;;
  signed-plain)
    stage_starter
    pack "$stage/unsigned.exe"
    sign "$stage/unsigned.exe"
    ;;
  *)
    echo "pack_scenario_installer.sh: unknown layout '$layout' (demo, init-pack, signed, signed-plain)" >&2
    exit 2
    ;;
esac
: >"$expected"
