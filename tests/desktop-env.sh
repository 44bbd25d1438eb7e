#!/usr/bin/env bash
# Runs a command inside a private, headless desktop: an X server, a window
# manager, a session bus, a stand-in system bus and a sound server. Every
# process it starts is stopped by its own pid when the command ends. A peer
# that cannot start is left out (its variable stays unset) so that the tests
# needing it skip with a reason instead of failing or passing.
#
#   tests/desktop-env.sh COMMAND [ARGS...]
set -u

work=$(mktemp -d "${TMPDIR:-/tmp}/pimble-desktop.XXXXXX")
chmod 700 "$work"
pids=()

cleanup() {
  local pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill -TERM "$pid" 2>/dev/null
  done
  for pid in "${pids[@]}"; do
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

note() { echo "desktop-env: $*" >&2; }

# Wait until a file has content (a peer wrote its address), at most ~5 s.
wait_file() {
  for _ in $(seq 1 100); do
    [ -s "$1" ] && return 0
    sleep 0.05
  done
  return 1
}

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS PULSE_SERVER DISPLAY

# Session bus first: Qt programs under X autolaunch one otherwise. It is the
# standard session bus, with its generous limits, but it starts no services
# on demand: the installed ones (dunst, MATE's notification server, ...)
# would come up in the middle of the tests and stay; a test that needs one
# starts it itself, or runs a bus of its own that can.
if command -v dbus-daemon >/dev/null; then
  cat >"$work/session-bus.conf" <<'EOF'
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
  <limit name="max_completed_connections">100000</limit>
  <limit name="max_connections_per_user">100000</limit>
  <limit name="max_names_per_connection">50000</limit>
  <limit name="max_match_rules_per_connection">50000</limit>
  <limit name="max_replies_per_connection">50000</limit>
</busconfig>
EOF
  dbus-daemon --config-file="$work/session-bus.conf" --nofork --print-address=3 3>"$work/session-bus" >/dev/null 2>&1 &
  pids+=($!)
  if wait_file "$work/session-bus"; then
    export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/session-bus")
  else
    note "no session bus"
  fi
  # There is no system bus on the test machines: a second private bus stands
  # in for it, and the tests put mocked system services (logind) on it.
  dbus-daemon --session --nofork --print-address=3 3>"$work/system-bus" >/dev/null 2>&1 &
  pids+=($!)
  if wait_file "$work/system-bus"; then
    export DBUS_SYSTEM_BUS_ADDRESS=$(head -n1 "$work/system-bus")
  else
    note "no stand-in system bus"
  fi
else
  note "dbus-daemon is not installed"
fi

if command -v Xvfb >/dev/null; then
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  pids+=($!)
  if wait_file "$work/display"; then
    export DISPLAY=":$(head -n1 "$work/display")"
  else
    note "Xvfb did not start"
  fi
else
  note "Xvfb is not installed"
fi

if [ -n "${DISPLAY:-}" ] && command -v openbox >/dev/null; then
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || note "openbox did not start"
fi

# A tray only when asked for: PIMBLE_DESKTOP_TRAY=xembed, sni or both. Tests
# start their own tray hosts, so that they decide when one comes up (and a
# tray icon is no window of the program's for the other tests); someone
# trying the program here asks for one to see its icon. trayer is an XEmbed
# system tray at the top right that reserves no screen space; the
# StatusNotifierWatcher is a mock with a host registered, as a panel runs it.
tray=${PIMBLE_DESKTOP_TRAY:-}
if [[ "$tray" == xembed || "$tray" == both ]] && [ -n "${DISPLAY:-}" ]; then
  if command -v trayer >/dev/null; then
    trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
      --SetDockType true --SetPartialStrut false >/dev/null 2>&1 &
    pids+=($!)
  else
    note "trayer is not installed"
  fi
fi
if [[ "$tray" == sni || "$tray" == both ]] && [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  /usr/bin/python3 -m dbusmock --session --template "$(cd "$(dirname "$0")" && pwd)/support/status_notifier_watcher.py" \
    >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
      string:org.kde.StatusNotifierWatcher 2>/dev/null | grep -q 'boolean true' && break
    sleep 0.05
  done
fi

if command -v pulseaudio >/dev/null; then
  . "$(dirname "$0")/sound-server.sh"
  start_sound_server "$work" || note "pulseaudio did not start"
fi

export PIMBLE_TEST_DESKTOP="$work"
"$@"
exit $?
