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
apt-get update -q
apt-get install -y -q --no-install-recommends $(grep -v -E '^\s*(#|$)' "$here/.ci/packages.txt")
