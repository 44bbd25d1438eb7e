# Starts a private PulseAudio server on a null sink (sourced, not run), as a
# desktop session has one: the test desktop and the benches use it alike.
# Appends its pid to the caller's `pids` and exports PULSE_SERVER once its
# socket answers; returns 1 when it did not come up within ~5 s.
# Usage: start_sound_server DIR
start_sound_server() {
  mkdir -m 700 "$1/pulse"
  HOME="$1/pulse" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
    -L "module-native-protocol-unix socket=$1/pulse/pulse.sock auth-anonymous=1" \
    -L "module-null-sink sink_name=nullsink" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do
    [ -S "$1/pulse/pulse.sock" ] && break
    sleep 0.05
  done
  [ -S "$1/pulse/pulse.sock" ] || return 1
  export PULSE_SERVER="unix:$1/pulse/pulse.sock"
}
