# shellcheck shell=bash source=../harness_functions.sh
# A failed link does not fail the installation: the uninstall entry was written. The keys are
# removed for the next scenario.
readonly uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
expect_reg "$uninstall" UninstallString REG_SZ '"C:\Vorlax Demo\uninst.exe" "C:\Vorlax Demo\Install.log"'
remove_reg_key 'HKCU\Software\Vorlax Actions'
remove_reg_key "$uninstall"
