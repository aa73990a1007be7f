#!/bin/sh
# Builds the Debian package from this build folder into a scratch folder,
# unpacks it into a temporary root (nothing is installed on the machine) and
# checks what a user gets: the application folder, the launcher on the PATH,
# a menu entry and metainfo the validators accept, and the program working.
#   test_package.sh BUILD_DIR SOURCE_DIR VERSION
set -eu
build=$1 source=$2 version=$3
for tool in cpack dpkg-deb desktop-file-validate appstreamcli strace; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
scratch=$(realpath "$(mktemp -d)")
tracer=
trap '[ -z "$tracer" ] || pkill -P "$tracer"; rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
root=$scratch/root app=$scratch/root/usr/lib/kestrune

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack"; }
dpkg-deb -x "$scratch"/out/*.deb "$root"
# dpkg-shlibdeps found the libraries: Qt Widgets must be among them.
dpkg-deb -f "$scratch"/out/*.deb Depends | grep libqt6widgets6 || fail "Depends does not name Qt Widgets"
# The X11 platform comes with Qt's libraries; the Wayland plugin, for a
# Wayland desktop without XWayland, is recommended.
dpkg-deb -f "$scratch"/out/*.deb Recommends | grep -x qt6-wayland || fail "Recommends does not name qt6-wayland"

# path in the package | test | what it must be
while read -r path test what; do
  [ "$test" "$root/$path" ] || fail "$path is not $what"
done <<TABLE
usr/lib/kestrune/kestrune -x an_executable
usr/lib/kestrune/HAND-M.CUR -f a_file
usr/bin/kestrune -L a_link
usr/share/icons/hicolor/256x256/apps/kestrune.png -f a_file
TABLE
[ "$(realpath "$root/usr/bin/kestrune")" = "$app/kestrune" ] || fail "the launcher does not lead to $app/kestrune"
desktop-file-validate "$root/usr/share/applications/kestrune.desktop" || fail "desktop-file-validate"
metainfo=$root/usr/share/metainfo/example.kestrune.Kestrune.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

# Started through the launcher, the program opens its cursor from the
# application folder; a missing one would be silent, so watch what it opens.
mkdir "$scratch/bin" && printf '#!/bin/sh\n' >"$scratch/bin/xdg-open" && chmod +x "$scratch/bin/xdg-open"
PATH=$scratch/bin:$PATH QT_QPA_PLATFORM=offscreen \
  strace -f -e trace=openat -o "$scratch/strace.log" "$root/usr/bin/kestrune" >/dev/null 2>&1 &
tracer=$!
i=0
until grep -q "\"$app/HAND-M.CUR\", [^)]*) = [0-9]" "$scratch/strace.log" 2>/dev/null; do
  i=$((i + 1)); [ $i -lt 1200 ] && kill -0 $tracer 2>/dev/null || fail "the cursor was not opened from $app"
  sleep 0.1
done
pkill -P $tracer; wait $tracer || true; tracer=  # strace itself ignores SIGTERM

# One short user session of the unpacked program on a real display server.
status=0
/usr/bin/python3 "$source/tests/e2e/kestrune_e2e.py" --exe "$root/usr/bin/kestrune" --only load_extract_save || status=$?
[ $status -ne 77 ] || exit 77
[ $status -eq 0 ] || fail "the end-to-end run of the unpacked program"
