#!/usr/bin/env bash
# Builds the Debian package verkan-r_<version>-<revision>_<arch>.deb the way
# Debian builds its own programs: with the compiler and linker flags of
# dpkg-buildflags and every hardening feature on (stack protector,
# _FORTIFY_SOURCE, format checks, read-only relocations bound at load time;
# position-independent executables are the compiler's default).
#
# Usage: scripts/package.sh [BUILD_DIR]   (default: build-package)
# Prints the path of the package on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-package}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake has no CPPFLAGS: the preprocessor's flags go with the compiler's.
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j2 >/dev/null
rm -f "$build"/verkan-r_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || {
  cat "$build/cpack.log" >&2
  exit 1
}

debs=("$build"/verkan-r_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || {
  echo "package: expected one verkan-r_*.deb in $build" >&2
  exit 1
}
realpath "${debs[0]}"
