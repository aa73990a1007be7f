#!/usr/bin/env bash
# Installs what is missing, builds and makes every package this machine can
# make, all in one folder, dist/ (or the folder given):
#   kestrune_<version>_amd64.deb and kestrune-<version>-Linux.tar.gz;
#   where the Qt for Windows is at hand (KESTRUNE_WIN_QT, or the tarball in
#   ../shared/windows/, as for ./test.sh --windows), kestrune-<version>-win64.zip
#   and the installer kestrune-<version>-win64.exe;
#   SHA256SUMS, the checksums of all of them.
set -euo pipefail
out=$(realpath -m "${1:-$(dirname "$0")/dist}")
cd "$(dirname "$0")"
source scripts/deps.sh
kestrune_install_missing "${kestrune_build_packages[@]}" "${kestrune_package_packages[@]}"
jobs="${KESTRUNE_JOBS:-$(nproc 2>/dev/null || echo 2)}"
mkdir -p "$out"
rm -f "$out"/kestrune[-_]* "$out/SHA256SUMS"

# CPack builds the whole build folder before it installs from it (with one
# job per core here); its working files stay there.
kestrune_configure build
cmake --build build --parallel "$jobs"
rm -f build/cpack/kestrune[-_]*
(cd build && cpack -B "$PWD/cpack")
mv build/cpack/kestrune[-_]* "$out/"

status=0
qt=$(kestrune_windows_qt) || status=$?
if [ $status -eq 0 ]; then
  kestrune_configure_windows "$qt"
  cmake --build build-win --parallel "$jobs"
  rm -f build-win/cpack/kestrune-*
  (cd build-win && cpack -G "ZIP;NSIS" -B "$PWD/cpack")
  mv build-win/cpack/kestrune-*-win64.* "$out/"
elif [ $status -eq 77 ]; then
  echo "Windows packages SKIPPED: no Qt for Windows (set KESTRUNE_WIN_QT, or put qt6.4.2-mingw64.tar.xz in ../shared/windows/)"
else
  exit 1
fi

(cd "$out" && sha256sum kestrune[-_]* >SHA256SUMS)
echo "Packages in $out:"
ls -l "$out"
