# shellcheck shell=bash source=../harness_functions.sh
# The registry step in which the Fail ran finished (its values and the uninstall entry stay);
# nothing after it ran. The keys are removed for the next scenario.
readonly values='HKCU\Software\Vorlax Actions'
readonly uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
expect_reg "$values" Missing REG_SZ absent
expect_reg "$values" FlagSet REG_SZ on
expect_reg "$uninstall" DisplayName REG_SZ "Vorlax  Demo & Co 1.0"
remove_reg_key "$values"
remove_reg_key "$uninstall"
