# The end-to-end cases. Each runs in a fresh prefix with the program's
# settings folder empty unless it writes one, and reports failures by expect.
#
# Adding a case: define a function case_NAME here; scripts/e2e.sh runs every
# case_* function in the order they stand, and `scripts/e2e.sh NAME` runs one.

expect() { # expect DESCRIPTION COMMAND...
  local what="$1"
  shift
  if ! "$@"; then
    echo "    FAILED: $what"
    E2E_CASE_OK=0
  fi
}
equals() { [ "$1" = "$2" ] || { echo "    got '$1', expected '$2'"; return 1; }; }
contains() { grep -qF -- "$2" <<<"$1" || { echo "    '$2' not in: $(head -c 300 <<<"$1")"; return 1; }; }

# Starts the program with the settings file written before and waits until
# its window has faded in to the stored opacity.
start_and_wait() {
  local alpha
  alpha=$(e2e_ini Alpha)
  e2e_start
  drv wait Bytwacht 30000 >/dev/null
  e2e_wait_state "alpha=${alpha:-255}" 10 >/dev/null
}

# Starts the program and waits until its window thread runs its message loop:
# whether the window shows at the start has been decided by then.
start_and_settle() {
  e2e_start
  e2e_until 30 drv sync
}

case_first_start() {
  # No settings at all: the adapter dialog comes first, loopback is chosen,
  # the capture starts and the traffic shows as bars and an OK icon.
  e2e_start
  expect "adapter dialog shown" drv wait Adapter-Auswahl 30000
  drv painted Adapter-Auswahl >/dev/null
  e2e_shot adapter-dialog
  local items
  items=$(drv items Adapter-Auswahl IDC_ADAPTER_LIST)
  # Each adapter with what Windows calls it and its address (Wine's loopback
  # is called "lo" both ways).
  expect "loopback listed with its address" grep -qx 'lo - 127.0.0.1' <<<"$items"
  expect "sorted by description" equals "$items" "$(sort <<<"$items")"
  expect "settings folder made at start" test -d "$E2E_SETTINGS_DIR"
  drv select Adapter-Auswahl IDC_ADAPTER_LIST lo >/dev/null
  drv press Adapter-Auswahl IDOK >/dev/null
  expect "main window shown" drv wait Bytwacht 20000
  e2e_traffic 12
  expect "tray turns OK" e2e_wait_tray ok 20
  # Bars in the graph area (above the status line), a few seconds' worth for the picture.
  local bars
  bars=$(e2e_wait_pixels first-start-graph 290x45+5+28 'r + g + b > 150' above 250 15)
  expect "bars drawn" test "$bars" -gt 100
  wait "$E2E_TRAFFIC_PID" 2>/dev/null
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
  expect "adapter stored" equals "$(e2e_ini DeviceName)" "$E2E_LOOPBACK"
  expect "bytes counted" test "$(e2e_ini BytesTransmitted)" -gt 10000
  expect "window state stored" equals "$(e2e_ini IsVisible),$(e2e_ini WindowWidth),$(e2e_ini WindowHeight)" "1,300,100"
}

case_second_instance() {
  e2e_settings
  start_and_wait
  local before
  before=$(drv state)
  # The second start asks; No ends it with 0 and leaves the first alone.
  ( WINEDEBUG=-all wine "$E2E_EXE" >/dev/null 2>&1; echo $? >"$WINEPREFIX/second.rc" ) &
  expect "question shown" drv wait "Zweite Instanz von Bytwacht" 20000
  e2e_shot second-instance-question
  local text
  text=$(drv texts "Zweite Instanz von Bytwacht")
  expect "question text" contains "$text" "Soll die zweite Instanz weiter ausgeführt werden (nicht empfohlen)?"
  drv press "Zweite Instanz von Bytwacht" IDNO >/dev/null
  e2e_until 10 test -f "$WINEPREFIX/second.rc"
  expect "second instance exit code 0" equals "$(cat "$WINEPREFIX/second.rc" 2>/dev/null)" 0
  expect "first instance untouched" equals "$(drv state)" "$before"
  drv close >/dev/null
  expect "first instance ends normally" equals "$(e2e_exit_code)" 0
}

case_settings_sheet() {
  e2e_settings "AvgTime=60" "Interval=1000"
  E2E_WINEDEBUG=+wpcap start_and_wait
  e2e_traffic 40
  expect "capture running" e2e_wait_tray ok 20
  local opens
  opens=$(e2e_opens)

  # OK without a change: saved, the capture is not touched.
  rm -f "$E2E_INI"
  drv command CmdSettings >/dev/null
  expect "sheet shown" drv wait "~Bytwacht" 10000
  drv wait "~Properties" 10000 >/dev/null || drv wait "~Eigenschaften" 10000 >/dev/null
  e2e_shot sheet-fenster
  for page in 1:graph 2:winpcap 3:autostart; do
    drv page "~Bytwacht" "${page%%:*}" >/dev/null
    drv painted "~Bytwacht" >/dev/null
    e2e_shot "sheet-${page#*:}"
  done
  drv page "~Bytwacht" 0 >/dev/null
  drv press "~Bytwacht" IDOK >/dev/null
  expect "saved after OK" e2e_until 10 test -f "$E2E_INI"
  # A restart would have asked for the adapter by now; nothing marks its absence.
  sleep 1
  expect "capture not restarted" equals "$(e2e_opens)" "$opens"

  # Ticking IPv6 on the capture page is saved and restarts the capture.
  expect "IPv6 off by default" equals "$(e2e_ini IPv6)" 0
  rm -f "$E2E_INI"
  drv command CmdSettings >/dev/null
  drv wait "~Bytwacht" 10000 >/dev/null
  drv page "~Bytwacht" 2 >/dev/null
  drv painted "~Bytwacht" >/dev/null
  drv check "~Bytwacht" IDC_CAPTURE_IPV6 1 >/dev/null
  e2e_shot sheet-winpcap-ipv6
  drv press "~Bytwacht" IDOK >/dev/null
  expect "saved after ticking IPv6" e2e_until 10 test -f "$E2E_INI"
  expect "IPv6 saved" equals "$(e2e_ini IPv6)" 1
  expect "capture restarted for IPv6" e2e_wait_opens "$opens"
  expect "capture opened once more" equals "$(e2e_opens)" "$((opens + 1))"

  # Cancel after moving the trackbar: nothing changes.
  local alpha
  alpha=$(e2e_ini Alpha)
  rm -f "$E2E_INI"
  drv command CmdSettings >/dev/null
  drv trackbar "~Bytwacht" IDC_ALPHA_TRACKBAR 100 >/dev/null
  drv press "~Bytwacht" IDCANCEL >/dev/null
  drv gone "~Bytwacht" 10000 >/dev/null
  e2e_settled
  expect "nothing saved after Cancel" test ! -f "$E2E_INI"
  drv close >/dev/null
  e2e_exit_code >/dev/null
  expect "alpha unchanged after Cancel" equals "$(e2e_ini Alpha)" "$alpha"
}

