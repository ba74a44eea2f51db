#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-test/ and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")"
# The installed-tree test checks desktop integration with the tools of test-packages.txt.
scripts/deps.sh $(cat scripts/packages.txt scripts/test-packages.txt)
if [ ! -f build-test/build.ninja ]; then
    cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPICDEX_SANITIZE=ON >/dev/null
fi
cmake --build build-test
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The widget tests run without a display.
export QT_QPA_PLATFORM=offscreen
cd build-test
ctest --output-on-failure -j "$(nproc)"
