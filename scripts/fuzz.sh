#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60).
# Usage: scripts/fuzz.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$root/build-fuzz}
"$root/scripts/install-deps.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DVEMBREL_FUZZ=ON -DVEMBREL_WERROR=OFF \
    -DVEMBREL_DESKTOP=OFF -DVEMBREL_TESTS=OFF -DVEMBREL_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target fuzz_all
corpus="$build/corpus"
"$build/fuzz/make_fuzz_corpus" "$corpus"
status=0
for target in "$build"/fuzz/fuzz_*; do
  name=$(basename "$target")
  mkdir -p "$corpus/$name" "$build/findings/$name"
  echo "== $name ($seconds s)"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=120 \
      -artifact_prefix="$build/findings/$name/" "$corpus/$name" >"$build/findings/$name.log" 2>&1; then
    echo "$name found a problem; see $build/findings/$name.log"
    tail -n 30 "$build/findings/$name.log"
    status=1
  else
    grep -E '^Done|#[0-9]+ *DONE' "$build/findings/$name.log" | tail -n 1 || true
  fi
done
exit $status
