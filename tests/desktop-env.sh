#!/usr/bin/env bash
# Runs a command inside a private, headless desktop: an X server, a window
# manager, a session bus, a stand-in system bus and a sound server. Every
# process it starts is stopped by its own pid when the command ends. A peer
# that cannot start is left out (its variable stays unset) so that the tests
# needing it skip with a reason instead of failing or passing.
#
# What the tests rely on is pinned here, whatever the terminal it is run
# from has set (see below). A variable meant for the command goes after the
# script's name:
#   tests/desktop-env.sh env QT_LOGGING_RULES='qt.qpa.*=true' build/tests/app_tests
#
#   tests/desktop-env.sh COMMAND [ARGS...]
set -u

note() { echo "desktop-env: $*" >&2; }

# Everything below lives in one folder; without it the desktop would be
# started half, with its sockets and files in the root folder.
tmp=${TMPDIR:-/tmp}
if ! work=$(mktemp -d "$tmp/pimble-desktop.XXXXXX" 2>/dev/null) || ! work=$(cd "$work" && pwd); then
  note "cannot make the desktop's folder in TMPDIR ($tmp): no such folder or not writable; set TMPDIR to one, or unset it for /tmp"
  exit 1
fi
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
  if [ -n "${sound_server_dir:-}" ]; then rm -rf "$sound_server_dir"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Wait until a file has content (a peer wrote its address), at most ~5 s.
wait_file() {
  for _ in $(seq 1 100); do
    [ -s "$1" ] && return 0
    sleep 0.05
  done
  return 1
}

chmod 700 "$work"

# The contributor's own session reaches every program started here unless it
# is pinned, to what a bare CI machine has: from a terminal of a desktop
# session each of the zone, the locale, the desktop's name, the session type
# and Qt's variables made tests fail that pass without it. A test that means
# to try a zone, a locale, a theme or a scale sets it itself.
# Fake clocks start at a fixed time in UTC and mean its time of day.
export TZ=UTC
# Tools' output that tests read stays untranslated, numbers with a point.
export LANG=C.UTF-8
unset LANGUAGE
# Qt's platform, platform theme, style, scale, font DPI and input method,
# and GTK's modules (the accessibility bridge among them), theme and scale
# where Qt's GTK theme brings GTK in.
for name in $(compgen -e); do
  case $name in
    LC_* | QT_* | GTK_* | GDK_*) unset "$name" ;;
  esac
done
unset NO_AT_BRIDGE XMODIFIERS XCURSOR_THEME XCURSOR_SIZE
# Qt picks its platform theme by the desktop's name (GNOME's or the GTK one
# under GNOME, MATE, Xfce, Cinnamon ..., KDE's under KDE), and with it which
# keys press a button. The session is X's: a program rightly leaves its X
# sources off in a Wayland session.
unset XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION KDE_SESSION_VERSION \
  GNOME_DESKTOP_SESSION_ID
export XDG_SESSION_TYPE=x11
# The peers of the contributor's session: its display, buses, sound server,
# session manager and accessibility bus. Ours are started below.
unset WAYLAND_DISPLAY DISPLAY DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS PULSE_SERVER \
  AT_SPI_BUS_ADDRESS SESSION_MANAGER XDG_SESSION_ID DESKTOP_STARTUP_ID XDG_ACTIVATION_TOKEN
# The user's settings (openbox's, dunst's, GTK's, Qt's logging rules) and
# data stay out, and no test writes into them; system folders as a bare
# machine has them.
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
  XDG_CACHE_HOME="$work/cache" XDG_STATE_HOME="$work/state"
unset XDG_CONFIG_DIRS XDG_DATA_DIRS
for folder in "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"; do
  if ! mkdir -m 700 "$folder"; then
    note "cannot make $folder"
    exit 1
  fi
done

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
  # openbox marks the screen as its own before it has finished starting, and
  # on a busy machine can leave a window asked for meanwhile unmapped until
  # its next event comes: a window of our own, asked for again until openbox
  # shows it, then closed, and the tests' windows come after.
  if command -v xmessage >/dev/null && command -v xdotool >/dev/null; then
    xmessage -geometry +0+0 openbox >/dev/null 2>&1 &
    probe=$!
    for _ in $(seq 1 200); do
      window=$(xdotool search --class "^Xmessage$" 2>/dev/null | head -n1)
      if [ -n "$window" ]; then
        xwininfo -id "$window" 2>/dev/null | grep -q IsViewable && break
        xdotool windowmap "$window" 2>/dev/null
      fi
      sleep 0.05
    done
    [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q IsViewable ||
      note "openbox did not take a window in"
    kill "$probe" 2>/dev/null
    wait "$probe" 2>/dev/null
  fi
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
