#!/usr/bin/env bash
# Builds the command line vembrel (no desktop program, which the demo does not
# use; no tests, no benchmarks) and runs the demo batch on a generated demo plate.
# Usage: scripts/demo.sh [DIR]   (DIR defaults to ./out/demo)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" --target vembrel "$root/build"
"$root/build/vembrel" demo "${1:-$root/out/demo}"
