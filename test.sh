#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh             release build, all tests
#   ./test.sh --sanitize  the same under AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
kestrune_install_missing

dir=build
extra=()
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_SANITIZE=ON)
fi
# The machines this runs on have two cores, often shared: one job per core.
jobs="${KESTRUNE_JOBS:-$(nproc 2>/dev/null || echo 2)}"
kestrune_configure "$dir" "${extra[@]}"
cmake --build "$dir" --parallel "$jobs"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2

# The fuzz targets, KESTRUNE_FUZZ_SECONDS each (5 by default, two at a time:
# about 10 s in all), when clang is here (it is one of the packages above; a
# machine without it still runs everything else). A finding fails the run and
# leaves its input as build-fuzz/crash-*. README.md tells how to fuzz longer.
if [ "$dir" = build ] && command -v clang++ >/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_FUZZ=ON \
    -DKESTRUNE_FUZZ_SECONDS="${KESTRUNE_FUZZ_SECONDS:-5}"
  cmake --build build-fuzz --target kestrune_fuzz --parallel "$jobs"
  ctest --test-dir build-fuzz --output-on-failure -j2
fi
