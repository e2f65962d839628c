#!/bin/bash
# Runs the built `vorlax init` and `vorlax pack` on folders made here: the same configuration in
# UTF-8 and UTF-16 packs to the same bytes, packing is reproducible wherever the folders lie,
# `--defines` records come in order, `--signable` ends with the payload marker, stubs are found
# beside the tool and in share/vorlax, every refusal names its cause and leaves no file behind,
# and an `init` folder packs into an installer that `vorlax check`, `list` and `extract` read back.
# Files too large for the format are sparse: nothing big is written.
# Usage: pack_command_test.sh VORLAX
set -u
vorlax=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export TZ=UTC
passed=0
failed=0
stamp=200901020304

pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }
check() { local name=$1; shift; if "$@"; then pass; else fail "$name"; fi; }

# A stand-in stub: the installer's walk skips the first record whatever it holds.
printf 'MZ stand-in stub\0\0\0' > stub.exe

# The product: a few files in sub-folders, one read-only.
mkdir -p product/data/levels product/docs
printf 'game' > product/game.exe
head -c 70000 /dev/zero | tr '\0' 'x' > product/data/levels/one.dat
printf 'readme\r\n' > product/docs/read\ me.txt
chmod a-w product/docs/read\ me.txt
touch -t $stamp product/game.exe product/data/levels/one.dat product/docs/read\ me.txt

"$vorlax" init utf8 > /dev/null || fail "init utf8"

