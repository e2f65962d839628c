# shellcheck shell=bash source=../harness_functions.sh
# After demo-uninstall.scenario: nothing of the demo game is left (install folder, program-menu
# group, desktop link, the game's and the settings' registry keys, the uninstall entry) but the
# {perm} desktop link, which the installer does not log. That link and the uninstaller's temporary
# copy (waiting for the next system start) are removed here for the next scenario.
IFS=';' read -r program_files program_data public < <(wine_logged cmd /c 'echo %ProgramFiles%;%ProgramData%;%PUBLIC%')
readonly product="$program_files\\Vorlax Bounce"
readonly menu="$program_data\\Microsoft\\Windows\\Start Menu\\Programs\\Vorlax Bounce"
readonly desktop="$public\\Desktop"
for gone in "$product" "$menu" "$desktop\\Vorlax Bounce.lnk"; do
  if [ -e "$(linux_path "$gone")" ]; then
    echo "FAIL: $gone is still there"
    exit 1
  fi
done
echo "ok: the install folder, the program-menu group and the desktop link are gone"
expect_no_reg_key 'HKLM\Software\Vorlax Bounce'
expect_no_reg_key 'HKCU\Software\Vorlax Bounce'
expect_no_reg_key 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax Bounce 1.0'
kept=$(linux_path "$desktop")/"Vorlax Bounce Saved Games.lnk"
[ -f "$kept" ] || { echo "FAIL: the {perm} desktop link was removed"; exit 1; }
echo "ok: the {perm} desktop link stays"
rm -f "$kept"
find "$VORLAX_DRIVE_C/users" -maxdepth 3 -name 'vun*.exe' -delete
