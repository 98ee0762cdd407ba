#!/usr/bin/env bash
# Scripted reference run (tools/scenario.cpp): the program against the
# simulated detector through a fixed scenario, its wire traffic and journal
# compared with tests/data/scenario-reference.txt. Usage:
#   scripts/scenario.sh BUILD_DIR [--record]
# BUILD_DIR is a build with tests on, the target `scenario` built. Exits 1
# and shows the difference when the run does not match the reference;
# --record writes the run as the new reference instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: scripts/scenario.sh BUILD_DIR [--record]}
tool=$build/tests/scenario
reference=$root/tests/data/scenario-reference.txt
if [[ ! -x $tool ]]; then
  echo "scenario: $tool not found; build it with: cmake --build $build -j2 --target scenario" >&2
  exit 2
fi
export QT_QPA_PLATFORM=offscreen LC_ALL=ru_RU.UTF-8 LANG=ru_RU.UTF-8
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$tool" "$out"
if [[ ${2:-} == --record ]]; then
  cp "$out" "$reference"
  echo "scenario: reference recorded in $reference"
  exit 0
fi
if ! diff -u "$reference" "$out"; then
  echo "scenario: the run differs from $reference" >&2
  exit 1
fi
echo "scenario: same as the reference"
