#!/usr/bin/env bash
# The Debian packages each script needs, installed when any is missing, and
# the configure steps the scripts share. Sourced by run.sh, test.sh and
# package.sh; safe to run again.
set -euo pipefail

# Building and running the program: all that ./run.sh asks for.
kestrune_build_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  fonts-liberation
)

# The tests, on top of those: a display server and the tools that drive the
# real program (a GTK window as the source of drags), the screen-reader bus,
# the Wayland desktops (GNOME's and KDE's compositors, XWayland, Qt's Wayland
# plugin, the Wayland clipboard's tools, GLib's D-Bus for mutter's keyboard),
# clang for the fuzz targets, the package checks, and the Windows leg
# (MinGW-w64, Wine, NSIS).
kestrune_test_packages=(
  xvfb xauth x11-utils xdotool xclip python3-xlib imagemagick python3-gi gir1.2-gtk-3.0
  dbus at-spi2-core python3-pyatspi
  mutter kwin-wayland kwin-style-breeze xwayland qt6-wayland wl-clipboard
  clang libclang-rt-dev
  dpkg-dev file desktop-file-utils appstream strace
  g++-mingw-w64-x86-64-posix wine64 nsis xz-utils unzip
)

# The packages, on top of the build's: dpkg-shlibdeps and file for the
# Debian package's dependencies; MinGW-w64, NSIS and xz for the Windows ZIP
# and installer, made only where the Qt for Windows is at hand.
kestrune_package_packages=(
  dpkg-dev file
  g++-mingw-w64-x86-64-posix nsis xz-utils
)

# kestrune_install_missing PACKAGE...
kestrune_install_missing() {
  local missing=()
  for p in "$@"; do
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

# The Qt for Windows: KESTRUNE_WIN_QT, else the tarball beside the clone,
# unpacked once into build-win/. Prints its folder; fails (77) when there is
# none, which the callers report as a skip, never as a pass.
kestrune_windows_qt() {
  local dir=build-win qt="${KESTRUNE_WIN_QT:-}" tarball=../shared/windows/qt6.4.2-mingw64.tar.xz
  if [ -z "$qt" ]; then
    qt=$PWD/$dir/qt6-mingw
    if [ ! -d "$qt" ] && [ -f "$tarball" ]; then
      rm -rf "$dir/qt6-unpacking" && mkdir -p "$dir/qt6-unpacking"
      tar -C "$dir/qt6-unpacking" -xJf "$tarball" && mv "$dir/qt6-unpacking/qt6-mingw" "$qt" && rmdir "$dir/qt6-unpacking" ||
        return 1
    fi
  fi
  [ -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ] || return 77
  echo "$qt"
}

# kestrune_configure_windows QT_FOLDER: the cross build in build-win/.
kestrune_configure_windows() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  cmake -S "$root" -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$1/lib/cmake/Qt6/qt.toolchain.cmake" -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
}
