#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Pimble
# needs (listed in .ci/packages.txt). As root it installs directly (a fresh
# container has no sudo); otherwise it runs itself again through sudo.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "install-deps.sh: installing packages needs root, and sudo is not available;" \
      "run it as root (for example: su -c 'bash $here/scripts/install-deps.sh')" >&2
    exit 1
  fi
  # Through bash, so the script need not be executable, and by its full
  # path, so it is found from sudo's working directory too.
  exec sudo -- bash "$here/scripts/install-deps.sh" "$@"
fi
export DEBIAN_FRONTEND=noninteractive

# A fresh desktop's automatic updates commonly hold the package manager's
# locks in the first minutes after boot: wait for them as long as apt's own
# lock timeout would, saying so once, instead of failing at once.
wait_seconds=300
deadline=$((SECONDS + wait_seconds))
said=
log=$(mktemp)
trap 'rm -f "$log"' EXIT
locked='^(Waiting for cache lock: |E: )Could not get lock '
# What apt ends with when it did not get a lock in time.
gave_up='^E: (Could not get lock |Unable to lock |Unable to acquire the dpkg)'

# apt-get with its arguments, again while a lock it needs is held by another
# process. apt waits for the dpkg locks itself, repeating its notice every
# second; it gives up at once on the package lists' lock, so that is tried
# again every two seconds.
apt_get() {
  local status
  while :; do
    set +e
    apt-get -o DPkg::Lock::Timeout="$((deadline > SECONDS ? deadline - SECONDS : 0))" "$@" 2>&1 |
      tee "$log" | awk -v said="$said" -v wait="$wait_seconds" -v locked="$locked" -v gave_up="$gave_up" '
        # The lists are read again on each try: shown only when no lock stops it.
        /^Reading package lists/ { shown(); held = $0; next }
        $0 ~ locked {
          held = ""
          if (!said) {
            # "/var/lib/dpkg/lock-frontend is held by process 812 (unattended-upgr)"
            sub(locked, ""); sub(/\. It is held by/, " is held by"); sub(/\.\.\.$/, "")
            print "install-deps.sh: another package manager is at work (" $0 ");" \
              " waiting up to " wait " s for it to finish"
            said = 1
          }
          fflush(); next
        }
        $0 ~ gave_up { next }
        { shown(); print; fflush() }
        END { shown() }
        function shown() { if (held != "") { print held; fflush(); held = "" } }'
    status=${PIPESTATUS[0]}
    set -e
    grep -q -E "$locked" "$log" && said=1
    [ "$status" -eq 0 ] && return 0
    grep -q -E "$gave_up" "$log" || return "$status"
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "install-deps.sh: gave up after $wait_seconds s: the other package manager still" \
        "holds its lock. Run this again once it has finished." >&2
      return 1
    fi
    sleep 2
  done
}

apt_get update -q
apt_get install -y -q --no-install-recommends $(grep -v -E '^\s*(#|$)' "$here/.ci/packages.txt")
