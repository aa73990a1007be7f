#!/bin/sh
# Builds the packages from this build folder into a scratch folder, unpacks the
# Debian package into a temporary root (nothing is installed on the machine)
# and checks the tree a user would get: the application folder with the
# executable and the cursor, the launcher on the PATH, the menu entry, icons
# and metainfo that the validators accept, and the program working from there.
#   test_package.sh BUILD_DIR SOURCE_DIR VERSION
set -eu
build=$1 source=$2 version=$3
for tool in cpack dpkg-deb desktop-file-validate appstreamcli strace xvfb-run; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
scratch=$(mktemp -d)
program_pid=
cleanup() {
  [ -z "$program_pid" ] || pkill -P "$program_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
scratch=$(realpath "$scratch")
root=$scratch/root
app=$root/usr/lib/kestrune

cpack --config "$build/CPackConfig.cmake" -G "DEB;TGZ" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/out/*.deb)
tgz=$(ls "$scratch"/out/*.tar.gz)
dpkg-deb -x "$deb" "$root"

# The runtime dependencies come from dpkg-shlibdeps, so Qt Widgets must be among them.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case $depends in *libqt6widgets6*) ;; *) fail "Depends does not name Qt Widgets" ;; esac
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
[ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "section"

# path in the package | test | what it must be
while read -r path test what; do
  [ -n "$path" ] || continue
  [ "$test" "$root/$path" ] || fail "$path is not $what"
done <<TABLE
usr/lib/kestrune/kestrune                     -x an executable
usr/lib/kestrune/HAND-M.CUR                   -f a file
usr/bin/kestrune                              -L a link
usr/share/applications/kestrune.desktop       -f a file
usr/share/metainfo/example.kestrune.Kestrune.metainfo.xml -f a file
usr/share/icons/hicolor/32x32/apps/kestrune.png   -f a file
usr/share/icons/hicolor/48x48/apps/kestrune.png   -f a file
usr/share/icons/hicolor/128x128/apps/kestrune.png -f a file
usr/share/icons/hicolor/256x256/apps/kestrune.png -f a file
usr/share/kestrune/example-skin/o.cjs         -f a file
TABLE
[ "$(realpath "$root/usr/bin/kestrune")" = "$app/kestrune" ] || fail "the launcher does not lead to $app/kestrune"
cmp -s "$app/HAND-M.CUR" "$source/resources/HAND-M.CUR" || fail "the packaged cursor differs from resources/"
[ ! -e "$root/usr/bin/HAND-M.CUR" ] || fail "the cursor is still installed on the PATH"
for member in bin/kestrune lib/kestrune/kestrune lib/kestrune/HAND-M.CUR; do
  tar -tzf "$tgz" | grep -q "/$member\$" || fail "the tarball has no $member"
done

desktop=$root/usr/share/applications/kestrune.desktop
metainfo=$root/usr/share/metainfo/example.kestrune.Kestrune.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
grep -q '<launchable type="desktop-id">kestrune.desktop</launchable>' "$metainfo" || fail "launchable"
[ "$(sed -n 's/^Exec=//p' "$desktop")" = kestrune ] || fail "Exec= is not the launcher's name"

# Started through the launcher, the program opens the cursor from the
# application folder (it stays silent when the file is missing, so look at
# what it opens). Offscreen: only start-up matters here.
fakebin=$scratch/fakebin
mkdir "$fakebin"
for opener in xdg-open explorer; do printf '#!/bin/sh\nexit 0\n' >"$fakebin/$opener"; chmod +x "$fakebin/$opener"; done
PATH=$fakebin:$PATH QT_QPA_PLATFORM=offscreen \
  strace -f -e trace=openat -o "$scratch/strace.log" "$root/usr/bin/kestrune" >"$scratch/run.log" 2>&1 &
program_pid=$!
i=0
until grep -q "\"$app/HAND-M.CUR\", [^)]*) = [0-9]" "$scratch/strace.log" 2>/dev/null; do
  kill -0 "$program_pid" 2>/dev/null || { cat "$scratch/run.log"; fail "the program ended before opening its cursor"; }
  i=$((i + 1)); [ $i -lt 1200 ] || { grep HAND-M "$scratch/strace.log"; fail "the cursor was not opened from $app"; }
  sleep 0.1
done
# strace ignores SIGTERM; ending the program it traces ends it too.
kill "$(grep -m1 -o '^[0-9]*' "$scratch/strace.log")"
wait "$program_pid" 2>/dev/null || true; program_pid=

# One short user run of the unpacked program on a real display server.
status=0
/usr/bin/python3 "$source/tests/e2e/kestrune_e2e.py" --exe "$root/usr/bin/kestrune" --only load_extract_save || status=$?
[ $status -ne 77 ] || exit 77
[ $status -eq 0 ] || fail "the end-to-end run of the unpacked program"
echo "PASS"
