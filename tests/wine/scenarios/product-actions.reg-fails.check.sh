# shellcheck shell=bash source=../harness_functions.sh
# The value before the failing one was written and stays; the failing one was not. The key is
# removed for the next scenario.
readonly values='HKCU\Software\Vorlax Actions'
expect_reg "$values\\Open" Flag REG_DWORD 0x1
expect_no_reg_value "$values" FlagSet
remove_reg_key "$values"
