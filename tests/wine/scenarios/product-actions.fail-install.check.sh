# shellcheck shell=bash source=../harness_functions.sh
# The registry step in which the Fail ran finished: the value whose text ran it was written with
# the command's empty output. The keys are removed for the next scenario.
readonly values='HKCU\Software\Vorlax Actions'
expect_reg "$values" Missing REG_SZ absent
remove_reg_key "$values"
remove_reg_key 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
