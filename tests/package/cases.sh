# The package cases (sourced by scripts/package-tests.sh). Each runs in a fresh
# prefix; a failed expectation marks the case failed and the case goes on.

# The assertions (expect, equals, contains) of the end-to-end cases.
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/cases.sh"

PKG_RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
PKG_UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Bytwacht'

# Where the setup puts things, as Windows and as this machine name them.
pkg_paths() {
  PKG_DIR_DOS="C:\\users\\$USER\\AppData\\Local\\Programs\\Bytwacht"
  PKG_DIR="$WINEPREFIX/drive_c/users/$USER/AppData/Local/Programs/Bytwacht"
  PKG_LINK="$WINEPREFIX/drive_c/users/$USER/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Bytwacht.lnk"
  PKG_HISTORY="$E2E_SETTINGS_DIR/verbrauch.csv"
}

# Runs the setup with ARGS; its exit code on stdout.
pkg_setup() {
  wine "$PKG_SETUP" "$@" >/dev/null 2>&1
  echo $?
}

# The data of registry value NAME under KEY; empty when there is none.
pkg_reg() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

pkg_no_key() { ! wine reg query "$1" >/dev/null 2>&1; }

# Settings for the loopback adapter plus a line that only a save by the
# program itself drops (it writes the known keys alone), and a history file.
pkg_user_files() {
  e2e_settings "$@"
  printf 'Marker=1\r\n' >>"$E2E_INI"
  printf 'Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-01;1;2;3;6\r\n' >"$PKG_HISTORY"
}
pkg_saved_by_program() { [ -f "$E2E_INI" ] && ! grep -q '^Marker=' "$E2E_INI" && [ "$(wc -l <"$E2E_INI")" -ge 18 ]; }
# The program may add today's row when it saves, but the old day stays, and
# the file was read as valid (a damaged one would have been put aside).
pkg_history_kept() {
  grep -q $'^2026-12-01;1;2;3;6\r$' "$PKG_HISTORY" 2>/dev/null && ! ls "$PKG_HISTORY".defekt* >/dev/null 2>&1
}

# Waits up to N seconds until PATH no longer exists.
pkg_wait_gone() {
  for _ in $(seq 1 $(($2 * 10))); do
    [ -e "$1" ] || return 0
    sleep 0.1
  done
  return 1
}

# Waits up to N seconds until the window TITLE shows TEXT.
pkg_wait_text() {
  local title="$1" text="$2" timeout="${3:-20}"
  for _ in $(seq 1 $((timeout * 4))); do
    drv texts "$title" 2>/dev/null | grep -qF -- "$text" && return 0
    sleep 0.25
  done
  echo "    '$text' not shown in '$title': $(drv texts "$title" | head -c 300)"
  return 1
}

case_install_silent() {
  pkg_paths
  expect "silent setup succeeds" equals "$(pkg_setup /S /AUTOSTART=1)" 0
  expect "program installed" cmp "$PKG_STAGE/bytwacht.exe" "$PKG_DIR/bytwacht.exe"
  expect "file properties carry the version" grep -qx "$PKG_VERSION" <(strings -el "$PKG_DIR/bytwacht.exe")
  expect "licence installed" grep -q "MIT License" "$PKG_DIR/LIZENZ.txt"
  expect "uninstaller installed" test -f "$PKG_DIR/uninstall.exe"
  expect "no settings file in the program folder" test ! -e "$PKG_DIR/bytwacht.ini"
  expect "Start-menu shortcut" test -f "$PKG_LINK"
  expect "shortcut names the program" grep -qa 'bytwacht.exe' "$PKG_LINK"
  expect "display name" equals "$(pkg_reg "$PKG_UNINSTALL_KEY" DisplayName)" Bytwacht
  expect "display version" equals "$(pkg_reg "$PKG_UNINSTALL_KEY" DisplayVersion)" "$PKG_VERSION"
  expect "icon" equals "$(pkg_reg "$PKG_UNINSTALL_KEY" DisplayIcon)" "$PKG_DIR_DOS\\bytwacht.exe,0"
  expect "uninstall string" equals "$(pkg_reg "$PKG_UNINSTALL_KEY" UninstallString)" "\"$PKG_DIR_DOS\\uninstall.exe\""
  local size
  size=$(pkg_reg "$PKG_UNINSTALL_KEY" EstimatedSize)
  expect "size in KiB covers the program" test "$((size))" -ge "$(($(stat -c %s "$PKG_DIR/bytwacht.exe") / 1024))"
  expect "Run value as the program writes it" equals "$(pkg_reg "$PKG_RUN_KEY" Bytwacht)" "\"$PKG_DIR_DOS\\bytwacht.exe\""

  # Started from its shortcut, the installed program shows its window and
  # keeps its settings in the application-data folder.
  e2e_settings
  wine start "C:\\users\\$USER\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Bytwacht.lnk" >/dev/null 2>&1
  expect "installed program shows its window" drv wait Bytwacht 30000
  sleep 1
  expect "window visible" contains "$(drv state)" "visible=1"
  e2e_shot installed-program
  drv close >/dev/null
  expect "program ends" drv gone Bytwacht 10000
}