filter_cut_to_255() { [ "$(e2e_ini CaptureFilter | tr -d '\n' | wc -c)" = 255 ]; }

case_filter_change() {
  # A changed filter restarts the capture; a 300-character filter is cut to
  # 255 characters, and as it is no valid filter the icon warns.
  e2e_settings
  E2E_WINEDEBUG=+wpcap start_and_wait
  e2e_traffic 40
  expect "capture running" e2e_wait_tray ok 20
  local opens
  opens=$(e2e_opens)
  drv command CmdSettings >/dev/null
  drv wait "~Bytwacht" 10000 >/dev/null
  drv page "~Bytwacht" 2 >/dev/null
  drv settext "~Bytwacht" IDC_CAPTURE_FILTER "$(printf 'x%.0s' $(seq 1 300))" >/dev/null
  drv press "~Bytwacht" IDOK >/dev/null
  expect "capture restarted" e2e_wait_opens "$opens"
  # Saved once the restart is under way (the window thread waits for the old
  # capture meanwhile, answering what it is sent, so no round trip tells).
  expect "filter cut to 255" e2e_until 10 filter_cut_to_255
  expect "invalid filter warns" e2e_wait_tray warning 10
  # The tip tells why.
  e2e_hover_tray
  e2e_shot tray-tip-warning
  xdotool mousemove 600 400 >/dev/null 2>&1
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
}

case_interval_change() {
  e2e_settings "Interval=1000"
  E2E_WINEDEBUG=+wpcap start_and_wait
  e2e_traffic 30
  expect "capture running" e2e_wait_tray ok 20
  local opens bars_before bars_after lit='g > 150 and r < 120'
  # About eight seconds of bars, so that a cleared history stands out.
  bars_before=$(e2e_wait_pixels interval-before 380x100+45+65 "$lit" above 900 25)
  opens=$(e2e_opens)
  drv command CmdSettings >/dev/null
  drv wait "~Bytwacht" 10000 >/dev/null
  drv page "~Bytwacht" 1 >/dev/null
  drv updown "~Bytwacht" IDC_INTERVAL_UPDOWN 500 >/dev/null
  drv press "~Bytwacht" IDOK >/dev/null
  drv gone "~Bytwacht" 10000 >/dev/null
  e2e_shot settings-hint
  # The history was cleared: a few new bars instead of the many before.
  bars_after=$(e2e_wait_pixels interval-after 380x100+45+65 "$lit" below $((bars_before / 2)) 5)
  expect "history cleared ($bars_before -> $bars_after lit pixels)" test "$bars_after" -lt $((bars_before / 2))
  e2e_settled
  # A restart would have asked for the adapter by now; nothing marks its absence.
  sleep 1
  expect "no restart for the interval" equals "$(e2e_opens)" "$opens"
  expect "interval stored" equals "$(e2e_ini Interval)" 500
  drv close >/dev/null
  e2e_exit_code >/dev/null
}

case_menu_commands() {
  e2e_settings "BytesTransmitted=999999999999"
  E2E_WINEDEBUG=+wpcap start_and_wait
  e2e_traffic 40
  expect "capture running" e2e_wait_tray ok 20

  drv command CmdAbout >/dev/null
  expect "about box" drv wait "Über Bytwacht" 10000
  e2e_shot about-box
  local about
  about=$(drv texts "Über Bytwacht")
  expect "about names the library" contains "$about" "Installierte Version:"
  expect "about names the program's version" contains "$about" "Bytwacht-Version: "
  expect "about shows the runtime version" contains "$about" "libpcap version"
  drv press "Über Bytwacht" IDOK >/dev/null

  drv command CmdResetCounter >/dev/null
  expect "reset question" drv wait "Traffic-Zähler zurücksetzen" 10000
  drv press "Traffic-Zähler zurücksetzen" IDYES >/dev/null
  drv gone "Traffic-Zähler zurücksetzen" 10000 >/dev/null

  local opens
  opens=$(e2e_opens)
  drv command CmdRestartCapture >/dev/null
  expect "restart question" drv wait "Capturing neu starten" 10000
  drv press "Capturing neu starten" IDYES >/dev/null
  expect "capture restarted" e2e_wait_opens "$opens"

  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
  expect "counter reset" test "$(e2e_ini BytesTransmitted)" -lt 999999999999
}

# The Run value as Wine's reg prints it: everything after the type.
run_value() {
  wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Bytwacht 2>/dev/null |
    tr -d '\r' | sed -n 's/^ *Bytwacht *REG_SZ *//p'
}

