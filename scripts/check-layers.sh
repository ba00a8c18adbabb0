#!/usr/bin/env bash
# Checks that every folder of src/ includes only its own headers and those of
# the layers below it: core <- imaging <- render <- plate <- engine <- results,
# with the faces (desktop, python, cli) on top; the command line may start the
# desktop program (cli/desktop_program is the desktop program's entry) and write the demo plate, whose generator (demo) stands on
# the plate layer beside the analysis. Prints each include that points the
# wrong way.
set -euo pipefail
src="$(cd "$(dirname "$0")/../src" && pwd)"
layers=(core imaging render plate engine results)
declare -A allowed
below=""
for layer in "${layers[@]}"; do
  below="$below $layer"
  allowed[$layer]="$below"
done
allowed[demo]="core imaging render plate demo"
allowed[desktop]="$below desktop"
allowed[python]="$below python"
allowed[cli]="$below desktop cli demo"
status=0
for folder in "${!allowed[@]}"; do
  [ -d "$src/$folder" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$line")
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "${file#$src/} includes a header of $target, which $folder may not use"
      status=1
    fi
  done < <(grep -rnE '^#include "[a-z_]+/' "$src/$folder" || true)
done
exit $status
