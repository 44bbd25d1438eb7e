#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Pimble
# needs (listed in .ci/packages.txt). Run as root, or through sudo.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends $(grep -v -E '^\s*(#|$)' "$here/.ci/packages.txt")
