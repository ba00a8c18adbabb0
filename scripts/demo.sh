#!/usr/bin/env bash
# Builds Vembrel and runs the demo batch on a generated demo plate.
# Usage: scripts/demo.sh [DIR]   (DIR defaults to ./out/demo)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" "$root/build"
"$root/build/vembrel" demo "${1:-$root/out/demo}"