case_update_running() {
  pkg_paths
  equals "$(pkg_setup /S /AUTOSTART=1)" 0 || E2E_CASE_OK=0
  pkg_user_files
  E2E_EXE="$PKG_DIR/bytwacht.exe" e2e_start
  drv wait Bytwacht 30000 >/dev/null
  sleep 1

  # A copy busy with its settings sheet is not closed under the user's hands:
  # the silent update gives up and leaves it running.
  drv command 40008 >/dev/null
  drv wait "~Bytwacht" 10000 >/dev/null
  expect "update refused while a dialog is open" equals "$(pkg_setup /S)" 2
  expect "busy copy still running" test ! -f "$WINEPREFIX/bytwacht.rc"
  drv press "~Bytwacht" 2 >/dev/null # Cancel
  sleep 1

  expect "update over the running copy succeeds" equals "$(pkg_setup /S)" 0
  expect "running copy ended normally" equals "$(e2e_exit_code 5)" 0
  expect "it saved its settings on the way out" pkg_saved_by_program
  expect "history kept" pkg_history_kept
  expect "autostart choice kept" equals "$(pkg_reg "$PKG_RUN_KEY" Bytwacht)" "\"$PKG_DIR_DOS\\bytwacht.exe\""
  expect "the closed copy is started again" drv wait Bytwacht 30000

  # An update that is told not to start with Windows takes the value away.
  expect "update without autostart" equals "$(pkg_setup /S /AUTOSTART=0)" 0
  expect "Run value removed" equals "$(pkg_reg "$PKG_RUN_KEY" Bytwacht)" ""
  drv close >/dev/null
  drv gone Bytwacht 10000 >/dev/null
}

case_uninstall_silent() {
  pkg_paths
  equals "$(pkg_setup /S /AUTOSTART=1)" 0 || E2E_CASE_OK=0
  pkg_user_files
  E2E_EXE="$PKG_DIR/bytwacht.exe" e2e_start
  drv wait Bytwacht 30000 >/dev/null
  sleep 1
  # The uninstaller copies itself away and returns at once; its copy works on.
  wine "$PKG_DIR_DOS\\uninstall.exe" /S >/dev/null 2>&1
  expect "program folder removed" pkg_wait_gone "$PKG_DIR" 30
  expect "running copy ended normally" equals "$(e2e_exit_code 5)" 0
  expect "shortcut removed" test ! -e "$PKG_LINK"
  expect "uninstall entry removed" pkg_no_key "$PKG_UNINSTALL_KEY"
  expect "Run value removed" equals "$(pkg_reg "$PKG_RUN_KEY" Bytwacht)" ""
  expect "settings kept" pkg_saved_by_program
  expect "history kept" pkg_history_kept
}

