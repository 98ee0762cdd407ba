#!/usr/bin/env bash
# What a serial server adds to the exchange. Simulated detectors at the same
# speed: one on its own pseudo-terminal and one behind ser2net's RFC 2217
# port, each polled by the exchange (serverbench: no widgets, as verkan-cli
# runs it); one on a pseudo-terminal and one behind ser2net's raw TCP port,
# each polled by a bare loop that only writes the request every slot and
# reads what comes back (the floor of each line on this machine). Each round
# runs all four at once for POLLS slots, so the host's load moves them
# alike, and prints the round trip of a status poll (median, 99th
# percentile), the slot interval and the CPU share of each. Then one run
# against the server while ser2net is stopped for 1 s three times: the time
# from the server being back (listening again) to the first valid reply.
# Usage: scripts/bench-serial-server.sh [POLLS] [ROUNDS] [BAUD]
set -euo pipefail
cd "$(dirname "$0")/.."
polls=${1:-1000}
rounds=${2:-3}
baud=${3:-115200}
build=${VERKAN_BUILD_DIR:-build-release}
bash scripts/setup.sh test >/dev/null
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target serverbench verkan-sim >/dev/null
# Nothing here may reach the machine's own serial ports.
for n in $(seq 1 16); do export "VERKAN_COM$n=/nonexistent/tty$n"; done

