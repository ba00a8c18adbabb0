#!/usr/bin/env bash
# The Debian package, built by CPack from a finished build folder, unpacked
# into a scratch root (dpkg -x) and checked there: its file name and fields,
# the files it holds, `vembrel demo` and `vembrel gui --screenshot` run from
# the unpacked programs, its desktop entry (desktop-file-validate), its man
# page and its Python module.
# Usage: package_test.sh BUILD_DIR VERSION CPACK
set -euo pipefail
build=$1
version=$2
cpack=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$scratch" && "$cpack" --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack could not build the package"; }
deb="$scratch/out/vembrel_${version}_amd64.deb"
[ -f "$deb" ] || fail "no vembrel_${version}_amd64.deb; cpack wrote: $(ls "$scratch/out")"

[ "$(dpkg-deb -f "$deb" Package)" = vembrel ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
[ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libtiff6 libjpeg62-turbo libxlsxwriter libxxhash0 libqt6widgets6 libc6 libstdc++6; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

root="$scratch/root"
dpkg -x "$deb" "$root"
for file in usr/bin/vembrel usr/bin/vembrel-desktop usr/share/applications/org.vembrel.Vembrel.desktop \
  usr/share/metainfo/org.vembrel.Vembrel.metainfo.xml usr/share/man/man1/vembrel.1.gz \
  usr/share/doc/vembrel/README.md; do
  [ -f "$root/$file" ] || fail "the package lacks /$file"
done
if dpkg-deb -c "$deb" | grep -E -v ' \./usr/(bin|share|lib/python3/dist-packages)/' | grep -E -v '/$' | grep -q .; then
  fail "files outside /usr/bin, /usr/share and the Python path: $(dpkg-deb -c "$deb")"
fi
# The programs find their libraries in the system, not in a build folder.
for program in vembrel vembrel-desktop; do
  if readelf -d "$root/usr/bin/$program" | grep -q -E 'RPATH|RUNPATH'; then
    fail "$program carries a library path: $(readelf -d "$root/usr/bin/$program" | grep PATH)"
  fi
done
# Only the desktop program loads Qt.
if readelf -d "$root/usr/bin/vembrel" | grep -q 'libQt'; then
  fail "vembrel needs a Qt library: $(readelf -d "$root/usr/bin/vembrel" | grep libQt)"
fi

desktop-file-validate "$root/usr/share/applications/org.vembrel.Vembrel.desktop" ||
  fail "desktop-file-validate refuses the desktop entry"

man=$(zcat "$root/usr/share/man/man1/vembrel.1.gz")
[[ "$man" == *".TH VEMBREL"* ]] || fail "the man page has no title"
for command in batch merge settings suggest; do
  [[ "$man" == *"$command"* ]] || fail "the man page does not name the command $command"
done

"$root/usr/bin/vembrel" --version | grep -q -F "$version" || fail "vembrel --version does not say $version"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/vembrel" demo "$scratch/demo" >"$scratch/demo.log" 2>&1 ||
  { cat "$scratch/demo.log" >&2; fail "vembrel demo from the package failed"; }
for result in DEMO_Vembrel.csv DEMO_Vembrel.xlsx DEMO_Vembrel_run.json DEMO_Vembrel_report.html; do
  [ -s "$scratch/demo/$result" ] || fail "the demo wrote no $result"
done

# `vembrel gui` starts the desktop program installed beside it.
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$scratch/config" "$root/usr/bin/vembrel" gui \
  "$scratch/demo/pictures" --well A01 --screenshot "$scratch/shot.png" >"$scratch/gui.log" 2>&1 ||
  { cat "$scratch/gui.log" >&2; fail "vembrel gui --screenshot from the package failed"; }
[ "$(head -c 8 "$scratch/shot.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "vembrel gui --screenshot from the package wrote no PNG"

module=$(find "$root/usr/lib/python3/dist-packages" -name 'vembrel*.so' 2>/dev/null || true)
if [ -n "$module" ]; then
  PYTHONPATH="$root/usr/lib/python3/dist-packages" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -c '
import sys, vembrel
plate = vembrel.Plate(sys.argv[1])
assert plate.prefix == "DEMO_", plate.prefix
assert plate.wells[0] == "A01", plate.wells[:3]
' "$scratch/demo/pictures" || fail "the packaged Python module does not open the demo plate"
fi
echo "vembrel_${version}_amd64.deb: $(du -k "$deb" | cut -f1) KiB, Depends: $depends"
