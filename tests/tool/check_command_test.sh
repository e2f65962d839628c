#!/bin/bash
# Runs the built `vorlax check` and `vorlax expand` on the configuration folders of
# tests/data/config (written by make_fixtures.py there) and compares exit codes and messages
# exactly. Usage: check_command_test.sh VORLAX DATA_DIR
set -u
vorlax=$1
cd "$2" || exit 1
passed=0
failed=0

# expect NAME EXIT EXPECTED_STDERR EXPECTED_STDOUT COMMAND...
expect() {
  local name=$1 code=$2 want_err=$3 want_out=$4
  shift 4
  local out err status
  out=$("$vorlax" "$@" 2>/tmp/vorlax_check_err.$$)
  status=$?
  err=$(cat /tmp/vorlax_check_err.$$)
  rm -f /tmp/vorlax_check_err.$$
  if [[ $status == "$code" && $err == "$want_err" && $out == "$want_out" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name: exit $status (want $code)"
    echo "  stderr: $err"
    echo "  want:   $want_err"
    echo "  stdout: $out"
    echo "  want:   $want_out"
  fi
}

ok_line() { echo "$1: configuration reads as the installer reads it; $2"; }

expect good 0 "" "$(ok_line good '0 warnings')" check good
expect good_without_mark 0 "" "$(ok_line good_without_mark '0 warnings')" check good_without_mark
expect warnings 0 "vorlax: warning: props.xml does not define the text id 'BUTTON_NEXT'
vorlax: warning: defines.xml define 'Title' refers to %Edition%, which nothing defines
vorlax: warning: install.xml PostExec 1 Exe refers to %Helper%, which nothing defines" \
  "$(ok_line warnings '3 warnings')" check warnings
expect action_warnings 0 "vorlax: warning: install.xml RegValue 2 Key 'hkcu\\Software\\Vorlax' has no known root prefix (HKLM\\, HKCU\\ or HKCR\\ in capitals); the installer stops with 'Invalid Key'
vorlax: warning: install.xml RegValue 3 Key 'HKEY_CURRENT_USER\\Software\\Vorlax' has no known root prefix (HKLM\\, HKCU\\ or HKCR\\ in capitals); the installer stops with 'Invalid Key'
vorlax: warning: install.xml RegValue 3 TypeNum 3 is not 0, 1 or 2; the installer stops with 'Invalid Key Type'
vorlax: warning: install.xml RegValue 4 Value 'A 0B zz' has 2 pairs that are not two hexadecimal digits; the installer reports each as 'Binary formatting error in registry value' and leaves them out
vorlax: warning: install.xml GrantAllRegistryPermissions 1 'HKLM' has no known root prefix (HKLM\\, HKCU\\ or HKCR\\ in capitals); the installer reports 'Invalid Key' and skips the rest of that list
vorlax: warning: install.xml has an UninstallCmd but InstallName expands to nothing; the installer writes no uninstall entry
vorlax: warning: install.xml Shortcut 3 Dest '%AppFolder%\\Readme.LNK' ends in '.lnk'; the installer adds the extension itself: leave it out
vorlax: warning: unknown define command 'Bogus' on Line 27 in File 'action_warnings/install.xml'
vorlax: warning: define command 'IfSet' needs 2 arguments but has 1 on Line 10 in File 'action_warnings/defines.xml'
vorlax: warning: define command 'Uppercase' needs 1 argument but has 0 on Line 10 in File 'action_warnings/defines.xml'
vorlax: warning: unknown define command 'Lower' on Line 11 in File 'action_warnings/defines.xml'" \
  "$(ok_line action_warnings '11 warnings')" check action_warnings
expect props_wrong_root 1 \
  "vorlax: Properties file error: 'Invalid Section 'Props' on Line 2 in File 'props_wrong_root/props.xml''" \
  "" check props_wrong_root
# A UTF-8 props.xml reads as its UTF-16LE form, the form `vorlax pack` stores.
expect props_utf8 0 "" "$(ok_line props_utf8 '0 warnings')" check props_utf8
expect install_unknown_element 1 \
  "vorlax: Invalid Section 'Product' on Line 19 in File 'install_unknown_element/install.xml'" \
  "" check install_unknown_element
expect install_element_in_text 1 \
  "vorlax: Unexpected Section: B on Line 19 in File 'install_element_in_text/install.xml'" \
  "" check install_element_in_text
expect defines_mismatched_end 1 \
  "vorlax: End 'Value' Doesn't Match Start 'Define' on Line 7 in File 'defines_mismatched_end/defines.xml'" \
  "" check defines_mismatched_end
expect defines_unbalanced_quote 1 \
  "vorlax: Unexpected End of File on Line 9 in File 'defines_unbalanced_quote/defines.xml'" \
  "" check defines_unbalanced_quote
expect defines_missing 1 "vorlax: Unable to open file defines_missing/defines.xml" "" check defines_missing
expect no_such_folder 1 "vorlax: Properties file error: 'Unable to open file no_such_folder/props.xml'
vorlax: Unable to open file no_such_folder/install.xml
vorlax: Unable to open file no_such_folder/defines.xml" "" check no_such_folder
expect check_usage 2 "usage: vorlax check DIR" "" check

expect expand_property 0 "" "Welcome to Vorlax Demo 1.2" expand good "%WELCOME_DIALOG_TITLE%"
expect expand_builtin_unknown 0 "" "\\Vorlax Demo" expand good "%InstallPath%"
expect expand_entities 0 "" "Next > / < Back" expand good "%BUTTON_NEXT% / %BUTTON_BACK%"
expect expand_invalid_command 0 "Vorlax Demo 1.2 Setup: Invalid define command: 'Bogus'" "else" \
  expand good "#Bogus 1|else"
expect expand_broken 1 \
  "vorlax: End 'Value' Doesn't Match Start 'Define' on Line 7 in File 'defines_mismatched_end/defines.xml'" \
  "" expand defines_mismatched_end "%X%"
expect expand_usage 2 "usage: vorlax expand DIR TEXT" "" expand good

echo "$passed passed, $failed failed"
[[ $failed == 0 ]]
