#!/usr/bin/env bash
# Builds the Debian package quorvil4_<version>-1_<arch>.deb from a clean build in
# OUTPUT/build-package/ and leaves it in OUTPUT (default: the source tree's root).
# QUORVIL_SETUP=skip leaves out the installation of missing Debian packages.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
output="$(realpath -m "${1:-$source_dir}")"
[ "${QUORVIL_SETUP:-}" = skip ] || "$source_dir/scripts/setup.sh"

# Built with the hardening flags of Debian's own packages.
cd "$source_dir"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS

werror=OFF
[ -n "${CI:-}" ] && werror=ON
build="$output/build-package"
rm -rf "$build"
mkdir -p "$output"
cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX=/usr \
      -DQUORVIL_TESTS=OFF -DQUORVIL_BENCH=OFF -DQUORVIL_WERROR="$werror" >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB -B "$build/cpack" >/dev/null)
deb=$(find "$build/cpack" -maxdepth 1 -name 'quorvil4_*.deb')
mv "$deb" "$output/"
echo "$output/$(basename "$deb")"