case_autostart() {
  # The program lives in a folder with a space, where a bare path is ambiguous.
  e2e_settings
  local dir="$WINEPREFIX/drive_c/Program Files/Byt wacht" exe='C:\Program Files\Byt wacht\bytwacht.exe'
  mkdir -p "$dir"
  cp "$E2E_EXE" "$dir/bytwacht.exe"
  E2E_EXE="$dir/bytwacht.exe" start_and_wait
  drv command CmdSettings >/dev/null
  drv wait "~Bytwacht" 10000 >/dev/null
  drv page "~Bytwacht" 3 >/dev/null
  drv press "~Bytwacht" IDC_REGISTER_AUTOSTART >/dev/null
  expect "register box" drv wait "Autostart registrieren" 10000
  expect "registered" contains "$(drv texts 'Autostart registrieren')" "Autostart wurde erfolgreich registriert!"
  drv press "Autostart registrieren" IDCANCEL >/dev/null || drv press "Autostart registrieren" IDOK >/dev/null
  drv gone "Autostart registrieren" 5000 >/dev/null
  expect "value is the quoted path" equals "$(run_value)" "\"$exe\""

  drv press "~Bytwacht" IDC_REMOVE_AUTOSTART >/dev/null
  expect "remove box" drv wait "Autostart entfernen" 10000
  expect "removed" contains "$(drv texts 'Autostart entfernen')" "Autostart wurde erfolgreich entfernt!"
  drv press "Autostart entfernen" IDCANCEL >/dev/null || drv press "Autostart entfernen" IDOK >/dev/null
  drv gone "Autostart entfernen" 5000 >/dev/null
  drv press "~Bytwacht" IDC_REMOVE_AUTOSTART >/dev/null
  drv wait "Autostart entfernen" 10000 >/dev/null
  expect "second remove fails" contains "$(drv texts 'Autostart entfernen')" "Eventuell wurde er bereits entfernt"
  e2e_shot autostart-remove-twice
  drv press "Autostart entfernen" IDCANCEL >/dev/null || drv press "Autostart entfernen" IDOK >/dev/null
  expect "value gone" test -z "$(run_value)"
  drv press "~Bytwacht" IDCANCEL >/dev/null
  drv close >/dev/null
  e2e_exit_code >/dev/null

  # The bare entry of an earlier version is recognised as this program's and
  # quoted at the next start; another program's entry is left alone.
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Bytwacht /d "$exe" /f >/dev/null 2>&1
  rm -f "$WINEPREFIX/bytwacht.rc"
  E2E_EXE="$dir/bytwacht.exe" start_and_wait
  drv close >/dev/null
  e2e_exit_code >/dev/null
  expect "bare entry quoted" equals "$(run_value)" "\"$exe\""
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Bytwacht /d 'C:\Other Place\bytwacht.exe' /f \
    >/dev/null 2>&1
  rm -f "$WINEPREFIX/bytwacht.rc"
  E2E_EXE="$dir/bytwacht.exe" start_and_wait
  drv close >/dev/null
  e2e_exit_code >/dev/null
  expect "other entry untouched" equals "$(run_value)" 'C:\Other Place\bytwacht.exe'
}

case_close_hidden_and_session_end() {
  e2e_settings
  start_and_wait
  # Hidden to the icon by a click on it, then closed: stored as hidden.
  xdotool mousemove 1008 756 click 1 >/dev/null 2>&1
  expect "hidden by the icon" e2e_wait_state "visible=0"
  expect "logoff allowed" equals "$(drv endsession)" 1
  expect "logoff saves hidden" equals "$(e2e_ini IsVisible)" 0
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
  expect "stored hidden" equals "$(e2e_ini IsVisible)" 0

  # The next start shows only the icon.
  rm -f "$WINEPREFIX/bytwacht.rc"
  start_and_settle
  expect "starts hidden" contains "$(drv state)" "visible=0"
  drv close >/dev/null
  e2e_exit_code >/dev/null
}

case_graph_modes() {
  # Screenshots of the graph: plain, gradients, in/out, hover.
  for mode in "plain:UseGradients=0:ShowInOut=0" "gradients:UseGradients=1:ShowInOut=0" \
    "inout:UseGradients=0:ShowInOut=1" "inout-gradients:UseGradients=1:ShowInOut=1"; do
    IFS=: read -r name g io <<<"$mode"
    e2e_settings "$g" "$io" "WindowWidth=500" "WindowHeight=200" "WindowPosX=100" "WindowPosY=100" "FadeOnHover=0"
    rm -f "$WINEPREFIX/bytwacht.rc"
    start_and_wait
    e2e_traffic 14
    # About eight seconds of bars, counted below the lines of the waiting state.
    e2e_wait_pixels "graph-$name-full" 470x100+115+165 'r + g + b > 150' above 1000 13 >/dev/null
    rm -f "$E2E_ART/graph-$name-full.png"
    e2e_shot_crop "graph-$name" 520x220+90+90
    if [ "$name" = inout ]; then
      xdotool mousemove 588 200 >/dev/null 2>&1
      # The read-out follows the mouse; nothing tells when it is painted.
      sleep 1.5
      e2e_shot_crop graph-hover 520x220+90+90
      xdotool mousemove 800 600 >/dev/null 2>&1
      e2e_hover_tray
      e2e_shot tray-tip
      xdotool mousemove 800 600 >/dev/null 2>&1
    fi
    wait "$E2E_TRAFFIC_PID" 2>/dev/null
    drv close >/dev/null
    e2e_exit_code >/dev/null
  done
}

case_adapter_cancel() {
  # Cancelling the adapter dialog at the first start is a start-up failure.
  # A close while its error box is up (an uninstaller or update asking the
  # program to end) takes the box down and ends the process.
  e2e_start
  expect "adapter dialog shown" drv wait Adapter-Auswahl 30000
  drv press Adapter-Auswahl IDCANCEL >/dev/null
  expect "start-up error box" drv wait Fehler 10000
  local text
  text=$(drv texts Fehler)
  expect "error text" contains "$text" "Das Packet-Capturing konnte nicht initialisiert werden!"
  expect "where to get Npcap" contains "$text" "https://npcap.com/"
  drv close >/dev/null
  expect "exit code 1 soon after the close" equals "$(e2e_exit_code 5)" 1
  expect "nothing stored" test ! -f "$E2E_INI"
}

