#!/usr/bin/env bash
# Builds Vembrel and runs every test. Usage: scripts/test.sh [BUILD_DIR] [extra cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
"$root/scripts/install-deps.sh" --tests
"$root/scripts/build.sh" --all "$build" "$@"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
