#!/usr/bin/env bash
# Installs what building and testing need (scripts/setup.sh test), builds
# everything and runs every test: unit and end-to-end tests, the Debian
# package test (lintian, AppStream, the installed programs), and a short
# fuzzing run when clang is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test
build=${VERKAN_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERKAN_PACKAGE_TEST=ON >/dev/null
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2
