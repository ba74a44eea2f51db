#!/usr/bin/env bash
# Builds the Debian package: installs what is missing, builds the Release build into
# build-rel/ and runs CPack's DEB generator there. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-shlibdeps (from build-essential's dpkg-dev) and file find the package's Depends.
scripts/deps.sh $(cat scripts/packages.txt) file
if [ ! -f build-rel/build.ninja ]; then
    cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF \
        -DPICDEX_BENCH=OFF >/dev/null
fi
cmake --build build-rel
(cd build-rel && cpack -G DEB >cpack.log 2>&1) || { cat build-rel/cpack.log >&2; exit 1; }
ls build-rel/picdex_*.deb
