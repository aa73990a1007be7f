#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh             release build, all tests
#   ./test.sh --sanitize  the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./test.sh --windows   only the Windows leg: kestrune.exe and every test cross-built
#                         with MinGW-w64 into build-win/ and run under Wine
# The plain run ends with the Windows leg.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
kestrune_install_missing "${kestrune_build_packages[@]}" "${kestrune_test_packages[@]}"
# The machines this runs on have two cores, often shared: one job per core.
jobs="${KESTRUNE_JOBS:-$(nproc 2>/dev/null || echo 2)}"

# Tests leave the user's home folder alone: what tools keep in a home (font
# and shader caches, D-Bus and dconf state, the folders Wine links) goes to a
# home of the build folder's own, kept between runs.
use_test_home() {
  mkdir -p "$1/test-home"
  HOME=$(cd "$1/test-home" && pwd)
  # Some tools (Mesa's shader cache) look the home up in the user database,
  # not in HOME: the folders are named outright.
  export HOME XDG_CACHE_HOME="$HOME/.cache" XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
}

# A clone without the Qt for Windows skips the leg and says so; a skip is
# never reported as a pass.
windows_leg() {
  local dir=build-win qt status=0
  qt=$(kestrune_windows_qt) || status=$?
  if [ $status -eq 77 ]; then
    echo "Windows leg SKIPPED: no Qt for Windows (set KESTRUNE_WIN_QT, or put qt6.4.2-mingw64.tar.xz in ../shared/windows/)"
    return 77
  fi
  [ $status -eq 0 ] || return 1
  local start=$SECONDS
  kestrune_configure_windows "$qt" || return 1
  # Called where a failure must not stop the script (||), so each step says so itself.
  cmake --build "$dir" --parallel "$jobs" || return 1
  use_test_home "$dir"
  # Wine draws on an X server: one of its own for the whole run. The tests
  # start the build's Wine server; it ends a few seconds after the last of them.
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$dir" --output-on-failure -j2 || return 1
  "$dir/wine-run.sh" --wait
  echo "Windows leg passed in $((SECONDS - start)) s"
}

if [ "${1:-}" = "--windows" ]; then
  windows_leg
  exit
fi

dir=build
extra=()
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_SANITIZE=ON)
fi
kestrune_configure "$dir" "${extra[@]}"
cmake --build "$dir" --parallel "$jobs"
export QT_QPA_PLATFORM=offscreen
use_test_home "$dir"
ctest --test-dir "$dir" --output-on-failure -j2

# The fuzz targets, KESTRUNE_FUZZ_SECONDS each (5 by default, two at a time:
# about 10 s in all), when clang is here (it is one of the packages above; a
# machine without it still runs everything else). A finding fails the run and
# leaves its input as build-fuzz/crash-*. docs/testing.md tells how to fuzz longer.
if [ "$dir" = build ] && command -v clang++ >/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_FUZZ=ON \
    -DKESTRUNE_FUZZ_SECONDS="${KESTRUNE_FUZZ_SECONDS:-5}"
  cmake --build build-fuzz --target kestrune_fuzz --parallel "$jobs"
  ctest --test-dir build-fuzz --output-on-failure -j2
fi

if [ "$dir" = build ]; then
  windows_leg || [ $? -eq 77 ]
fi