# The same configuration in UTF-16LE: with the mark (props, install, licence), without (defines).
mkdir utf16
cp utf8/*.bmp utf8/readme.txt utf16/
for f in props.xml install.xml licence.txt; do
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE utf8/$f; } > utf16/$f
done
iconv -f UTF-8 -t UTF-16LE utf8/defines.xml > utf16/defines.xml
# And UTF-8 with its mark.
cp -r utf8 utf8mark
for f in props.xml install.xml defines.xml licence.txt; do
  { printf '\xef\xbb\xbf'; cat utf8/$f; } > utf8mark/$f
done
touch -t $stamp utf8/* utf16/* utf8mark/*

pack() { "$vorlax" pack "$@" --stub stub.exe > /dev/null 2> pack.err; }

# --- Encodings and reproducibility -------------------------------------------------------------
check "pack utf8" pack a.exe --config utf8 --files product
check "pack utf16" pack b.exe --config utf16 --files product
check "pack utf8 with mark" pack c.exe --config utf8mark --files product
check "utf8 and utf16 configurations give identical installers" cmp -s a.exe b.exe
check "utf8 with and without mark give identical installers" cmp -s a.exe c.exe
mkdir -p elsewhere/deeper
cp -rp utf8 product elsewhere/deeper/
check "pack from another place" pack d.exe --config elsewhere/deeper/utf8 --files elsewhere/deeper/product
check "packing twice gives identical bytes" cmp -s a.exe d.exe
check "pack on one thread" pack e.exe --config utf8 --files product --threads 1
check "one thread or every processor gives identical bytes" cmp -s a.exe e.exe

# --- Read back: init, pack, then check, list, extract --------------------------------------------
check "init folder checks clean" bash -c "'$vorlax' check utf8 2>&1 | grep -qx 'utf8: configuration reads as the installer reads it; 0 warnings'"
check "expand reads a UTF-8 folder" test "$("$vorlax" expand utf8 '%WELCOME_DIALOG_TITLE% / %InstallPath%' 2>&1)" == \
  "Welcome to My Product Setup / \\My Product"
"$vorlax" list a.exe > list.out 2>&1
check "list reads the installer" grep -q '^7 records\|^installer: 2 records' list.out
check "list shows the product files" grep -q 'files\\data\\levels\\one.dat' list.out
check "list shows the read-only attribute" bash -c "grep 'files\\\\docs\\\\read me.txt' list.out | grep -q ' R--A- '"
check "list shows the file's date" bash -c "grep 'files\\\\game.exe' list.out | grep -q '2009-01-02 03:04:0'"
mkdir out
check "extract reads the installer" bash -c "'$vorlax' extract a.exe out > /dev/null"
check "extracted files are the product" diff -r product out/files
check "props.xml stored as UTF-16LE with the mark" \
  cmp -s <(printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE utf8/props.xml) out/cfg/props.xml
check "licence stored as UTF-16LE with the mark" cmp -s utf16/licence.txt out/cfg/licence.txt
check "readme stored as it is" cmp -s utf8/readme.txt out/cfg/readme.txt
check "bitmaps stored" cmp -s utf8/logo.bmp out/cfg/logo.bmp
check "installer starts with the stub" cmp -s stub.exe <(head -c $(stat -c %s stub.exe) a.exe)

# --- Payload records: --defines order, --signable ------------------------------------------------
printf '<Defines><Define><Name>First</Name><Value>1</Value></Define></Defines>' > one.xml
{ printf '\xff\xfe'; printf '<Defines><Define><Name>Second</Name><Value>2</Value></Define></Defines>' |
  iconv -f UTF-8 -t UTF-16LE; } > two.xml
# Prints each record's type, and a defines record's text, from the first record to the last.
walk() {
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
marker = b'!vorlaxinstallersig!'
end = data.rfind(marker, max(0, len(data) - 100000))
end = len(data) if end < 0 else end
records = []
p = end - 4
while p >= 1:
    kind, = struct.unpack('<I', data[p:p + 4]); size, = struct.unpack('<I', data[p - 4:p])
    start = p - 4 - size
    records.insert(0, str(kind) + (' ' + data[start:start + size].decode('utf-16-le') if kind == 0 else ''))
    p = start - 4
print('\n'.join(records))
PY
}
check "pack with defines" pack e.exe --config utf8 --files product --defines one.xml --defines two.xml
check "defines records follow the cabinet in order" test "$(walk e.exe)" == "2
1
0 <Defines><Define><Name>First</Name><Value>1</Value></Define></Defines>
0 <Defines><Define><Name>Second</Name><Value>2</Value></Define></Defines>"
check "pack signable" pack f.exe --config utf8 --files product --defines one.xml --signable
check "signable ends with the marker" test "$(tail -c 20 f.exe)" == '!vorlaxinstallersig!'
check "not signable: no marker" bash -c "! tail -c 20 a.exe | grep -q vorlaxinstallersig"
# The summary says whether the installer may be signed.
"$vorlax" pack l.exe --config utf8 --files product --stub stub.exe > plain.out 2> /dev/null
"$vorlax" pack m.exe --config utf8 --files product --stub stub.exe --signable > signable.out 2> /dev/null
check "summary warns that a plain installer is not signable" grep -qxF \
  'l.exe: not signable: a signature added to it hides its payload from the installer, which then stops with "Unable to Read Installer Data"; pack with --signable to sign it' plain.out
check "summary says a signable installer may be signed" grep -qxF \
  'm.exe: signable: sign it with osslsigncode or signtool; the installer reads past the signature' signable.out
check "one signing line each" test "$(grep -c 'signable' plain.out signable.out)" == "plain.out:1
signable.out:1"
check "signable installer with bytes after the marker still lists" \
  bash -c "cat f.exe stub.exe > g.exe && '$vorlax' list g.exe | grep -q 'files\\\\game.exe'"

# --- Stubs beside the tool and in share/vorlax -----------------------------------------------------
mkdir -p beside prefix/bin prefix/share/vorlax
cp "$vorlax" beside/vorlax
cp "$vorlax" prefix/bin/vorlax
printf 'MZ x86 stub' > beside/vorlax-setup-x86.exe
printf 'MZ x64 stub' > prefix/share/vorlax/vorlax-setup-x64.exe
check "stub beside the tool" bash -c "beside/vorlax pack h.exe --config utf8 --files product >/dev/null 2>&1 && \
  head -c 11 h.exe | grep -q 'MZ x86 stub'"
check "stub in share/vorlax" bash -c "prefix/bin/vorlax pack i.exe --config utf8 --files product --arch x64 >/dev/null 2>&1 && \
  head -c 11 i.exe | grep -q 'MZ x64 stub'"
prefix/bin/vorlax pack j.exe --config utf8 --files product > /dev/null 2> pack.err
check "no x86 stub found" grep -qF "vorlax: no x86 installer stub found (looked for '$work/prefix/bin/vorlax-setup-x86.exe' '$work/prefix/share/vorlax/vorlax-setup-x86.exe'); name one with --stub PATH" pack.err
check "no output without a stub" test ! -e j.exe

# --- Refusals: message, exit code, no output, an existing output untouched -------------------------
# refuse NAME EXIT EXPECTED_STDERR_LINE PACK_ARGUMENTS...
refuse() {
  local name=$1 code=$2 want=$3
  shift 3
  printf 'old' > out.exe
  "$vorlax" pack out.exe "$@" > /dev/null 2> pack.err
  local status=$?
  if [[ $status == "$code" ]] && grep -qxF -- "$want" pack.err && [[ $(cat out.exe) == old ]] &&
     [[ ! -e out.exe.partial ]]; then
    pass
  else
    fail "$name: exit $status (want $code)"
    echo "  stderr: $(cat pack.err)"
    echo "  want:   $want"
  fi
}

mkdir -p broken && cp utf8/* broken/ && printf '<InstallConfig>\n  <Bogus/>\n</InstallConfig>\n' > broken/install.xml
refuse "configuration error" 1 "vorlax: Invalid Section 'Bogus' on Line 2 in File 'broken/install.xml'" \
  --config broken --files product --stub stub.exe
mkdir -p badutf8 && cp utf8/* badutf8/ && printf '<Properties>\xc3(</Properties>' > badutf8/props.xml
refuse "invalid UTF-8" 1 \
  "vorlax: cannot pack 'badutf8/props.xml': neither UTF-16LE nor valid UTF-8 (bad byte at offset 12)" \
  --config badutf8 --files product --stub stub.exe
printf '<Defines><Define><Name>X</Value></Define></Defines>' > bad_defines.xml
refuse "defines file error" 1 \
  "vorlax: Attached Defines: End 'Value' Doesn't Match Start 'Name' on Line 1 (in 'bad_defines.xml')" \
  --config utf8 --files product --stub stub.exe --defines bad_defines.xml
printf 'not a program' > notstub.exe
refuse "stub not a program" 1 "vorlax: the stub 'notstub.exe' is not a Windows program" \
  --config utf8 --files product --stub notstub.exe
refuse "no files folder" 1 "vorlax: no such folder: 'missing'" --config utf8 --files missing --stub stub.exe
refuse "unknown compression" 1 "vorlax: unknown compression 'zip' (none, mszip, lzx:N[:fast|:best], quantum:N)" \
  --config utf8 --files product --stub stub.exe --compress zip

# The uninstaller: `--uninstaller [NAME]` adds the one of the stub's architecture, found like the
# stubs, as uninst.exe or NAME in the install folder.
mkdir -p unin/bin unin/share/vorlax
cp "$vorlax" unin/bin/vorlax
printf 'MZ x86 uninstaller' > unin/share/vorlax/vorlax-uninstall-x86.exe
printf 'MZ x64 uninstaller' > unin/share/vorlax/vorlax-uninstall-x64.exe
printf 'MZ x64 stub' > unin/share/vorlax/vorlax-setup-x64.exe
# A stub whose header names the x86-64 machine: "PE\0\0" at 0x40, then 0x8664.
{ printf 'MZ'; head -c 58 /dev/zero; printf '\x40\0\0\0PE\0\0\x64\x86'; } > stub64.exe
# unpacked INSTALLER UNINSTALLER_NAME EXPECTED: the installer's files are the product's plus the
# uninstaller under its name, byte for byte.
unpacked() {
  rm -rf unpacked && "$vorlax" extract "$1" unpacked > /dev/null 2>&1 &&
    cmp -s "unpacked/files/$2" "$3" && rm "unpacked/files/$2" && find unpacked -type d -empty -delete &&
    diff -r product unpacked/files > /dev/null
}
unin/bin/vorlax pack k.exe --config utf8 --files product --stub stub.exe --uninstaller > /dev/null 2> pack.err
check "the x86 uninstaller as uninst.exe" unpacked k.exe uninst.exe unin/share/vorlax/vorlax-uninstall-x86.exe
unin/bin/vorlax pack l.exe --config utf8 --files product --stub stub64.exe --uninstaller tools/Remove.exe > /dev/null
check "a name of the publisher's; x64 for an x86-64 stub" \
  unpacked l.exe tools/Remove.exe unin/share/vorlax/vorlax-uninstall-x64.exe
unin/bin/vorlax pack m.exe --config utf8 --files product --arch x64 --uninstaller > /dev/null
check "--arch x64 chooses the x64 uninstaller" unpacked m.exe uninst.exe unin/share/vorlax/vorlax-uninstall-x64.exe
tool=$(readlink -f "$vorlax")
refuse "no uninstaller found" 1 \
  "vorlax: no x86 uninstaller found (looked for '$(dirname "$tool")/vorlax-uninstall-x86.exe' '$(dirname "$(dirname "$tool")")/share/vorlax/vorlax-uninstall-x86.exe')" \
  --config utf8 --files product --stub stub.exe --uninstaller
printf 'old' > out.exe
for bad in ../remove.exe 'C:\\remove.exe' 'tools//remove.exe'; do
  unin/bin/vorlax pack out.exe --config utf8 --files product --stub stub.exe --uninstaller "$bad" > /dev/null 2> pack.err
  check "uninstaller name $bad refused" grep -qxF \
    "vorlax: the uninstaller's name '$bad' is not a path inside the install folder" pack.err
done
unin/bin/vorlax pack out.exe --config utf8 --files product --stub stub.exe --uninstaller GAME.EXE > /dev/null 2> pack.err
check "uninstaller name taken by a product file" grep -qxF \
  "vorlax: the uninstaller's name 'GAME.EXE' is taken by 'product/game.exe'" pack.err
check "no output after a refused uninstaller" test "$(cat out.exe)" == old

# Names: one folder per case, each holding one file besides the product's.
name_case() {
  local name=$1 file=$2 want=$3
  rm -rf names && cp -r product names && mkdir -p "names/$(dirname "$file")" && : > "names/$file"
  refuse "$name" 1 "$want" --config utf8 --files names --stub stub.exe
}
long=$(printf 'n%.0s' $(seq 250)).txt
name_case "name over 255 characters" "$long" \
  "vorlax: cannot pack 'names/$long': its name in the installer has 260 characters (at most 255)"
name_case "character above U+00FF" "sub/名.txt" \
  "vorlax: cannot pack 'names/sub/名.txt': its name has a character above U+00FF, which a cabinet cannot store"
name_case "character Windows forbids" "what?.txt" \
  "vorlax: cannot pack 'names/what?.txt': its name has the character '?', which Windows does not allow in file names"
name_case "name ending with a dot" "sub./a.txt" \
  "vorlax: cannot pack 'names/sub./a.txt': a part of its name ends with a dot or a space, which Windows drops"
name_case "names differing in case only" "GAME.EXE" \
  "vorlax: cannot pack 'names/game.exe': another file has the name 'files\\game.exe' when letter case is ignored, as Windows does"

# Sizes: sparse files, refused from the listing before any byte is read.
rm -rf big && mkdir big && truncate -s 4G big/huge.bin
refuse "file of 4 GiB" 1 \
  "vorlax: cannot pack 'big/huge.bin': it has 4294967296 bytes; a cabinet holds files of at most 2147418112 bytes" \
  --config utf8 --files big --stub stub.exe
rm -rf big && mkdir big && truncate -s 1500M big/a.bin big/b.bin big/c.bin
# The configuration's files come first in the cabinet and count too.
total=$(( $(cat utf8/* | wc -c) + 3 * 1500 * 1024 * 1024 ))
refuse "product over the cabinet's 32-bit size" 1 \
  "vorlax: cannot pack 'big/c.bin': the files up to it add up to $total bytes; an installer holds at most 4294967295 bytes of files" \
  --config utf8 --files big --stub stub.exe
rm -rf big && mkdir big && (cd big && seq 1 65530 | xargs touch)
refuse "more files than a cabinet lists" 1 \
  "vorlax: the product has 65537 files; an installer holds at most 65535" \
  --config utf8 --files big --stub stub.exe
rm -rf big

# Usage errors.
usage="usage: vorlax pack OUT.exe --config DIR --files DIR [--compress METHOD] [--defines FILE]... [--signable] [--stub PATH | --arch x86|x64] [--threads N] [--uninstaller [NAME]]"
refuse "no files folder given" 2 "$usage" --config utf8
refuse "stub and arch together" 2 "$usage" --config utf8 --files product --stub stub.exe --arch x64
refuse "unknown arch" 2 "$usage" --config utf8 --files product --arch arm
refuse "no thread" 2 "$usage" --config utf8 --files product --stub stub.exe --threads 0
refuse "thread count not a number" 2 "$usage" --config utf8 --files product --stub stub.exe --threads two

# --- Warnings do not stop the pack -------------------------------------------------------------
mkdir -p warned && cp utf8/props.xml utf8/defines.xml utf8/install.xml warned/ && printf 'BM' > warned/logo.bmp
"$vorlax" pack k.exe --config warned --files product --stub stub.exe > pack.out 2> pack.err
check "warnings: packed" test -s k.exe
check "warning for a missing licence" grep -qxF "vorlax: warning: install.xml LicenseTitle names 'licence.txt', which is not in warned" pack.err
check "warning for a bitmap the installer cannot show" grep -qxF "vorlax: warning: warned/logo.bmp is not a Windows bitmap; the installer cannot show it" pack.err
check "warning for a missing bitmap" grep -qxF "vorlax: warning: warned/product.bmp is missing; the installer shows its pages without it" pack.err
check "summary line" grep -qE '^k.exe: 7 files, [0-9]+ bytes; cabinet [0-9]+ bytes \([0-9.]+%\); installer [0-9]+ bytes; 4 warnings$' pack.out

# --- init refuses to overwrite ---------------------------------------------------------------------
"$vorlax" init utf8 > /dev/null 2> init.err
check "init refuses an existing folder's files" grep -qxF "vorlax: 'utf8/props.xml' already exists; nothing was written" init.err

echo "$passed passed, $failed failed"
[[ $failed == 0 ]]