work=$(mktemp -d)
pids=()
server_pid=
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  for pid in "${pids[@]}" $(cat "$work"/*.pid 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A simulated detector; prints its terminal. Run in a command substitution,
# so its process is remembered in a file for the clean-up.
start_sim() {
  local out=$work/sim$1.out
  "$build/sim/verkan-sim" --baud "$baud" </dev/null >"$out" 2>&1 &
  echo $! >"$work/sim$1.pid"
  for _ in $(seq 1 50); do
    [[ -s $out ]] && break
    sleep 0.1
  done
  head -1 "$out"
}

listening() {
  local hex
  hex=$(printf '%04X' "$1")
  grep -qi ":$hex 00000000:0000 0A" /proc/net/tcp
}

# ser2net in front of terminal $1 as RFC 2217 on TCP port $2 and of terminal
# $3 as raw TCP on port $2 + 1, in the foreground, without UUCP lock files
# or mDNS.
start_server() {
  cat >"$work/ser2net.yaml" <<EOF
connection: &verkan
  accepter: telnet(rfc2217),tcp(nodelay),127.0.0.1,$2
  options:
    kickolduser: true
    chardelay: false
    mdns: false
  connector: serialdev,$1,9600n81,local
connection: &bare
  accepter: tcp(nodelay),127.0.0.1,$(($2 + 1))
  options:
    kickolduser: true
    chardelay: false
    mdns: false
  connector: serialdev,$3,${baud}n81,local
EOF
  ser2net -n -u -c "$work/ser2net.yaml" >>"$work/ser2net.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 1 100); do
    listening "$2" && return 0
    sleep 0.02
  done
  echo "bench-serial-server: ser2net does not listen on $2" >&2
  cat "$work/ser2net.log" >&2
  exit 1
}

stop_server() {
  kill "$server_pid"
  wait "$server_pid" 2>/dev/null || true
  server_pid=
}

value() { awk -v k="$1" '$1 == k { print $2 }' "$2"; }
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.2f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

local_pty=$(start_sim local)
server_pty=$(start_sim server)
bare_pty=$(start_sim bare)
bare_server_pty=$(start_sim bareserver)
port=$((20000 + RANDOM % 20000))
while listening "$port" || listening $((port + 1)); do port=$((port + 2)); done
start_server "$server_pty" "$port" "$bare_server_pty"

seconds=$(((polls * 60 + 999) / 1000))
cpu() { value cpu_share_of_one_core_percent "$1"; }
printf '%-6s %21s %21s %13s %30s\n' round "rtt med/p99 us pty" "rtt med/p99 us 2217" \
  "slot ms" "cpu %: pty 2217 bare bare-tcp"
for ((round = 1; round <= rounds; ++round)); do
  runs=()
  "$build/serverbench" --port "$local_pty" --seconds "$seconds" >"$work/pty.$round" &
  runs+=($!)
  "$build/serverbench" --port "rfc2217://127.0.0.1:$port" --seconds "$seconds" >"$work/rfc.$round" &
  runs+=($!)
  "$build/serverbench" --bare --port "$bare_pty" --seconds "$seconds" >"$work/bare.$round" &
  runs+=($!)
  "$build/serverbench" --bare --port "tcp://127.0.0.1:$((port + 1))" --seconds "$seconds" \
    >"$work/baretcp.$round" &
  runs+=($!)
  for run in "${runs[@]}"; do
    wait "$run" || { echo "bench-serial-server: a run failed in round $round" >&2; exit 1; }
  done
  for load in pty rfc; do
    f=$work/$load.$round
    value rtt_median_us "$f" >>"$work/$load.rtt"
    value slot_median_ms "$f" >>"$work/$load.slot"
  done
  for load in pty rfc bare baretcp; do cpu "$work/$load.$round" >>"$work/$load.cpu"; done
  printf '%-6s %21s %21s %13s %30s\n' "$round" \
    "$(value rtt_median_us "$work/pty.$round")/$(value rtt_p99_us "$work/pty.$round")" \
    "$(value rtt_median_us "$work/rfc.$round")/$(value rtt_p99_us "$work/rfc.$round")" \
    "$(value slot_median_ms "$work/pty.$round")/$(value slot_median_ms "$work/rfc.$round")" \
    "$(cpu "$work/pty.$round") $(cpu "$work/rfc.$round") $(cpu "$work/bare.$round") $(cpu "$work/baretcp.$round")"
done
pty_rtt=$(median <"$work/pty.rtt")
rfc_rtt=$(median <"$work/rfc.rtt")
pty_cpu=$(median <"$work/pty.cpu")
rfc_cpu=$(median <"$work/rfc.cpu")
echo
echo "median round trip: pty $pty_rtt us, RFC 2217 through ser2net $rfc_rtt us," \
  "difference $(awk -v a="$rfc_rtt" -v b="$pty_rtt" 'BEGIN { printf "%.2f", (a - b) / 1000 }') ms (target: at most 5 ms)"
echo "median slot: pty $(median <"$work/pty.slot") ms, RFC 2217 $(median <"$work/rfc.slot") ms (target: 60 ms)"
bare_cpu=$(median <"$work/bare.cpu")
baretcp_cpu=$(median <"$work/baretcp.cpu")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
echo "median CPU share: exchange on the pty $pty_cpu %, over RFC 2217 $rfc_cpu %," \
  "ratio $(ratio "$rfc_cpu" "$pty_cpu") (target: at most 1.2)"
echo "the lines' floor: bare loop on a pty $bare_cpu %, on raw TCP through ser2net $baretcp_cpu %," \
  "ratio $(ratio "$baretcp_cpu" "$bare_cpu")"

# Restarts: ser2net stopped for 1 s at 8, 18 and 28 s into a run.
"$build/serverbench" --port "rfc2217://127.0.0.1:$port" --seconds 38 --warm-up 1 \
  --replies "$work/replies" >"$work/restart" 2>>"$work/restart.err" &
run=$!
backs=()
for at in 8 18 28; do
  sleep $((at - ${last:-0} - ${gap:-0}))
  stop_server
  sleep 1
  start_server "$server_pty" "$port" "$bare_server_pty"
  backs+=("$(date +%s%3N)")
  last=$at
  gap=1
done
wait "$run" || true
echo
for back in "${backs[@]}"; do
  first=$(awk -v t="$back" '$1 >= t { print $1; exit }' "$work/replies")
  if [[ -z $first ]]; then
    echo "server back at $back: no reply after it"
  else
    echo "server back: first valid reply $((first - back)) ms later (target: within 2000 ms)"
  fi
done