case_window_behaviour() {
  # Hover raises a translucent window to full opacity and back; a double click
  # makes it a pop-up, which is stored at the close.
  e2e_settings "Alpha=128" "FadeOnHover=1" "WindowPosX=100" "WindowPosY=100"
  start_and_wait
  expect "translucent at rest" contains "$(drv state)" "alpha=128"
  xdotool mousemove 250 170 sleep 0.2 mousemove 255 172 >/dev/null 2>&1
  expect "opaque under the mouse" e2e_wait_state "alpha=255" 5
  xdotool mousemove 700 600 >/dev/null 2>&1
  expect "translucent again after leaving" e2e_wait_state "alpha=128" 5
  xdotool mousemove 250 170 click --repeat 2 --delay 80 1 >/dev/null 2>&1
  expect "pop-up after a double click" e2e_wait_state "style=9" 5
  local state
  state=$(drv state)
  local ex
  ex=$(sed -n 's/.*exstyle=\([0-9a-f]*\).*/\1/p' <<<"$state")
  expect "tool window, still layered" test $((0x$ex & 0x80080)) -eq $((0x80080))
  xdotool mousemove 700 600 >/dev/null 2>&1
  e2e_shot popup-window
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
  expect "pop-up stored" equals "$(e2e_ini IsPopup)" 1
}

case_exit_during_sheet() {
  # An exit chosen from the icon while the settings sheet is open waits for the
  # sheet: the window is not destroyed under it and nothing half is stored.
  e2e_settings "WindowWidth=400" "WindowHeight=160"
  start_and_wait
  drv command CmdSettings >/dev/null
  expect "sheet shown" drv wait "~Bytwacht" 10000
  # Sent, not posted: each returns once the window has handled it.
  drv send CmdExit >/dev/null
  drv sendclose >/dev/null
  expect "main window still there" contains "$(drv state)" "visible=1"
  drv press "~Bytwacht" IDCANCEL >/dev/null
  drv gone "~Bytwacht" 10000 >/dev/null
  e2e_settled
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
  expect "geometry kept" equals "$(e2e_ini WindowWidth)x$(e2e_ini WindowHeight)" 400x160
}

case_stored_window_styles() {
  # Stored pop-up style and position come back at the start; a hand-edited
  # alpha of -1 (read as 4294967295) is opaque, not invisible.
  e2e_settings "IsPopup=1" "WindowPosX=120" "WindowPosY=90" "WindowWidth=420" "WindowHeight=150" "Alpha=-1"
  e2e_start
  drv wait Bytwacht 30000 >/dev/null
  expect "opaque with Alpha=-1" e2e_wait_state "alpha=255"
  local state
  state=$(drv state)
  expect "pop-up at the stored place" contains "$state" "rect=120,90,540,240"
  expect "pop-up style" contains "$state" "style=9"
  drv close >/dev/null
  e2e_exit_code >/dev/null

  # Maximised but hidden: only the icon at first, maximised once shown by it.
  e2e_settings "IsMaximized=1" "IsVisible=0"
  rm -f "$WINEPREFIX/bytwacht.rc"
  start_and_settle
  expect "starts hidden" contains "$(drv state)" "visible=0"
  # A save before the first show (here a logoff's) keeps the waiting maximise.
  expect "logoff allowed" equals "$(drv endsession)" 1
  expect "saved maximised while hidden" equals "$(e2e_ini IsMaximized),$(e2e_ini IsVisible)" "1,0"
  xdotool mousemove 1008 756 click 1 >/dev/null 2>&1
  expect "shown by the icon" e2e_wait_state "visible=1"
  expect "faded in" e2e_wait_state "alpha=255"
  state=$(drv state)
  local style
  style=$(sed -n 's/.* style=\([0-9a-f]*\).*/\1/p' <<<"$state")
  expect "shown maximised" test $((0x$style & 0x01000000)) -ne 0
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
  expect "stored maximised and visible" equals "$(e2e_ini IsMaximized),$(e2e_ini IsVisible)" "1,1"
}

case_adapter_not_opened() {
  # An adapter that cannot be opened: at launch it is awaited for a minute
  # (the icon warns meanwhile, no box), then the engine's box, and the icon in
  # its error picture with the reason in its tip.
  e2e_settings 'DeviceName=\Device\NPF_{DEADBEEF-0000-0000-0000-000000000000}'
  e2e_start
  expect "warning while waiting" e2e_wait_tray warning 20
  expect "no box while waiting" e2e_no_window Fehler
  expect "error box after the minute" drv wait Fehler 75000
  expect "error text" contains "$(drv texts Fehler)" "Adapter kann nicht geöffnet werden!"
  expect "error picture" e2e_wait_tray error 10
  drv press Fehler IDOK >/dev/null || drv press Fehler IDCANCEL >/dev/null
  e2e_hover_tray
  e2e_shot tray-tip-error
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
}

case_taskbar_restart() {
  # A restarted shell has lost every icon and says so with "TaskbarCreated":
  # the icon comes back, in the state it had.
  e2e_settings
  start_and_wait
  e2e_traffic 20
  expect "tray turns OK" e2e_wait_tray ok 20
  drv traydrop >/dev/null
  expect "icon gone with the shell" e2e_wait_tray none 10
  e2e_shot taskbar-restart-gone
  drv taskbarcreated >/dev/null
  expect "icon back after TaskbarCreated" e2e_wait_tray ok 10
  e2e_shot taskbar-restart-back
  wait "$E2E_TRAFFIC_PID" 2>/dev/null
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
}

# Rows of verbrauch.csv after checking its shape: "COUNT SUM DATE..." (the
# header, CR LF after every line, dates ascending, each total the sum).
e2e_usage_rows() {
  python3 - "${1:-$E2E_SETTINGS_DIR/verbrauch.csv}" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
lines = data.split(b"\r\n")
assert lines[-1] == b"", "no CR LF after the last line"
assert lines[0] == b"Datum;Ein;Aus;Unbekannt;Gesamt", lines[0]
assert b"\n" not in b"".join(lines), "a bare LF"
rows = [line.split(b";") for line in lines[1:-1]]
dates, total = [], 0
for r in rows:
    assert len(r) == 5, r
    i, o, u, g = map(int, r[1:])
    assert i + o + u == g, r
    total += g
    dates.append(r[0].decode())
assert dates == sorted(set(dates)), dates
print(len(rows), total, " ".join(dates))
PY
}

