#!/usr/bin/env bash
# Installs what building and running need when any of it is missing, builds
# and starts the program. The tests' tools are ./test.sh's to install.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
kestrune_install_missing "${kestrune_build_packages[@]}"
# Configured once; afterwards the build itself notices changed CMake files.
[ -f build/build.ninja ] || kestrune_configure build
cmake --build build --target kestrune
exec ./build/kestrune "$@"
