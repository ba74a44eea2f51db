#!/usr/bin/env bash
# Installs what is missing, builds the Release build into build/ and starts Picdex.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh $(cat scripts/packages.txt)
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF -DPICDEX_BENCH=OFF >/dev/null
fi
cmake --build build --target picdex-cli
# Until the windowed application exists the command-line front end stands in.
if [ $# -gt 0 ]; then
    exec build/tools/picdex-cli info "$1"
fi
exec build/tools/picdex-cli --help