case_usage_history() {
  # Two runs with traffic: today's row holds exactly what the saved total grew
  # by, and the second run adds to the same row.
  e2e_settings "BytesTransmitted=5000"
  local day run rows sum dates grew
  day=$(date +%F)
  for run in 1 2; do
    rm -f "$WINEPREFIX/bytwacht.rc"
    start_and_wait
    e2e_traffic 6
    expect "capture running (run $run)" e2e_wait_tray ok 20
    wait "$E2E_TRAFFIC_PID" 2>/dev/null
    drv close >/dev/null
    expect "normal exit (run $run)" equals "$(e2e_exit_code)" 0
    read -r rows sum dates <<<"$(e2e_usage_rows)"
    grew=$(($(e2e_ini BytesTransmitted) - 5000))
    expect "traffic counted (run $run: $grew bytes)" test "$grew" -gt 100000
    expect "the rows hold what the total grew by (run $run)" equals "$sum" "$grew"
    [ "$(date +%F)" = "$day" ] && expect "one row, today's (run $run)" equals "$rows $dates" "1 $day"
  done

  # The counter reset leaves the usage alone.
  rm -f "$WINEPREFIX/bytwacht.rc"
  start_and_wait
  drv command CmdResetCounter >/dev/null
  drv wait "Traffic-Zähler zurücksetzen" 10000 >/dev/null
  drv press "Traffic-Zähler zurücksetzen" IDYES >/dev/null
  drv gone "Traffic-Zähler zurücksetzen" 10000 >/dev/null
  drv close >/dev/null
  e2e_exit_code >/dev/null
  expect "usage kept after a counter reset" test "$(e2e_usage_rows | cut -d' ' -f2)" -ge "$sum"
}

case_usage_dialog() {
  # The menu item's place, the dialog with its chart, and the export through
  # the standard save dialog.
  local menu
  menu=$(drv menu "$(winepath -w "$E2E_EXE")")
  expect "menu item after the restart, before the About separator" equals "$(tr '\n' '|' <<<"$menu")" \
    "Adapterauswahl... 40004|Einstellungen... 40008|-|Traffic-Zähler zurücksetzen 40006|Capturing neu starten... 40012|Verbrauch... 40014|-|Über Bytwacht... 40010|-|Programm beenden 40002|"
  e2e_settings
  # Some history of other days, so the chart and the months have something to show.
  python3 - "$E2E_SETTINGS_DIR/verbrauch.csv" <<'PY'
import datetime, sys
today = datetime.date.today()
rows = []
for back in range(1, 400, 3):
    d = today - datetime.timedelta(days=back)
    i, o, u = (back * 7919) % 900000000, (back * 104729) % 300000000, (back * 13) % 5000000
    rows.append("%s;%d;%d;%d;%d\r\n" % (d.isoformat(), i, o, u, i + o + u))
open(sys.argv[1], "wb").write(("Datum;Ein;Aus;Unbekannt;Gesamt\r\n" + "".join(sorted(rows))).encode())
PY
  start_and_wait
  e2e_traffic 12
  expect "capture running" e2e_wait_tray ok 20

  # The limit's page: 100 GiB from the 15th.
  drv command CmdSettings >/dev/null
  drv wait "~Bytwacht" 10000 >/dev/null
  drv page "~Bytwacht" 4 >/dev/null
  drv updown "~Bytwacht" IDC_MONTHLY_LIMIT_UPDOWN 102400 >/dev/null
  drv updown "~Bytwacht" IDC_MONTH_START_UPDOWN 15 >/dev/null
  drv painted "~Bytwacht" >/dev/null
  e2e_shot sheet-verbrauch
  drv press "~Bytwacht" IDOK >/dev/null
  expect "limit stored in bytes" e2e_wait_ini Monatslimit 107374182400
  expect "start day stored" equals "$(e2e_ini Monatsbeginn)" 15

  drv command CmdUsage >/dev/null
  expect "dialog shown" drv wait Verbrauch 10000
  drv painted Verbrauch >/dev/null
  e2e_shot usage-dialog
  expect "months from the start day" contains "$(drv texts Verbrauch)" "Die letzten 12 Monate (Monatsbeginn am 15.):"
  local bars
  bars=$(e2e_count_pixels "$E2E_ART/usage-dialog.png" 1024x768+0+0 'g > 200 and r < 60 and b < 60')
  expect "green bars in the chart" test "$bars" -gt 200
  drv press Verbrauch IDC_USAGE_EXPORT >/dev/null
  expect "save dialog" drv wait "Verbrauch exportieren" 10000
  drv painted "Verbrauch exportieren" >/dev/null
  e2e_shot usage-export
  # Typed like a user: the name field has the focus with the proposed name selected.
  xdotool type --delay 30 'C:\verbrauch-export.csv' >/dev/null 2>&1
  xdotool key Return >/dev/null 2>&1
  drv gone "Verbrauch exportieren" 10000 >/dev/null
  local exported="$WINEPREFIX/drive_c/verbrauch-export.csv"
  expect "exported" test -f "$exported"
  drv press Verbrauch IDCANCEL >/dev/null
  wait "$E2E_TRAFFIC_PID" 2>/dev/null
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
  local copy saved
  copy=$(e2e_usage_rows "$exported")
  saved=$(e2e_usage_rows)
  expect "the export has every day ($copy)" equals "${copy%% *}" "${saved%% *}"
  expect "the export ends today" equals "${copy##* }" "$(date +%F)"
}

