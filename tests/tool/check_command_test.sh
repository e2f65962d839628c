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
expect props_wrong_root 1 \
  "vorlax: Properties file error: 'Invalid Section 'Props' on Line 2 in File 'props_wrong_root/props.xml''" \
  "" check props_wrong_root
expect props_utf8 1 "vorlax: Properties file error: 'Unexpected End of File on Line 1 in File 'props_utf8/props.xml''
vorlax: note: props_utf8/props.xml does not look like UTF-16LE text, which is all the installer reads" \
  "" check props_utf8
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
