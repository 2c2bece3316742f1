# shellcheck shell=bash disable=SC2154,SC2317
# A private desktop for driving the interactive program: its own X server,
# session bus and home, so that nothing of the user's is read or touched.
# Sourced by scripts/screenshots; needs $work, a scratch
# directory that the caller removes.

# Runs "$@" until it succeeds; fails after LIMIT seconds.
wait_until() {
  local limit=$1 end
  shift
  end=$((${EPOCHREALTIME/./} + limit * 1000000))
  until "$@"; do
    ((${EPOCHREALTIME/./} < end)) || return 1
    sleep 0.1
  done
}

session_pids=()

# Starts Xvfb on a display number that the server picks itself, and a session
# bus (where the accessibility bus gets started on demand); exports the
# environment that every program started afterwards shares.
start_session() {
  local size=${1:-1280x1024}
  for tool in Xvfb xdotool dbus-daemon; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/deps" >&2; return 1; }
  done
  # -noreset: a server resets when its last client leaves, and a program
  # connecting just then (while a poll's xdotool comes and goes) is refused.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  session_pids+=($!)
  wait_until 10 test -s "$work/display" || { echo "Xvfb did not start" >&2; return 1; }
  DISPLAY=":$(head -n 1 "$work/display")"
  export DISPLAY

  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
  export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/run"
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  # No desktop portal and no settings daemon here: GTK's own dialog, settings
  # in memory only.
  export GTK_USE_PORTAL=0 GSETTINGS_BACKEND=${GSETTINGS_BACKEND:-memory}
  unset NO_AT_BRIDGE GTK_MODULES GTK_THEME SESSION_MANAGER

  dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >"$work/dbus.log" 2>&1 &
  session_pids+=($!)
  wait_until 10 test -s "$work/bus" || { echo "dbus-daemon did not start" >&2; return 1; }
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
  export DBUS_SESSION_BUS_ADDRESS
}

stop_session() {
  local pid
  for pid in "${session_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${session_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  session_pids=()
}

# True once process PID has ended (a zombie that is not reaped yet counts).
ended() {
  [ ! -e "/proc/$1" ] || [ "$(cut -d ' ' -f 3 "/proc/$1/stat" 2>/dev/null)" = Z ]
}

# The windows of process PID that are on screen, one id a line.
windows_of() {
  xdotool search --onlyvisible --pid "$1" 2>/dev/null || true
}

# Waits for process PID to show exactly one window and prints its id.
one_window() {
  local pid=$1 found=
  has_one() {
    found=$(windows_of "$pid")
    [ -n "$found" ] && [ "$(wc -l <<<"$found")" -eq 1 ]
  }
  wait_until "${2:-10}" has_one || return 1
  echo "$found"
}

# Sends KEY to WINDOW of process PID until the window closes: GTK's open
# dialog settles a typed location on a short timer and ignores a Return that
# comes before. The key goes to that window itself, never to whatever window
# the program shows next.
press_until_closed() {
  local pid=$1 window=$2 key=$3
  gone() { ! windows_of "$pid" | grep -qx "$window"; }
  for _ in 1 2 3 4 5 6 7 8; do
    xdotool key --window "$window" "$key" 2>/dev/null || true
    wait_until 1 gone && return 0
  done
  return 1
}

# Types PATH into the open dialog WINDOW of process PID and confirms it.
choose_file() {
  xdotool windowfocus --sync "$2"
  xdotool key ctrl+l
  xdotool type --delay 10 "$3"
  press_until_closed "$1" "$2" Return
}
