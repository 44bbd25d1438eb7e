# Starts a private PulseAudio server on a null sink (sourced, not run), as a
# desktop session has one: the test desktop and the benches use it alike.
# Its files stay in DIR. Its socket lies in a folder of its own under /tmp,
# as the session bus's does: clients read PULSE_SERVER as a list of
# addresses split at spaces, so no address may hold one (DIR does where
# TMPDIR does), and a socket's path is at most 107 bytes long.
# Appends its pid to the caller's `pids`, names that folder in
# `sound_server_dir` (the caller removes it once the server has ended) and
# exports PULSE_SERVER once its socket answers; returns 1 when it did not
# come up within ~5 s.
# Usage: start_sound_server DIR
start_sound_server() {
  mkdir -m 700 "$1/pulse" || return 1
  sound_server_dir=$(mktemp -d /tmp/pimble-pulse.XXXXXX) || return 1
  local socket="$sound_server_dir/pulse.sock"
  HOME="$1/pulse" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
    -L "module-native-protocol-unix socket=\"$socket\" auth-anonymous=1" \
    -L "module-null-sink sink_name=nullsink" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do
    [ -S "$socket" ] && break
    sleep 0.05
  done
  [ -S "$socket" ] || return 1
  export PULSE_SERVER="unix:$socket"
}
