#!/usr/bin/env bash
# Runs a desktop test on a real X server of 1600 x 1000 pixels (Xvfb, Qt's
# xcb platform). Exits with 77 (skipped) where Xvfb is not installed.
set -euo pipefail
if ! command -v xvfb-run >/dev/null || ! command -v Xvfb >/dev/null; then
  echo "skipped: Xvfb is not installed (Debian: xvfb)" >&2
  exit 77
fi
export QT_QPA_PLATFORM=xcb
# For sanitizer builds: what the X and D-Bus libraries keep is not ours.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan_suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
exec xvfb-run -a -s "-screen 0 1600x1000x24" "$@"
