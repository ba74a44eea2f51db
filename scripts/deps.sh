#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
# Sourced by run.sh and test.sh; takes the list of packages as arguments.
set -euo pipefail

missing=()
for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

line="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q && $line
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q &&
        sudo env DEBIAN_FRONTEND=noninteractive $line
else
    echo "Missing packages. Install them as root with:" >&2
    echo "  apt-get update && $line" >&2
    exit 1
fi
