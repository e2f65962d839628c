# shellcheck shell=bash source=../harness_functions.sh
# The values before the failing one were written and stay; the failing one and the uninstall
# entry were not. The keys are removed for the next scenario.
readonly values='HKCU\Software\Vorlax Actions'
expect_reg "$values" Missing REG_SZ absent
expect_reg "$values\\Open" Flag REG_DWORD 0x1
expect_no_reg_value "$values" FlagSet
expect_no_reg_key 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
remove_reg_key "$values"
