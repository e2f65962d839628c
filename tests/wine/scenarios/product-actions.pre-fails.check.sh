# shellcheck shell=bash source=../harness_functions.sh
# After product-actions.pre-fails.scenario: the registry step never ran (no value, no uninstall
# entry), but the permission step, which runs whatever the PreExec list gave, made its key.
readonly values='HKCU\Software\Vorlax Actions'
readonly uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
expect_no_reg_value "$values" Text
expect_no_reg_key "$uninstall"
wine_logged "$VORLAX_TOOLS/vorlax-actions-check.exe" folder 'C:\Vorlax Demo\Shared' key "$values\\Open"
remove_reg_key "$values"