case_usage_balloons() {
  # A damaged file is moved aside with a balloon; a monthly limit of 1 MiB is
  # reached by the traffic: one warning balloon, and the tip shows the month.
  e2e_settings "Monatslimit=1048576" "WindowPosX=100" "WindowPosY=100"
  printf 'Datum;Ein;Aus\r\nkaputt\r\n' >"$E2E_SETTINGS_DIR/verbrauch.csv"
  start_and_wait
  expect "damaged notice" drv tip "verbrauch.csv.defekt" 10000
  e2e_shot balloon-damaged
  expect "damaged file moved aside" equals "$(cat "$E2E_SETTINGS_DIR/verbrauch.csv.defekt" 2>/dev/null | tr -d '\r\n')" "Datum;Ein;Auskaputt"
  e2e_traffic 15
  expect "capture running" e2e_wait_tray ok 20
  # About 500 KB/s: the limit is reached within a few seconds, and its balloon
  # takes the place of the first.
  expect "limit warning" drv tip "Monatslimit" 15000
  e2e_shot balloon-limit
  # The tip of the icon shows once the balloon has gone.
  drv notip "Monatslimit" 30000 >/dev/null
  e2e_hover_tray
  e2e_shot tray-tip-month
  expect "the tip shows the month" drv tip "Monat:" 2000
  xdotool mousemove 600 400 >/dev/null 2>&1
  wait "$E2E_TRAFFIC_PID" 2>/dev/null
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
  expect "a new history" test "$(e2e_usage_rows | cut -d' ' -f2)" -gt 1048576
  expect "limit kept" equals "$(e2e_ini Monatslimit)" 1048576
}

# Fields of `drv state`: rect or client as four numbers.
state_field() { sed -n "s/.* $1=\([-0-9]*\),\([-0-9]*\),\([-0-9]*\),\([-0-9]*\).*/\1 \2 \3 \4/p" <<<"$2"; }
# A size written for 96 DPI at DPI $2, rounded as MulDiv rounds.
px() { echo $((($1 * $2 + 48) / 96)); }
# Whether `drv state` shows the window on the virtual desktop and in the topmost band.
on_desktop() {
  local l t r b
  read -r l t r b <<<"$(state_field rect "$1")"
  [ "$l" -ge 0 ] && [ "$t" -ge 0 ] && [ "$r" -le 1024 ] && [ "$b" -le 768 ] ||
    { echo "    rect $l,$t,$r,$b is not on the 1024x768 desktop"; return 1; }
}
topmost() {
  local ex
  ex=$(sed -n 's/.*exstyle=\([0-9a-f]*\).*/\1/p' <<<"$1")
  [ $((0x$ex & 0x8)) -ne 0 ] || { echo "    exstyle $ex has no WS_EX_TOPMOST"; return 1; }
}
# until_state CHECK [SECONDS]: waits until CHECK (on_desktop, topmost) passes
# for `drv state`; says why not when SECONDS pass first.
until_state() {
  local end=$((SECONDS + ${2:-5}))
  until "$1" "$(drv state)" >/dev/null; do
    [ "$SECONDS" -ge "$end" ] && { "$1" "$(drv state)"; return 1; }
    sleep 0.2
  done
}

case_display_change() {
  # Stored on a monitor that is gone: the window opens on screen, its size kept.
  e2e_settings "WindowPosX=5000" "WindowPosY=4000" "WindowWidth=400" "WindowHeight=160" "AlwaysOnTop=1"
  start_and_wait
  local state l t r b
  state=$(drv state)
  expect "opened on the desktop" on_desktop "$state"
  read -r l t r b <<<"$(state_field rect "$state")"
  expect "size kept" equals "$((r - l))x$((b - t))" 400x160
  expect "on top" topmost "$state"
  e2e_shot offscreen-rescued

  # Left off-screen by a display change: back with the next WM_DISPLAYCHANGE,
  # which also puts it on top again.
  drv notopmost >/dev/null
  drv place 3000 -2000 400 160 >/dev/null
  drv post 0x7E 32 0x03000400 >/dev/null # WM_DISPLAYCHANGE, 32 bits, 1024 x 768
  expect "back after a display change" until_state on_desktop
  expect "on top after a display change" until_state topmost

  drv notopmost >/dev/null
  drv post 0x218 0x12 >/dev/null # WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC
  expect "on top after resume" until_state topmost
  drv notopmost >/dev/null
  drv taskbarcreated >/dev/null
  expect "on top after the taskbar came back" until_state topmost

  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
  expect "stored on screen" test "$(e2e_ini WindowPosX)" -lt 1024
}

