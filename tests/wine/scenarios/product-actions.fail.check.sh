# shellcheck shell=bash source=../harness_functions.sh
# After product-actions.fail.scenario: the run stopped before the install worker, so neither the
# permission step nor the registry step touched the registry.
expect_no_reg_key 'HKCU\Software\Vorlax Actions'
expect_no_reg_key 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
