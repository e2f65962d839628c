# shellcheck shell=bash source=../harness_functions.sh
# After demo.scenario: every packed file installed byte for byte; the game's first run wrote its
# settings (the PostExec program ran); the registry values of the three types, one made by a
# define command; the uninstall entry naming uninst.exe and the install log; the shortcuts read
# back with lnkinfo, the {perm} one too; the uninstaller packed by --uninstaller; the saved-games
# folder and the high-score key open to everybody; the install log line by line. The staged product lies beside the installer
# (pack_scenario_installer.sh).
IFS=';' read -r program_files program_data public < <(wine_logged cmd /c 'echo %ProgramFiles%;%ProgramData%;%PUBLIC%')
readonly product="$program_files\\Vorlax Bounce"
readonly menu="$program_data\\Microsoft\\Windows\\Start Menu\\Programs\\Vorlax Bounce"
readonly desktop="$public\\Desktop"
readonly game_key='HKLM\Software\Vorlax Bounce'
readonly settings_key='HKCU\Software\Vorlax Bounce\Settings'
readonly uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlax Bounce 1.0'
installed=$(linux_path "$product")

diff -r -x Saves -x Install.log -x Install_props.xml -x uninst.exe "$WORKDIR/packed.product/files" "$installed"
cmp "$WORKDIR"/packed.product/tool/share/vorlax/vorlax-uninstall-*.exe "$installed/uninst.exe"
echo "ok files: $(find "$installed" -type f | wc -l) files in $product, the packed ones and the uninstaller byte for byte"
cmp <(printf '[Game]\r\nSpeed=3\r\nBestScore=0\r\n') "$installed/Saves/settings.ini"
echo "ok: the first run wrote Saves\\settings.ini"

expect_reg "$game_key" InstallPath REG_SZ "$product"
expect_reg "$game_key" Version REG_SZ 1.0
expect_reg "$game_key" Banner REG_SZ "VORLAX BOUNCE"
expect_reg "$game_key" Build REG_DWORD 0x64
expect_reg "$game_key" Colours REG_BINARY 1E3A78F0C040
expect_reg "$game_key\\HighScores" Best REG_DWORD 0x0
expect_reg "$settings_key" Speed REG_DWORD 0x3
expect_reg "$settings_key" SavesFound REG_SZ no
expect_reg "$uninstall" DisplayName REG_SZ "Vorlax Bounce 1.0"
expect_reg "$uninstall" UninstallString REG_SZ "\"$product\\uninst.exe\" \"$product\\Install.log\""

expect_lnk "$(linux_path "$menu")/Vorlax Bounce.lnk" "Local path" "$product\\bounce.exe" \
  "Working directory" "$product" "Description" "Vorlax Bounce" "Command line arguments" ""
expect_lnk "$(linux_path "$menu")/Vorlax Bounce (Fast).lnk" "Local path" "$product\\bounce.exe" \
  "Description" "Vorlax Bounce (Fast)" "Command line arguments" /fast
expect_lnk "$(linux_path "$menu")/Read Me.lnk" "Local path" "$product\\readme.txt"
expect_lnk "$(linux_path "$menu")/Manual.lnk" "Local path" "$product\\docs\\manual.txt" \
  "Working directory" "$product\\docs"
expect_url "$(linux_path "$menu")/Vorlax Bounce on the Web.url" http://vorlax.example/bounce
expect_lnk "$(linux_path "$desktop")/Vorlax Bounce.lnk" "Local path" "$product\\bounce.exe"
expect_lnk "$(linux_path "$desktop")/Vorlax Bounce Saved Games.lnk" "Local path" "$product\\Saves" \
  "Description" "Vorlax Bounce Saved Games"

wine_logged "$VORLAX_TOOLS/vorlax-actions-check.exe" folder "$product\\Saves" key "$game_key\\HighScores"

# The log: the user's folder and keys, every product file, the registry values, the uninstall
# key and every shortcut but the {perm} one.
expected_log="<InstallLog>
	<InstallName>Vorlax Bounce 1.0</InstallName>
	<UninstallDeltree>$product</UninstallDeltree>
	<UninstallDeltree>$menu</UninstallDeltree>
	<UserDirectory>$product\\Saves</UserDirectory>
	<UninstallDelRegKey>$game_key</UninstallDelRegKey>
	<UserRegKey>HKCU\\Software\\Vorlax Bounce</UserRegKey>"
for file in bounce.exe data\\levels\\level1.txt data\\levels\\level2.txt data\\sprites.bin docs\\manual.txt \
  licence.txt readme.txt uninst.exe; do
  expected_log+=$'\n'"	<File>$product\\$file</File>"
done
expected_log+=$'\n'"	<Registry>"
for value in "$game_key InstallPath" "$game_key Version" "$game_key Banner" "$game_key Build" \
  "$game_key Colours" "$game_key\\HighScores Best" "$settings_key Speed" "$settings_key SavesFound"; do
  expected_log+=$'\n'"		<RegValue>"$'\n'"			<Key>${value% *}</Key>"$'\n'"			<Name>${value##* }</Name>"$'\n'"		</RegValue>"
done
expected_log+=$'\n'"	</Registry>"$'\n'"	<UninstallDelRegKey>$uninstall</UninstallDelRegKey>"
for link in "$menu\\Vorlax Bounce.lnk" "$menu\\Vorlax Bounce (Fast).lnk" "$menu\\Read Me.lnk" "$menu\\Manual.lnk" \
  "$menu\\Vorlax Bounce on the Web.url" "$desktop\\Vorlax Bounce.lnk"; do
  expected_log+=$'\n'"	<File>$link</File>"
done
expected_log+=$'\n'"</InstallLog>"
diff <(printf '%s\n' "$expected_log") <(iconv -f UTF-16LE -t UTF-8 "$installed/Install.log" | sed 's/\r*$//')
echo "ok: the install log lists what was installed"
