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
kestrune_configure "$dir" "${extra[@]}"
cmake --build "$dir"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2

# The fuzz targets, a few seconds each, when clang is here (it is one of the
# packages above; a machine without it still runs everything else).
if [ "$dir" = build ] && command -v clang++ >/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_FUZZ=ON
  cmake --build build-fuzz
  ctest --test-dir build-fuzz --output-on-failure -j2
fi
