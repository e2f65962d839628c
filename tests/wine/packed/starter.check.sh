# shellcheck shell=bash source=../harness_functions.sh
# After starter.scenario: the folder of files installed byte for byte, the starter's registry value and its Start menu shortcut to the readme. The packed
# folder lies beside the installer (pack_scenario_installer.sh).
IFS=';' read -r program_files program_data < <(wine_logged cmd /c 'echo %ProgramFiles%;%ProgramData%')
readonly product="$program_files\\My Product"
readonly menu="$program_data\\Microsoft\\Windows\\Start Menu\\Programs\\My Product"
installed=$(linux_path "$product")

diff -r -x install.log -x install_props.xml "$WORKDIR/packed.product/files" "$installed"
echo "ok files: the packed folder installed byte for byte"
expect_reg 'HKCU\Software\My Company\My Product' Path REG_SZ "$product"
expect_lnk "$(linux_path "$menu")/Readme.lnk" "Local path" "$product\\readme.txt" "Description" Readme
