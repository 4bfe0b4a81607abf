# Shared by the scripts that run the Windows build under wine (sourced, not
# run): a throw-away wine prefix and work folder, removed on exit together
# with the simulator, the virtual display and wine's server.

work=$(mktemp -d)
sim_pids=
xvfb_pid=
export WINEPREFIX="$work/wine" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

wine_cleanup() {
  local status=$?
  set +e
  if [[ -n "$sim_pids" ]]; then
    kill $sim_pids 2>/dev/null
    wait $sim_pids 2>/dev/null
  fi
  wine_stop
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  if [[ $status -ne 0 && -s "$work/wine.log" ]]; then
    echo "-- wine's messages (its server's object dump left out):" >&2
    grep -v -e '^0x' -e '^    ' "$work/wine.log" | tail -n 20 >&2
  fi
  if [[ $status -ne 0 ]]; then
    local errors
    for errors in "$work"/*.sim.err; do
      [[ -s "$errors" ]] || continue
      echo "-- simulator errors ($(basename "$errors" .sim.err)):" >&2
      cat "$errors" >&2
    done
  fi
  rm -rf "$work"
  exit "$status"
}
trap wine_cleanup EXIT
trap 'exit 130' INT TERM

# A persistent server, and wine's background services started here with their
# output in the log: otherwise they inherit the output pipe of the first
# program and whoever reads it waits for them.
wine_start() {
  mkdir -p "$WINEPREFIX"
  wineserver -p >>"$work/wine.log" 2>&1
  wine wineboot -i >>"$work/wine.log" 2>&1
}

# Once in a while wine fails to start a program in a prefix it has just made
# ("Application could not be started"): a second try goes through.
wine_reg() {
  wine reg add "$@" /f >>"$work/wine.log" 2>&1 || { sleep 1; wine reg add "$@" /f >>"$work/wine.log" 2>&1; }
}

# Windows' fonts are not here. Debian's fonts stand in for the ones the window
# and wine's system metrics ask for: DejaVu Sans for the dialog faces (the
# message boxes' and the menus' font, 11 pixels at 96 DPI), the metric-compatible
# Liberation fonts for the others. Wine draws some thin glyphs of Liberation Sans
# at 11 pixels ("!", "I", "І"), and of wine's own Tahoma at several sizes, as nothing;
# DejaVu Sans keeps every glyph from 8 to 26 pixels.
wine_start_prefix() {
  # Wine's symbol font for the frames' caption buttons, which Debian's wine does
  # not find where it keeps it.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  wine_start
  local substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  local family
  for family in "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "Segoe UI"; do
    wine_reg "$substitutes" /v "$family" /t REG_SZ /d "DejaVu Sans"
  done
  for family in "MS Sans Serif" "Microsoft Sans Serif" Arial; do
    wine_reg "$substitutes" /v "$family" /t REG_SZ /d "Liberation Sans"
  done
  wine_reg "$substitutes" /v "Times New Roman" /t REG_SZ /d "Liberation Serif"
}

# Maps COM ports to device paths: wine_map_ports COM3 PATH [COM14 PATH ...].
# Wine reads its port mapping when the server starts; a link placed in
# dosdevices instead would be reset.
wine_map_ports() {
  while (( $# >= 2 )); do
    wine_reg 'HKLM\Software\Wine\Ports' /v "$1" /t REG_SZ /d "$2"
    shift 2
  done
  wine_stop
  wine_start
}

# The numbers of the ports that wine lists to programs (its own devices of
# this machine included), as "1 3 14".
wine_present_ports() {
  wine reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' 2>/dev/null | tr -d '\r' |
    sed -n 's/.*REG_SZ[[:space:]]*COM\([0-9]*\)$/\1/p' | sort -n | tr '\n' ' '
}

# A virtual display: wine needs one for any Qt program (Qt's event dispatcher
# creates a window even on the offscreen platform), and the windows platform
# hangs without one.
xvfb_start() {
  local display
  for display in $(seq 90 99); do
    [[ -e "/tmp/.X11-unix/X$display" || -e "/tmp/.X$display-lock" ]] || break
  done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >>"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display"
  for _ in $(seq 50); do
    [[ -e "/tmp/.X11-unix/X$display" ]] && break
    sleep 0.1
  done
}

# Wine's own desktop on the display, so that window frames look like Windows'
# own (takes effect when the wine server restarts).
wine_virtual_desktop() {
  wine_reg 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default
  wine_reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768
}

# A simulated instrument on a pseudo-terminal linked at $1, switched off
# until the first probe as when a technician powers it on after Connect; its
# flash starts erased and is written to $2 when it ends; further arguments
# are the simulator's. Several may run.
sim_start() {
  local name
  name=$(basename "$1")
  "$sim" --link "$1" --power-on-after-probe 300 --dump-flash "$2" "${@:3}" >"$work/$name.sim.out" 2>"$work/$name.sim.err" &
  sim_pids="$sim_pids $!"
  for _ in $(seq 100); do
    [[ -L "$1" ]] && return 0
    kill -0 "$!" 2>/dev/null || { cat "$work/$name.sim.err" >&2; exit 1; }
    sleep 0.1
  done
  echo "the simulator did not publish $1" >&2
  exit 1
}

# Ends every simulator, which writes their flash.
sim_stop() {
  kill -TERM $sim_pids
  wait $sim_pids || true
  sim_pids=
  local out
  for out in "$work"/*.sim.out; do
    echo "-- simulator $(basename "$out" .sim.out):"
    cat "$out"
  done
}

# The id of the first visible window whose name matches $1, waited for up to
# $2 seconds; fails when none shows. Polled: xdotool's --sync dies of an X
# error ("BadWindow") when a window it looks at vanishes meanwhile, as wine's
# do while it starts a program.
visible_window() {
  local id tries=$(($2 * 2))
  for _ in $(seq "$tries"); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    [[ -n $id ]] && { echo "$id"; return 0; }
    sleep 0.5
  done
  return 1
}

# Starts the window veltor-update-gui.exe in folder $1 (in the background;
# wine ends it by a signal, the subshell outlives that quietly), waits for its
# main window (titled by its version), answers a stand-in build's warning at
# start if one shows, and leaves the main window's id in $window and the
# runner's process in $window_runner. Further arguments go before wine (env
# settings).
window=
window_runner=
window_start() {
  local folder=$1
  shift
  (cd "$folder" && "$@" wine ./veltor-update-gui.exe </dev/null >>"$work/wine.log" 2>&1; true) 2>>"$work/wine.log" &
  window_runner=$!
  window=$(visible_window 'VELTOR.*[0-9]' 60) ||
    { echo "the window did not appear within 60 s (in $folder)" >&2; exit 1; }
  local warning
  if warning=$(visible_window '^VELTOR Update$' 5); then
    xdotool windowfocus --sync "$warning" key Return
  fi
  sleep 2
}

# Ends the window (and every other wine program) and starts wine's server again.
window_close() {
  wine_stop
  wait "$window_runner" 2>/dev/null || true
  wine_start
}
