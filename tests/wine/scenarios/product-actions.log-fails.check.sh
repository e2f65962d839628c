# shellcheck shell=bash source=../harness_functions.sh
# The install stopped before the registry step: no value, no uninstall entry. The permission step
# ran before the log (its key is removed for the next scenario).
readonly values='HKCU\Software\Vorlax Actions'
expect_no_reg_value "$values" Text
expect_no_reg_key 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
remove_reg_key "$values"