# One start at a display scaling: Wine reports the prefix's LogPixels as every
# window's DPI and scales nothing itself, so what grows is the program's own
# layout. Screenshots of the adapter dialog, the graph, the sheet and the tray.
e2e_dpi_round() {
  local dpi="$1" state cx cy cw ch
  e2e_start
  expect "adapter dialog at $dpi" drv wait Adapter-Auswahl 30000
  drv painted Adapter-Auswahl >/dev/null
  e2e_shot "dpi$dpi-adapter-dialog"
  drv select Adapter-Auswahl IDC_ADAPTER_LIST lo >/dev/null
  drv press Adapter-Auswahl IDOK >/dev/null
  expect "main window at $dpi" drv wait Bytwacht 20000
  e2e_traffic 16
  e2e_settled
  state=$(drv state)
  # Wine answers GetDpiForWindow for another process's window with 96, so the
  # DPI the program saw shows in its default size below.
  expect "per-monitor aware by its manifest" contains "$state" "awareness=2"
  local l t r b
  read -r l t r b <<<"$(state_field rect "$state")"
  expect "default size at $dpi" equals "$((r - l))x$((b - t))" "$(px 300 "$dpi")x$(px 100 "$dpi")"

  drv command CmdSettings >/dev/null
  expect "sheet at $dpi" drv wait "~Bytwacht" 10000
  drv painted "~Bytwacht" >/dev/null
  e2e_shot "dpi$dpi-sheet-fenster"
  for page in 1:graph 2:winpcap 3:autostart; do
    drv page "~Bytwacht" "${page%%:*}" >/dev/null
    drv painted "~Bytwacht" >/dev/null
    e2e_shot "dpi$dpi-sheet-${page#*:}"
  done
  drv press "~Bytwacht" IDCANCEL >/dev/null
  drv gone "~Bytwacht" 10000 >/dev/null
  # Some seconds of bars for the pictures: the graph grows by one bar a second.
  sleep 7

  # The cursor on the newest bar: its figures in the overlay.
  read -r cx cy cw ch <<<"$(state_field client "$(drv state)")"
  xdotool mousemove $((cx + cw - 3)) $((cy + ch - $(px 20 "$dpi") - 3)) >/dev/null 2>&1
  # The read-out follows the mouse; nothing tells when it is painted.
  sleep 1.5
  e2e_shot "dpi$dpi-screen"
  convert "$E2E_ART/dpi$dpi-screen.png" -crop "$((r - l + 20))x$((b - t + 20))+$((l > 10 ? l - 10 : 0))+$((t > 10 ? t - 10 : 0))" \
    +repage "$E2E_ART/dpi$dpi-graph.png"
  convert "$E2E_ART/dpi$dpi-screen.png" -crop 200x80+824+688 +repage "$E2E_ART/dpi$dpi-tray.png"

  # Legend separators in the client's bottom row: 88, 176 and 264 at 96 DPI.
  local separators
  separators=$(e2e_matching_columns "$E2E_ART/dpi$dpi-screen.png" "${cw}x1+$cx+$((cy + ch - 1))" \
    'r < 40 and 70 < g < 120 and 160 < b < 220' | head -n 3 | tr '\n' ' ')
  expect "legend separators at $dpi" equals "$separators" "$(px 88 "$dpi") $(px 176 "$dpi") $(px 264 "$dpi") "
  # The overlay's last text row, white, in the left half away from the bars.
  E2E_OVERLAY_BOTTOM=$(e2e_lowest_row "$E2E_ART/dpi$dpi-screen.png" "$((cw / 2))x${ch}+$cx+$cy" \
    'r > 200 and g > 200 and b > 200')
  xdotool mousemove 600 300 >/dev/null 2>&1
  wait "$E2E_TRAFFIC_PID" 2>/dev/null
  drv close >/dev/null
  expect "normal exit at $dpi" equals "$(e2e_exit_code)" 0
  expect "stored in physical pixels at $dpi" equals "$(e2e_ini WindowWidth)x$(e2e_ini WindowHeight)" \
    "$(px 300 "$dpi")x$(px 100 "$dpi")"
}

case_dpi_scaling() {
  local dpi bottom96=0
  for dpi in 96 144 192; do
    if [ "$dpi" != 96 ]; then
      e2e_cleanup_prefix
      e2e_fresh_prefix dpi_scaling
    fi
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    e2e_dpi_round "$dpi"
    echo "    $dpi DPI: overlay ends at row $E2E_OVERLAY_BOTTOM"
    [ "$dpi" = 96 ] && bottom96="$E2E_OVERLAY_BOTTOM"
    # The overlay's rows grow with the scaling (font and row positions alike).
    expect "overlay scaled at $dpi" test $((E2E_OVERLAY_BOTTOM * 96 * 10)) -ge $((bottom96 * dpi * 9)) -a \
      $((E2E_OVERLAY_BOTTOM * 96 * 10)) -le $((bottom96 * dpi * 11))
  done
}

# Bytes on the wire of a UDP datagram with 500 payload bytes.
LAPTOP_DATAGRAM=542

# Closes the program once the last datagrams are in a sample: the close saves
# before the capture stops.
laptop_close() {
  sleep 0.6
  drv close >/dev/null
  expect "normal exit" equals "$(e2e_exit_code)" 0
}

# A capture whose counts can be checked to the byte: only datagrams to port
# 40124 on the case's own veth pair count.
laptop_start() {
  local npf="$1"
  shift
  e2e_settings "DeviceName=$npf" "CaptureFilter=udp and dst port 40124" "Interval=200" "$@"
  start_and_wait
  expect "capture running" e2e_wait_tray ok 20
}

# laptop_expect_recovered ADDRESS LABEL: after 20 datagrams were counted and
# the adapter went away or down and came back, probes to ADDRESS must be
# counted again (the time it took is printed after LABEL); then the program
# shows no question and, once closed, has counted every byte exactly once.
laptop_expect_recovered() {
  local address="$1" label="$2" before=$((20 * LAPTOP_DATAGRAM)) ms settled
  ms=$(e2e_recovery_ms "$(date +%s%N)" "$before" "$address" 40124)
  echo "    $label: $ms ms"
  expect "counting again" test "$ms" != timeout
  sleep 1
  settled=$(e2e_total_now)
  expect "only whole probes after the burst" test $(((settled - before) % 52)) -eq 0
  e2e_udp "$address" 40124 20 500
  expect "no question" e2e_no_window "Fehler in der Paketverarbeitung"
  laptop_close
  expect "every byte counted once" equals "$(e2e_ini BytesTransmitted)" $((settled + 20 * LAPTOP_DATAGRAM))
}

case_link_down_up() {
  # A link that goes down and up: no question, and every byte sent while it
  # was up is counted. (Wine's capture does not even notice; Npcap's read
  # fails and the capture is reopened.)
  local npf
  npf=$(e2e_laptop_veth lptl 4701 1) || { echo "    FAILED: no veth pair (root needed)"; E2E_CASE_OK=0; return; }
  laptop_start "$npf"
  e2e_udp 10.212.1.2 40124 20 500
  ip link set lptl0 down
  sleep 2
  ip link set lptl0 up
  laptop_expect_recovered 10.212.1.2 "link up to first counted packet"
  e2e_veth_cleanup lptl
}

case_adapter_recreated() {
  # The adapter goes away (the capture's read fails) and comes back with the
  # same interface index: the capture reopens it by itself, without a question.
  local npf
  npf=$(e2e_laptop_veth lptr 4702 2) || { echo "    FAILED: no veth pair (root needed)"; E2E_CASE_OK=0; return; }
  laptop_start "$npf"
  e2e_udp 10.212.2.2 40124 20 500
  sleep 1
  ip link del lptr0
  sleep 1.5
  e2e_laptop_veth_make lptr 4702 2
  laptop_expect_recovered 10.212.2.2 "adapter back to first counted packet"
  e2e_veth_cleanup lptr
}

