#!/usr/bin/env bash
# The line watch's targets, measured against a simulated line of 16
# detectors at 19200 baud (tools/linebench.cpp; the watch and the line's
# states run in the tool, with no widgets):
#   refresh  REFRESH_SECONDS of a clean line: the longest time between two
#            replies to the same (address, flank) (target: 2.0 s);
#   latency  TRIALS alarms at random flanks and moments: the time until the
#            table shows the alarm, and then (where verkan-cli has the watch
#            command) until `verkan-cli watch --json` prints it (target: one
#            round plus 100 ms at the 99th percentile);
#   cpu      ROUNDS rounds, each running at once, each against its own
#            simulator, for CPU_SECONDS: the watch of 16 detectors, the
#            single-detector exchange and a bare poll() loop at the same slot
#            rate (the floor of the line on this machine); the median CPU
#            share of each and the watch's ratio to the exchange (target: at
#            most 1.2);
#   soak     with SOAK_SECONDS > 0: random changes every 0.2 to 2 s, 1 % of
#            the replies corrupt, address 16 cut off 30 s of every 60; every
#            change reported once at its address, nothing else, memory flat.
# Usage: scripts/bench-line-watch.sh [SOAK_SECONDS] [TRIALS] [CPU_SECONDS] [ROUNDS]
#                                    [REFRESH_SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
soak_seconds=${1:-0}
trials=${2:-200}
cpu_seconds=${3:-60}
rounds=${4:-3}
refresh_seconds=${5:-120}
build=${VERKAN_BUILD_DIR:-build-release}
bash scripts/setup.sh run >/dev/null
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target linebench verkan-cli >/dev/null
# Nothing here may reach the machine's own serial ports.
for n in $(seq 1 16); do export "VERKAN_COM$n=/nonexistent/tty$n"; done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

value() { awk -v k="$1" '$1 == k { print $2 }' "$2"; }
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
failed=0
run() {
  local name=$1
  shift
  "$build/linebench" "$@" --report "$work/$name" >/dev/null 2>"$work/$name.err" || {
    [[ -s $work/$name ]] || { echo "bench-line-watch: $name did not run" >&2; cat "$work/$name.err" >&2; exit 1; }
    failed=1
  }
}

# CPU first, while nothing else of this script runs.
printf '%-6s %10s %10s %10s %8s   (%% of one core; polls/s)\n' round line exchange bare ratio
for ((round = 1; round <= rounds; ++round)); do
  pids=()
  for load in line exchange bare; do
    "$build/linebench" cpu "$cpu_seconds" --load "$load" --report "$work/cpu.$load.$round" \
      >/dev/null 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do
    wait "$pid" || { echo "bench-line-watch: a cpu run failed in round $round" >&2; exit 1; }
  done
  pids=()
  row=()
  for load in line exchange bare; do
    share=$(value cpu_share_of_one_core_percent "$work/cpu.$load.$round")
    echo "$share" >>"$work/cpu.$load"
    row+=("$share")
  done
  printf '%-6s %10s %10s %10s %8s   (%s; %s)\n' "$round" "${row[@]}" "$(ratio "${row[0]}" "${row[1]}")" \
    "$(value polls_per_s "$work/cpu.line.$round")" "$(value polls_per_s "$work/cpu.exchange.$round")"
done
line_cpu=$(median <"$work/cpu.line")
exchange_cpu=$(median <"$work/cpu.exchange")
bare_cpu=$(median <"$work/cpu.bare")
printf '%-6s %10s %10s %10s %8s\n' median "$line_cpu" "$exchange_cpu" "$bare_cpu" \
  "$(ratio "$line_cpu" "$exchange_cpu")"
echo

run refresh refresh "$refresh_seconds"
run latency latency --trials "$trials"
# The same through verkan-cli watch --json, where it has the command.
json=
if "$build/verkan-cli" --help 2>&1 | grep -q 'watch --addresses'; then
  run json latency --trials "$trials" --cli "$build/verkan-cli"
  json=$work/json
fi
r=$work/refresh
l=$work/latency
echo "refresh of each flank over $(value seconds "$r") s: median $(value refresh_median_ms "$r") ms," \
  "p99 $(value refresh_p99_ms "$r") ms, max $(value refresh_max_ms "$r") ms" \
  "(target: at most 2000 ms) $(value result "$r")"
echo "  slots: mean $(value slot_mean_ms "$r") ms, p99 $(value slot_p99_ms "$r") ms;" \
  "round $(value round_mean_ms "$r") ms (nominal $(value round_ms "$r"))"
echo "  replies dropped by the watch $(value replies_dropped_by_watch "$r") of $(value replies_closed "$r")" \
  "($(value replies_too_soon_only_from_write_end "$r") too soon only when timed from the end of a write call," \
  "longest $(value longest_write_ms "$r") ms); every address answering" \
  "$(value all_answering_after_ms "$r") ms after the start"
echo "alarm to the table, $(value trials "$l") trials: p50 $(value latency_p50_ms "$l") ms," \
  "p99 $(value latency_p99_ms "$l") ms, max $(value latency_max_ms "$l") ms" \
  "(target: p99 at most $(value latency_target_p99_ms "$l") ms) $(value result "$l")"
if [[ -n $json ]]; then
  echo "alarm to verkan-cli watch --json, $(value trials "$json") trials: p50 $(value latency_p50_ms "$json") ms," \
    "p99 $(value latency_p99_ms "$json") ms, max $(value latency_max_ms "$json") ms" \
    "(target: p99 at most $(value latency_target_p99_ms "$json") ms) $(value result "$json")"
else
  echo "alarm to verkan-cli watch --json: not measured, this verkan-cli has no watch command"
fi
echo "CPU share: watch of 16 $line_cpu %, single-detector exchange $exchange_cpu %," \
  "ratio $(ratio "$line_cpu" "$exchange_cpu") (target: at most 1.2); the floor (bare loop) $bare_cpu %"

if ((soak_seconds > 0)); then
  run soak soak "$soak_seconds"
  s=$work/soak
  echo
  echo "soak of $(value seconds "$s") s: $(value changes_injected "$s") changes injected," \
    "$(value changes_reported_once "$s") reported once, $(value changes_unreported "$s") unreported," \
    "$(value false_changes "$s") false; link lost/alive at the cut address" \
    "$(value link_lost_reports "$s")/$(value link_alive_reports "$s") for $(value cuts "$s") cuts," \
    "elsewhere $(value link_events_other_addresses "$s"); $(value replies_corrupt "$s") corrupt replies" \
    "$(value result "$s")"
  echo "  report after injection: p50 $(value report_p50_ms "$s") ms, p99 $(value report_p99_ms "$s") ms;" \
    "resident memory first/last/max $(value rss_first_kib "$s")/$(value rss_last_kib "$s")/$(value rss_max_kib "$s") KiB"
fi
exit "$failed"
