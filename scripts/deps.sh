#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
# Sourced by run.sh and test.sh; safe to run again.
set -euo pipefail

kestrune_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  fonts-liberation
  xvfb xauth x11-utils xdotool xclip python3-xlib imagemagick
  dbus at-spi2-core python3-pyatspi
  clang libclang-rt-dev
  dpkg-dev desktop-file-utils appstream strace
  g++-mingw-w64-x86-64-posix wine64 nsis xz-utils unzip
)

kestrune_install_missing() {
  local missing=()
  for p in "${kestrune_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; return 1; }
    sudo="sudo"
  fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

kestrune_configure() {
  local dir="$1"; shift
  cmake -S "$(dirname "${BASH_SOURCE[0]}")/.." -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
}
