#!/usr/bin/env bash
# Builds the Debian package vembrel_<version>_amd64.deb with CPack: a release
# build of the programs (the program with its desktop, the Python module for
# the system's python3, the man page; no tests, no benchmarks), packaged with
# its desktop entry, metainfo and README, its dependencies read by
# dpkg-shlibdeps. Leaves the package in OUT_DIR (default: the project folder).
# Usage: scripts/package.sh [OUT_DIR] [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root}" && cd "${1:-$root}" && pwd)
build=${2:-$root/build-package}
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DVEMBREL_TESTS=OFF -DVEMBREL_BENCH=OFF -DPython_EXECUTABLE=/usr/bin/python3 \
  -DVEMBREL_PYTHON_INSTALL_DIR=/usr/lib/python3/dist-packages
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
for deb in "$build"/package/vembrel_*_amd64.deb; do
  cp "$deb" "$out/"
  echo "$out/$(basename "$deb")"
done
