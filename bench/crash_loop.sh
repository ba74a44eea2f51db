#!/usr/bin/env bash
# crash_loop.sh: the killed-writer test of tests/crash run for many iterations against a
# Release build. Each iteration starts picdex-cli on a database (storing pictures, adding
# one with its thumbnail, deleting records or changing keywords), kills it with SIGKILL at
# a drawn point, recovers the database as a user would (check, index reconstruction when
# the index is damaged) and checks that every picture reported stored comes back byte
# for byte and is found through the index. Prints iterations, kills, acknowledged
# records, records lost (the goal is 0), index reconstructions needed and the time.
#
#   bench/crash_loop.sh [ITERATIONS [SEED]]     (defaults 1000 and 20250601)
#
# Builds into build-crash-rel/ (configured on first use) and needs the picture corpus in
# ../shared/testdata. Run it with nice: it keeps one core busy for a while.
set -euo pipefail
cd "$(dirname "$0")/.."
iterations="${1:-1000}"
seed="${2:-20250601}"
build=build-crash-rel

export CCACHE_NOHASHDIR=true CCACHE_BASEDIR="$PWD"
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_BENCH=OFF \
        "${launcher[@]}" >/dev/null
fi
cmake --build "$build" --target crash_tests picdex-cli >/dev/null

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
PICDEX_CRASH_ITERATIONS="$iterations" PICDEX_CRASH_SEED="$seed" \
    "$build/tests/crash_tests" --gtest_filter='KilledWriterTest.*' >"$log" 2>&1 || status=$?
summary="$(grep '^crash loop:' "$log" || true)"
if [ -z "$summary" ]; then
    cat "$log"
    exit 1
fi
echo "seed $seed, Release build, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "${summary#crash loop: }" | tr ',' '\n' | sed 's/^ *//'
if [ "$status" -ne 0 ]; then
    echo "FAILED: the test reported problems:"
    grep -E 'Failure|iteration|lost' "$log" | head -40
fi
exit "$status"
