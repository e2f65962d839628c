#!/bin/bash
# Signing a packed installer: a throw-away code-signing certificate made with openssl, an
# installer packed with `--signable` and signed with `osslsigncode sign`, checked with
# `osslsigncode verify`; `vorlax list` and `vorlax extract` must still read it. An installer packed
# without `--signable` and then signed cannot be read (the signature ends the file where the
# installer looks for its last record): `vorlax list` says so and names the cure.
# The signed installer's run under Wine belongs to the Wine scenarios.
# Usage: sign_command_test.sh VORLAX STUB   (exit 77, skipped, when STUB has not been built)
set -u
vorlax=$1
stub=$2
[[ -f $stub ]] || { echo "stub $stub not built: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
passed=0
failed=0
check() { local name=$1; shift; if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=vorlax test publisher" -addext "extendedKeyUsage=codeSigning" 2> openssl.err ||
  { cat openssl.err; exit 1; }
"$vorlax" init cfg > /dev/null
mkdir -p product/data && printf 'game' > product/game.exe && head -c 50000 /dev/urandom > product/data/level.dat

sign() { osslsigncode sign -certs cert.pem -key key.pem -n "vorlax test" -in "$1" -out "$2" > sign.log 2>&1; }

check "pack signable" bash -c "'$vorlax' pack signable.exe --config cfg --files product --stub '$stub' --signable > /dev/null 2>&1"
check "sign" sign signable.exe signed.exe
check "verify" bash -c "osslsigncode verify -CAfile cert.pem -in signed.exe 2>&1 | grep -q '^Signature verification: ok'"
check "the signature follows the marker" bash -c "grep -c '!vorlaxinstallersig!' signed.exe | grep -qx 1 && \
  ! tail -c 20 signed.exe | grep -q vorlaxinstallersig"
check "list reads the signed installer" bash -c "'$vorlax' list signed.exe | grep -q 'files\\\\data\\\\level.dat'"
mkdir out
check "extract reads the signed installer" bash -c "'$vorlax' extract signed.exe out > /dev/null"
check "extracted files are the product" diff -r product out/files

check "pack without signable" bash -c "'$vorlax' pack plain.exe --config cfg --files product --stub '$stub' > /dev/null 2>&1"
check "sign it anyway" sign plain.exe plain-signed.exe
"$vorlax" list plain-signed.exe > /dev/null 2> list.err
status=$?
check "list refuses it" test $status == 1
check "list names the cause" grep -qE "^vorlax: 'plain-signed.exe' is neither a cabinet nor an installer: .* \(it carries a [0-9]+-byte Authenticode signature at its end: an installer signed after a pack without --signable cannot read its payload; pack it again with --signable, then sign\)$" list.err
check "the unsigned installer reads" bash -c "'$vorlax' list plain.exe > /dev/null"

echo "$passed passed, $failed failed"
[[ $failed == 0 ]]
