#!/usr/bin/env bash
# The steady exchange's CPU share, told apart from the machine's: each round
# runs three soaks at once, each against its own simulated detector for the
# same SECONDS, without injected events:
#   window  the program, offscreen
#   engine  the exchange alone, with no widgets, as verkan-cli runs it
#   bare    a plain poll() loop writing the standing poll every slot and
#           reading what comes back: what the line costs any program here
# Running them at once exposes all three to the same load of the host, which
# on a virtual machine moves a single figure by a third or more. Prints each
# round and the median of every column.
# Usage: scripts/cpu-share.sh [SECONDS] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
rounds=${2:-5}
build=${VERKAN_BUILD_DIR:-build-release}
bash scripts/setup.sh run
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target soak >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
loads=(window engine bare)
printf '%-6s %8s %8s %8s   (%% of one core)\n' round "${loads[@]}"
for ((round = 1; round <= rounds; ++round)); do
  pids=()
  for load in "${loads[@]}"; do
    "$build/soak" "$seconds" --report "$work/$load.$round" --no-events --load "$load" >/dev/null 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do
    wait "$pid" || { echo "cpu-share: a soak failed in round $round" >&2; exit 1; }
  done
  row=()
  for load in "${loads[@]}"; do
    share=$(awk '$1 == "cpu_share_of_one_core_percent" { printf "%.2f", $2 }' "$work/$load.$round")
    echo "$share" >>"$work/$load.shares"
    row+=("$share")
  done
  printf '%-6s %8s %8s %8s\n' "$round" "${row[@]}"
done
row=()
for load in "${loads[@]}"; do
  row+=("$(sort -n "$work/$load.shares" | awk '{ v[NR] = $1 } END { printf "%.2f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')")
done
printf '%-6s %8s %8s %8s\n' median "${row[@]}"
