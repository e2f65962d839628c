# shellcheck shell=bash source=../harness_functions.sh
# After product-actions.post-fails.scenario: the registry step and the uninstall entry were done
# before the PostExec program failed; they stay (nothing is undone).
readonly values='HKCU\Software\Vorlax Actions'
readonly uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
expect_reg "$values" Bytes REG_BINARY DEADBE
expect_reg "$uninstall" UninstallString REG_SZ '"C:\Vorlax Demo\uninst.exe" "C:\Vorlax Demo\Install.log"'
remove_reg_key "$values"
remove_reg_key "$uninstall"