case_installer_pages() {
  pkg_paths
  # No capture library on this machine: the setup says where Npcap comes from.
  rm -f "$WINEPREFIX/drive_c/windows/system32/wpcap.dll"
  local title="~Bytwacht $PKG_VERSION Setup"
  wine "$PKG_SETUP" >/dev/null 2>&1 &
  expect "welcome page" pkg_wait_text "$title" "Willkommen"
  sleep 0.5
  e2e_shot installer-1-welcome
  drv press "$title" 1 >/dev/null
  expect "Npcap page" pkg_wait_text "$title" "Npcap-Seite öffnen"
  sleep 0.5
  e2e_shot installer-2-npcap
  expect "says where Npcap comes from" contains "$(drv texts "$title")" "https://npcap.com"
  expect "says why it is not included" contains "$(drv texts "$title")" "Weitergabe nicht erlaubt"
  drv press "$title" 1 >/dev/null
  expect "folder page" pkg_wait_text "$title" "$PKG_DIR_DOS"
  sleep 0.5
  e2e_shot installer-3-folder
  drv press "$title" 1 >/dev/null
  expect "components page" pkg_wait_text "$title" "Komponenten"
  sleep 0.5
  e2e_shot installer-4-components
  drv press "$title" 1 >/dev/null
  expect "finish page" pkg_wait_text "$title" "Bytwacht jetzt starten" 30
  sleep 0.5
  e2e_shot installer-5-finish
  expect "installed" test -f "$PKG_DIR/bytwacht.exe"
  expect "no autostart unless chosen" equals "$(pkg_reg "$PKG_RUN_KEY" Bytwacht)" ""
  # "Fertig stellen" with "Bytwacht jetzt starten" ticked starts it.
  pkg_user_files
  drv press "$title" 1 >/dev/null
  expect "started from the finish page" drv wait Bytwacht 30000
  sleep 1

  # Removing it (which closes it) and answering "Nein" to keeping the
  # settings takes them too.
  wine "$PKG_DIR_DOS\\uninstall.exe" >/dev/null 2>&1 &
  title="~Bytwacht entfernen"
  expect "uninstaller" pkg_wait_text "$title" "$PKG_DIR_DOS"
  sleep 0.5
  e2e_shot uninstaller-1-confirm
  drv press "$title" 1 >/dev/null
  expect "asks about the settings" pkg_wait_text "$title" "erhalten bleiben"
  sleep 0.5
  e2e_shot uninstaller-2-keep-settings
  drv press "$title" 7 >/dev/null # IDNO
  expect "program folder removed" pkg_wait_gone "$PKG_DIR" 30
  expect "settings and history removed" pkg_wait_gone "$E2E_SETTINGS_DIR" 10
  sleep 1
  e2e_shot uninstaller-3-done
  drv press "$title" 1 >/dev/null
}

case_portable_mode() {
  pkg_paths
  expect "zip holds the program, LIESMICH and the licence, no settings" \
    equals "$(python3 -c 'import sys, zipfile; print(*sorted(zipfile.ZipFile(sys.argv[1]).namelist()))' "$PKG_ZIP")" \
    "LIESMICH.txt LIZENZ.txt bytwacht.exe"
  local dir="$WINEPREFIX/drive_c/Tragbar Bytwacht" appdata="$E2E_SETTINGS_DIR"
  mkdir -p "$dir"
  python3 -m zipfile -e "$PKG_ZIP" "$dir"
  expect "LIESMICH names the version" grep -q "Bytwacht $PKG_VERSION" "$dir/LIESMICH.txt"
  # A bytwacht.ini beside the exe: the program keeps its files there.
  E2E_SETTINGS_DIR="$dir" E2E_INI="$dir/bytwacht.ini" PKG_HISTORY="$dir/verbrauch.csv"
  pkg_user_files
  E2E_EXE="$dir/bytwacht.exe" e2e_start
  expect "portable program shows its window" drv wait Bytwacht 30000
  sleep 1
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
  expect "settings saved beside the program" pkg_saved_by_program
  expect "history beside the program kept" pkg_history_kept
  expect "nothing in the application-data folder" test ! -e "$appdata"
}
