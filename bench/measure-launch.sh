#!/bin/bash
# Measures the whole program under a private Xvfb and session bus, settings
# window never opened, once for each seed in BENCH_SEEDS (default "1 2 3"),
# each launch on a data folder of its own holding only the settings of a
# user who has done the tour (so no tour window opens, and every launch
# greets its user alike). For each: the time from exec to the character's
# window being mapped, then the resting program over SECONDS: its CPU (every
# thread) and the X server's over the same span, context switches (every
# thread), PSS and private memory. Then the resting character alone on the
# same X server and the same seed, started, greeted and measured as the
# program does it.
# The character's gestures and idle behaviours come by chance, and one wave
# costs a minute about 0.1 point: the program runs on the seed too
# (PIMBLE_SEED), so that both spans hold the same ones, and each launch is
# compared with its own character.
# Usage: bench/measure-launch.sh [BUILD_DIR] [SECONDS]
# BENCH_WM=openbox runs a window manager too; BENCH_SETTINGS='{"followCursor":
# false, "onboardingCompleted": true}' starts from that settings document.
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
pimble="$build/src/pimble"
watch="$build/bench/bench_launch_watch"
character="$build/bench/bench_idle_character_bench"
for f in "$pimble" "$watch" "$character"; do
  [ -x "$f" ] || { echo "build $f first" >&2; exit 1; }
done

work=$(mktemp -d)
chmod 700 "$work"
pids=()
program=
cleanup() {
  if [ -n "$program" ] && kill -0 "$program" 2>/dev/null; then kill -TERM "$program"; fi
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill -TERM "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$work"
  if [ -n "${sound_server_dir:-}" ]; then rm -rf "$sound_server_dir"; fi
}
trap cleanup EXIT

export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" PIMBLE_DATA_DIR="$work/data"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY PULSE_SERVER DBUS_SYSTEM_BUS_ADDRESS
dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >/dev/null 2>&1 &
pids+=($!)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
pids+=($xvfb)
for _ in $(seq 100); do [ -s "$work/display" ] && [ -s "$work/bus" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")" DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
# A desktop session has a sound server; without one the program would try to
# reach it again every few seconds, which no user's desktop makes it do.
if command -v pulseaudio >/dev/null; then
  . "$(dirname "$0")/../tests/sound-server.sh"
  start_sound_server "$work" || true
fi
if [ "${BENCH_WM:-}" = openbox ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
fi
sleep 1

. "$(dirname "$0")/process-stats.sh"
stop() {
  kill -TERM "$1"
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.05; done
  echo "pimble $1 did not end on SIGTERM" >&2
  return 1
}

settings=${BENCH_SETTINGS:-'{"onboardingCompleted": true}'}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Switches are counted thread by thread: a thread that ends in between (Qt's
# pool ends its idle threads) must not take its earlier switches with it. The
# character alone takes its user as present; so does the program's here.
rest() {
  local span xserver stats
  xdotool key shift 2>/dev/null || true
  read -r span xserver < <(rest_and_measure "$program" "$xvfb" "$seconds" "$work")
  stats=$(stats_change "$work/before" "$work/after" "$span")
  echo "$stats" | sed "s/^/launch_${launch}_/"
  awk -v x="$xserver" -v c="$(awk '/^cpu_percent/ { print $2 }' <<<"$stats")" -v p="launch_${launch}_" \
    'BEGIN { printf "%sxserver_cpu_percent %.3f\n%scpu_with_xserver_percent %.3f\n", p, x, p, c + x }' |
    tee -a "$work/program"
  echo "launch_${launch}_threads $(ls /proc/"$program"/task | wc -l)"
  echo "launch_${launch}_pss_kb $(pss "$program")" | tee -a "$work/program"
  echo "launch_${launch}_private_kb $(private "$program")"
}

echo "rest_seconds $seconds"
launch=0
for seed in ${BENCH_SEEDS:-1 2 3}; do
  launch=$((launch + 1))
  rm -rf "$PIMBLE_DATA_DIR"
  mkdir -m 700 "$PIMBLE_DATA_DIR"
  printf '%s\n' "$settings" >"$PIMBLE_DATA_DIR/settings.json"
  out=$(PIMBLE_SEED=$seed "$watch" --timeout=20 "$pimble")
  program=$(awk '/^pid / { print $2 }' <<<"$out")
  echo "launch_${launch}_seed $seed"
  echo "launch_${launch}_mapped_ms $(awk '/^mapped_ms / { print $2 }' <<<"$out")"
  rest
  stop "$program"
  program=
  out=$(PIMBLE_XSERVER_PID=$xvfb QT_QPA_PLATFORM=xcb "$character" --rest-seconds="$seconds" \
    --seed="$seed" --as-launched)
  alone=$(awk '/^(cpu_percent|xserver_cpu_percent) / { c += $2 } END { printf "%.3f", c }' <<<"$out")
  echo "launch_${launch}_character_alone_cpu_with_xserver_percent $alone" | tee -a "$work/character"
  awk -v p="$(awk -v l="launch_${launch}_cpu_with_xserver_percent" '$1 == l { print $2 }' "$work/program")" \
    -v c="$alone" -v l="launch_${launch}_" \
    'BEGIN { printf "%sprogram_over_character_percent_points %.3f\n", l, p - c }' | tee -a "$work/distance"
done
echo "program_cpu_with_xserver_percent_median $(awk '/cpu_with_xserver/ { print $2 }' "$work/program" | median)"
echo "character_alone_cpu_with_xserver_percent_median $(awk '{ print $2 }' "$work/character" | median)"
echo "program_over_character_percent_points_median $(awk '{ print $2 }' "$work/distance" | median)"
echo "program_pss_kb_median $(awk '/pss_kb/ { print $2 }' "$work/program" | median)"
