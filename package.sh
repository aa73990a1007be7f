#!/usr/bin/env bash
# Installs what is missing, builds and makes the packages in build/: on Linux
# kestrune_<version>_<arch>.deb and kestrune-<version>-Linux.tar.gz.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
kestrune_install_missing
kestrune_configure build
jobs="${KESTRUNE_JOBS:-$(nproc 2>/dev/null || echo 2)}"
cmake --build build --parallel "$jobs" --target package
