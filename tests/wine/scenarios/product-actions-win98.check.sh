# shellcheck shell=bash source=../harness_functions.sh
# After product-actions-win98.scenario: the 98/Me links read back with lnkinfo.
readonly product="$VORLAX_DRIVE_C/Vorlax Demo"
expect_lnk "$product/Links/Marker98.lnk" "Local path" 'C:\Vorlax Demo\bin\vorlax-launch-marker.exe' \
  "Command line arguments" '-a "b c"' "Working directory" 'C:\Vorlax Demo\bin' "Description" Marker98
expect_lnk "$product/Links98/Readme.lnk" "Local path" 'C:\Vorlax Demo\readme.txt' "Description" 'Readme}'
expect_lnk "$product/Links98/Kept.lnk" "Local path" 'C:\Vorlax Demo\docs\manual.txt'
expect_url "$product/Links/Web.url" 'http://example.invalid/vorlax?a=1&b=2'
remove_reg_key 'HKCU\Software\Vorlax Actions'
remove_reg_key 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax  Demo & Co 1.0'
