#!/usr/bin/env bash
# Makes the Debian package of a build folder, unpacks it into a scratch root (no install onto
# this machine) and checks its files and its control fields.
#   check-deb.sh BUILD_DIR SOURCE_DIR SCRATCH_DIR WEBENGINE(ON|OFF)
set -euo pipefail
build=$1 source=$2 scratch=$3 webengine=$4

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

rm -rf "$scratch"
mkdir -p "$scratch"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; exit 1; }
debs=("$scratch"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "FAIL: expected one .deb: ${debs[*]}" >&2
  exit 1
fi
deb=${debs[0]}
root=$scratch/root
dpkg-deb -x "$deb" "$root"

# The program, executable.
[ -x "$root/usr/bin/tenvel" ] || fail "usr/bin/tenvel missing or not executable"
file -b "$root/usr/bin/tenvel" | grep -q ELF || fail "usr/bin/tenvel is not a program"

# Every shipped file, at the place the installed program looks for it: those of the source tree
# and those the build puts beside the program (pictures made at build time among them).
shared=$root/usr/share/tenvel202
for from in "$source/resources" "$build/app"; do
  (cd "$from" || exit 0; find POPSmtp.ini Sound Images -type f 2>/dev/null || true) | while read -r f; do
    cmp -s "$from/$f" "$shared/$f" || echo "$f"
  done
done >"$scratch/missing-resources"
[ -s "$scratch/missing-resources" ] && fail "shipped files missing or differing: $(tr '\n' ' ' <"$scratch/missing-resources")"

# The menu entry, the icons at each size and the software-centre description.
desktop=$root/usr/share/applications/org.tenvel202.Tenvel202.desktop
[ -f "$desktop" ] || fail "desktop entry missing"
grep -qx 'Name=Tenvel 202' "$desktop" || fail "desktop entry: Name"
grep -qx 'Exec=tenvel' "$desktop" || fail "desktop entry: Exec"
grep -qx 'Categories=Network;Email;' "$desktop" || fail "desktop entry: Categories"
grep -q '^Comment\[zh_CN\]=' "$desktop" || fail "desktop entry: Chinese comment"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
  file -b "$png" 2>/dev/null | grep -q "PNG image data, $size x $size" || fail "icon $size: $png"
done
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "scalable icon"
metainfo=$root/usr/share/metainfo/org.tenvel202.Tenvel202.metainfo.xml
if [ ! -f "$metainfo" ]; then
  fail "metainfo missing"
elif command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
    fail "metainfo does not validate: $(cat "$scratch/appstream.log")"
fi
if [ -f "$desktop" ] && command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop entry does not validate"
fi

# Nothing outside /usr, and nothing of the build (tests, static libraries) inside it.
outside=$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$outside" ] || fail "files outside /usr: $outside"
extra=$(cd "$root" && find usr -name '*.a' -o -name '*_tests' -o -name '*.h')
[ -z "$extra" ] || fail "build files in the package: $extra"

# Control fields: the runtime libraries the program links, the platform plugins, a maintainer.
depends=$(dpkg-deb -f "$deb" Depends)
wanted=(libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libsqlite3-0 libssl3 qt6-qpa-plugins)
[ "$webengine" = ON ] && wanted+=(libqt6webenginewidgets6)
for p in "${wanted[@]}"; do
  grep -Eq "(^|[ ,])$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = tenvel202 ] || fail "package name"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no description"

[ "$failures" -eq 0 ] || exit 1
echo "package ok: $(basename "$deb")"
