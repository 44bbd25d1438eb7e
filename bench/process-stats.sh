# Figures of a running process, read from /proc, for the measuring scripts
# (sourced, not run).

# CPU seconds of a process, every thread, from the scheduler's nanoseconds.
cpu() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.6f", s / 1e9 }'; }
pss() { awk '/^Pss:/ { print $2 }' /proc/"$1"/smaps_rollup; }
# What the process alone holds: steadier than PSS, which shrinks as more
# processes share the libraries.
private() { awk '/^Private_(Clean|Dirty):/ { s += $2 } END { print s }' /proc/"$1"/smaps_rollup; }

# One line per thread: "tid cpu_ns switches name".
thread_stats() {
  local task
  for task in /proc/"$1"/task/*; do
    {
      read -r ns _ <"$task/schedstat" || continue
      awk -v tid="${task##*/}" -v ns="$ns" -v name="$(cat "$task/comm")" \
        '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print tid, ns, s + 0, name }' \
        "$task/status"
    } 2>/dev/null
  done
}

# What changed between two thread_stats files over SECONDS: the process's
# CPU percent and context switches a second, then each thread's switches a
# second. A thread that started in between counts from zero; one that ended
# adds nothing (Qt's pool threads end after 30 idle seconds).
stats_change() {
  awk -v s="$3" 'NR == FNR { cpu[$1] = $2; sw[$1] = $3; next }
    { dc = $2 - cpu[$1]; dw = $3 - sw[$1]; tc += dc; tw += dw
      name = $4; for (i = 5; i <= NF; i++) name = name " " $i
      line[++n] = sprintf("  thread %s %s %.1f/s", $1, name, dw / s) }
    END { printf "cpu_percent %.3f\n", 100 * tc / 1e9 / s
          printf "context_switches_per_second %.1f\n", tw / s
          for (i = 1; i <= n; i++) print line[i] }' "$1" "$2"
}

# The resting program PID over SECONDS, past the launch's delayed steps (the
# greeting after 5 s), with the user at the machine: a key nobody listens for
# every 30 s, the pointer still, so that the character takes its user as
# present. Leaves thread_stats in DIR/before and DIR/after and prints the
# span's length in seconds and the X server XPID's CPU percent over it.
# Usage: rest_and_measure PID XPID SECONDS DIR
rest_and_measure() {
  local x0 x1 t0 end left span
  sleep 10
  x0=$(cpu "$2")
  thread_stats "$1" >"$4/before"
  t0=$(date +%s.%N)
  end=$((SECONDS + $3))
  while [ "$SECONDS" -lt "$end" ]; do
    xdotool key shift 2>/dev/null || true
    left=$((end - SECONDS))
    sleep $((left < 30 ? left : 30))
  done
  thread_stats "$1" >"$4/after"
  x1=$(cpu "$2")
  span=$(awk -v t0="$t0" -v t1="$(date +%s.%N)" 'BEGIN { printf "%.3f", t1 - t0 }')
  awk -v s="$span" -v x0="$x0" -v x1="$x1" 'BEGIN { printf "%s %.3f\n", s, 100 * (x1 - x0) / s }'
}