case_suspend_resume() {
  # Sleep ends the capture with its total on disk; the wake-up brings it back
  # on its own, also when the adapter takes a while: meanwhile the icon warns
  # and its tip says why. No question at any point.
  local npf
  npf=$(e2e_laptop_veth lpts 4703 3) || { echo "    FAILED: no veth pair (root needed)"; E2E_CASE_OK=0; return; }
  laptop_start "$npf"
  e2e_udp 10.212.3.2 40124 20 500
  sleep 1
  drv sendmsg 0x218 4 >/dev/null # PBT_APMSUSPEND
  local counted=$((20 * LAPTOP_DATAGRAM))
  expect "total on disk before sleeping" equals "$(e2e_ini BytesTransmitted)" "$counted"
  e2e_udp 10.212.3.2 40124 10 500 # while asleep: not counted
  drv sendmsg 0x218 0x12 >/dev/null         # PBT_APMRESUMEAUTOMATIC
  drv sendmsg 0x218 7 >/dev/null            # PBT_APMRESUMESUSPEND
  local ms
  ms=$(e2e_recovery_ms "$(date +%s%N)" "$counted" 10.212.3.2 40124)
  echo "    wake-up to first counted packet: $ms ms"
  expect "counting after the wake-up" test "$ms" != timeout
  sleep 1
  counted=$(e2e_total_now)

  # Asleep again; this time the adapter is not back when the machine wakes.
  drv sendmsg 0x218 4 >/dev/null
  ip link del lpts0
  drv sendmsg 0x218 0x12 >/dev/null
  expect "icon warns while waiting" e2e_wait_tray warning 5
  e2e_hover_tray
  e2e_shot resume-waiting-tip
  sleep 2
  e2e_laptop_veth_make lpts 4703 3
  ms=$(e2e_recovery_ms "$(date +%s%N)" "$counted" 10.212.3.2 40124)
  echo "    adapter back after the wake-up to first counted packet: $ms ms"
  expect "counting once the adapter is back" test "$ms" != timeout
  sleep 1
  local settled
  settled=$(e2e_total_now)
  # Whatever went out while asleep came in 542-byte datagrams: not one counted.
  expect "only whole probes besides the bursts" test $(((settled - 20 * LAPTOP_DATAGRAM) % 52)) -eq 0
  e2e_udp 10.212.3.2 40124 20 500
  expect "no question" e2e_no_window "Fehler in der Paketverarbeitung"
  expect "no error box" e2e_no_window Fehler
  laptop_close
  expect "every byte counted once" equals "$(e2e_ini BytesTransmitted)" $((settled + 20 * LAPTOP_DATAGRAM))
  e2e_veth_cleanup lpts
}

case_address_change() {
  # The adapter's address changes during capture: within two intervals the
  # packets from the new address count as outgoing, and those counted before
  # stay as they were.
  local npf
  npf=$(e2e_laptop_veth lpta 4704 4) || { echo "    FAILED: no veth pair (root needed)"; E2E_CASE_OK=0; return; }
  laptop_start "$npf"
  e2e_udp 10.212.4.2 40124 20 500
  ip addr del 10.212.4.1/24 dev lpta0
  ip addr add 10.212.4.7/24 dev lpta0
  sleep 0.4 # two intervals
  e2e_udp 10.212.4.2 40124 20 500
  laptop_close
  local total=$((40 * LAPTOP_DATAGRAM))
  expect "every byte counted once" equals "$(e2e_ini BytesTransmitted)" "$total"
  expect "all of it outgoing" equals "$(e2e_usage_columns)" "0 $total 0 $total"
  e2e_veth_cleanup lpta
}

case_exit_during_capture_question() {
  # The adapter goes away during capture. While the question "Fehler in der
  # Paketverarbeitung" is up, "Programm beenden" from the icon ends the process
  # within 2 s with exit code 0 and every byte in the file.
  local npf
  npf=$(e2e_veth mendsq) || { echo "    FAILED: no veth pair"; E2E_CASE_OK=0; return; }
  e2e_settings "DeviceName=$npf" "CaptureFilter=udp and dst port 40123" "BytesTransmitted=1000"
  start_and_wait
  expect "capture running" e2e_wait_tray ok 20
  # Status messages from another process, with no text or a pointer of its
  # own: ignored, and the program lives on.
  drv post 0x401 0x34 0 >/dev/null
  drv post 0x401 0x34 0x10 >/dev/null
  e2e_settled
  expect "foreign status ignored" e2e_wait_tray ok 2
  e2e_udp 10.211.0.2 40123 40 500
  sleep 1.5 # the last datagrams through the capture loop
  ip link del mendsq0
  expect "question shown" drv wait "Fehler in der Paketverarbeitung" 10000
  e2e_shot capture-question
  local t0 rc ms
  e2e_tray_menu_last capture-question-menu
  t0=$(date +%s%N)
  rc=$(e2e_exit_code 10)
  ms=$((($(date +%s%N) - t0) / 1000000))
  echo "    gone after $ms ms"
  e2e_veth_cleanup mendsq
  expect "exit code 0" equals "$rc" 0
  expect "gone within 2 s" test "$ms" -le 2000
  expect "every byte in the file" equals "$(e2e_ini BytesTransmitted)" $((1000 + 40 * 542))
}

case_commands_during_first_adapter_dialog() {
  # While the first start asks for the adapter, commands and a logoff wait:
  # nothing is stored and the dialog stays. "Programm beenden" ends start-up
  # as failed (exit code 1) without a further box.
  e2e_start
  expect "adapter dialog shown" drv wait Adapter-Auswahl 30000
  drv command CmdSettings >/dev/null
  drv endsession >/dev/null
  e2e_settled
  expect "dialog still open" drv wait Adapter-Auswahl 1000
  expect "nothing stored" test ! -f "$E2E_INI"
  drv command CmdExit >/dev/null
  expect "exit code 1 soon after the command" equals "$(e2e_exit_code 5)" 1
  expect "still nothing stored" test ! -f "$E2E_INI"
}
