#!/usr/bin/env bash
# Installs the Debian 12 packages Vembrel builds with; skips what is present.
# With --tests also what only the tests use: the browser that renders the
# report page and the workbook reader (scripts/test.sh asks for them).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libtiff-dev libjpeg62-turbo-dev libxlsxwriter-dev zlib1g-dev libdeflate-dev libxxhash-dev
  qt6-base-dev libgl-dev
  libcli11-dev nlohmann-json3-dev
  libcminpack-dev libboost-dev libpugixml-dev
  pybind11-dev python3-dev python3-numpy python3-pytest python3-pandas
  libgtest-dev libgmock-dev libbenchmark-dev
  clang clang-format libclang-rt-14-dev
  desktop-file-utils appstream help2man
  xvfb xauth
  snakemake
)
if [ "${1:-}" = "--tests" ]; then packages+=(chromium python3-openpyxl unzip python3-scipy); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then exit 0; fi
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
echo "Installing: ${missing[*]}" >&2
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
