#!/usr/bin/env bash
# Installs what is missing, builds the Release build into build/ and starts Picdex:
# ./run.sh opens the database the program last used (else the one beside the program),
# ./run.sh DATABASE opens that database.
set -euo pipefail
cd "$(dirname "$0")"
# The program's Japanese captions need a CJK font; the tests do not.
scripts/deps.sh $(cat scripts/packages.txt) fonts-noto-cjk
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF -DPICDEX_BENCH=OFF >/dev/null
fi
cmake --build build --target picdex picdex-cli
if [ $# -gt 1 ]; then
    echo "usage: ./run.sh [DATABASE]" >&2
    exit 2
fi
exec build/app/picdex "$@"
