#!/usr/bin/env bash
# Configures and builds Vembrel.
# Usage: scripts/build.sh [--all | --target NAME...] [BUILD_DIR] [extra cmake options...]
#   (default)      the programs: vembrel with its desktop, and the Python module
#   --all          everything: the programs, the tests and the benchmarks
#   --target NAME  only that target (repeatable), such as --target vembrel
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=(--target vembrel_programs)
if [ "${1:-}" = "--all" ]; then
  targets=()
  shift
elif [ "${1:-}" = "--target" ]; then
  targets=()
  while [ "${1:-}" = "--target" ]; do
    targets+=(--target "$2")
    shift 2
  done
fi
build=${1:-$root/build}
shift || true
"$root/scripts/install-deps.sh"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" "${generator[@]}" "$@" >/dev/null
else
  cmake -S "$root" -B "$build" "$@" >/dev/null
fi
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
