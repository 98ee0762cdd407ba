#!/usr/bin/env bash
# Soak run: the program (offscreen) against the simulated detector with random
# state changes, tamper changes and line noise. Usage:
#   scripts/soak.sh SECONDS [REPORT_FILE] [--split-replies] [--no-events]
# Prints requests per second, slot intervals (median, 99th percentile), state
# changes injected against journal lines written, CPU share of one core and
# resident memory at start and end. Exits non-zero when a change was lost.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?seconds}
report=${2:-}
extra=("${@:3}")
build=${VERKAN_BUILD_DIR:-build-release}
bash scripts/setup.sh run
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target soak
args=("$seconds")
[[ -n $report ]] && args+=(--report "$report")
args+=("${extra[@]}")
"$build/soak" "${args[@]}"
