#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
kestrune_install_missing
kestrune_configure build
cmake --build build --target kestrune
exec ./build/kestrune "$@"
