#!/bin/sh
# Makes the ZIP and the installer from the cross build into a scratch folder,
# then, each in a fresh Wine prefix of its own with none of the build's
# libraries on the path: runs one session (load, extract, save) of the program
# unpacked from the ZIP; installs with the installer silently, runs one
# session of the installed program, and uninstalls, which leaves no registry
# key behind. The ZIP holds stripped files, and nothing reaches the menus.
# The program carries its manifest (drawn per monitor at its scale, written
# for Windows 10 and 11) and is linked terminal-server aware.
#   test_windows_package.sh BUILD_DIR SOURCE_DIR VERSION
set -eu
build=$1 source=$2 version=$3
for tool in cpack makensis unzip Xvfb xdotool x86_64-w64-mingw32-objdump; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
scratch=$(realpath "$(mktemp -d)")
export KESTRUNE_WINE_BARE=1
# Where a menu builder would put the installer's shortcuts: nothing may come.
export XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
wine=$build/wine-run.sh
# The prefixes' Wine servers end before their folders go.
trap 'for p in "$scratch"/prefix-*; do KESTRUNE_WINE_PREFIX=$p "$wine" --wait 2>/dev/null || true; done; rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
session() { /usr/bin/python3 "$source/tests/e2e/kestrune_e2e.py" --exe "$1" --wine "$wine" --only load_extract_save; }

cpack --config "$build/CPackConfig.cmake" -G "ZIP;NSIS" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack"; }
name=kestrune-$version-win64
# Stripped of the libraries' debugging data, the ZIP is about 10 MB; with it, 19 MB.
size=$(stat -c %s "$scratch/out/$name.zip")
[ "$size" -le 12000000 ] || fail "the ZIP is $size bytes"

export KESTRUNE_WINE_PREFIX=$scratch/prefix-zip
unzip -q "$scratch/out/$name.zip" -d "$scratch/zip"
exe=$scratch/zip/$name/bin/kestrune.exe
manifest=$(/usr/bin/python3 "$source/tests/package/windows_manifest.py" "$exe") || fail "kestrune.exe carries no manifest"
# manifest line | what it says
while IFS='|' read -r line what; do
  printf '%s\n' "$manifest" | grep -qF "$line" || fail "the manifest does not say $what"
done <<'TABLE'
<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2</dpiAwareness>|per monitor, version 2
<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>|per monitor, before version 2
<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>|Windows 10 and 11
<requestedExecutionLevel level="asInvoker" uiAccess="false"/>|as the user who starts it
TABLE
x86_64-w64-mingw32-objdump -p "$exe" | grep -q TERMINAL_SERVICE_AWARE || fail "kestrune.exe is not terminal-server aware"
session "$exe" || fail "the program unpacked from the ZIP"

# The installer and the uninstaller run silently (/S); the uninstaller copies
# itself away and ends before its copy has removed the folder.
export KESTRUNE_WINE_PREFIX=$scratch/prefix-installer
installed=$KESTRUNE_WINE_PREFIX/drive_c/Program\ Files/Kestrune
"$wine" "$scratch/out/$name.exe" /S || fail "the installer"
[ -f "$installed/bin/kestrune.exe" ] || fail "nothing installed in $installed"
session "$installed/bin/kestrune.exe" || fail "the installed program"
"$wine" "$installed/Uninstall.exe" /S || fail "the uninstaller"
i=0
while [ -e "$installed/bin/kestrune.exe" ]; do
  i=$((i + 1)); [ $i -lt 600 ] || fail "the uninstaller left $installed"
  sleep 0.1
done
"$wine" reg query 'HKLM\Software\Kestrune developers' >/dev/null 2>&1 && fail "the uninstaller left its registry key"
[ -z "$(find "$scratch/data" "$scratch/config" -type f 2>/dev/null)" ] ||
  fail "menu entries written: $(find "$scratch/data" "$scratch/config" -type f)"
echo "PASS: ZIP and installer"
