#!/usr/bin/env bash
# The MQTT publisher's targets (verkan-cli watch --mqtt), measured with
# linebench (tools/linebench.cpp) against a simulated line of 16 detectors at
# 19200 baud and brokers of this script's own: Debian's mosquitto, each on a
# free local port with its configuration, persistence and log in a temporary
# folder (never the machine's broker, never a fixed port):
#   cpu      ROUNDS rounds of CPU_SECONDS, verkan-cli watch without and with
#            --mqtt at once, each against its own simulator, one flank change
#            a second: the median CPU share of each and what publishing adds
#            (target: at most 10 %);
#   latency  TRIALS alarms at random flanks and moments: the time until a
#            subscriber on this machine receives the alarm's event (target:
#            the round the simulator heard in the same run plus 100 ms, at
#            the 99th percentile);
#   restart  RESTARTS runs with a flank change every 0.2 s and the broker
#            stopped (SIGTERM) for 5 s: every event the watch printed
#            delivered, none missing, none out of order; duplicates counted.
# The subscriber keeps a persistent session (QoS 1, its own client id) and
# the broker persists sessions, so that it misses nothing whichever of it and
# the watch connects again first.
# Prints progress on standard error and one "name value" pair a line on
# standard output; exits 1 when a target failed.
# Usage: scripts/bench-mqtt.sh [TRIALS] [RESTARTS] [CPU_SECONDS] [ROUNDS]
# (TRIALS, RESTARTS or ROUNDS 0: that part is skipped)
# (TRIALS or RESTARTS 0: that part is left out.)
set -euo pipefail
cd "$(dirname "$0")/.."
trials=${1:-200}
restarts=${2:-2}
cpu_seconds=${3:-60}
rounds=${4:-3}
build=${VERKAN_BUILD_DIR:-build-release}
mosquitto=${MOSQUITTO:-/usr/sbin/mosquitto}
[[ -x $mosquitto ]] || { echo "bench-mqtt: $mosquitto is missing: bash scripts/setup.sh test" >&2; exit 2; }
bash scripts/setup.sh run >/dev/null
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target linebench verkan-cli >/dev/null
# Nothing here may reach the machine's own serial ports.
for n in $(seq 1 16); do export "VERKAN_COM$n=/nonexistent/tty$n"; done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  # The brokers, also one a linebench left behind when stopped itself.
  for file in "$work"/broker-*/mosquitto.pid; do
    [[ -s $file ]] && kill "$(cat "$file")" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

say() { echo "$*" >&2; }
value() { awk -v k="$1" '$1 == k { print $2 }' "$2"; }
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# What B adds to A, in per cent of A.
added() { awk -v a="$1" -v b="$2" 'BEGIN { printf("%.1f", a > 0 ? 100 * (b / a - 1) : 0) }'; }
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
# A local port nothing listens on.
free_port() {
  local port
  for _ in $(seq 1 100); do
    port=$((20000 + RANDOM % 30000))
    listening "$port" || { echo "$port"; return; }
  done
  echo "bench-mqtt: no free port found" >&2
  exit 2
}
# A broker's folder and configuration: prints its port.
broker_config() {
  local dir=$work/broker-$1 port
  port=$(free_port)
  mkdir -p "$dir"
  cat >"$dir/mosquitto.conf" <<EOF
listener $port 127.0.0.1
allow_anonymous true
persistence true
persistence_location $dir/
pid_file $dir/mosquitto.pid
log_dest file $dir/mosquitto.log
user $(id -un)
EOF
  echo "$port"
}
# Starts a broker of this script's own and waits until it listens.
start_broker() {
  local name=$1 port=$2
  local dir=$work/broker-$name
  "$mosquitto" -c "$dir/mosquitto.conf" >>"$dir/mosquitto.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 1 50); do
    listening "$port" && return
    sleep 0.1
  done
  echo "bench-mqtt: the broker $name did not listen on $port" >&2
  cat "$dir/mosquitto.out" "$dir/mosquitto.log" >&2 2>/dev/null || true
  exit 1
}
linebench() {
  local name=$1
  shift
  "$build/linebench" "$@" --report "$work/$name" >/dev/null 2>"$work/$name.err" || {
    [[ -s $work/$name ]] || { echo "bench-mqtt: $name did not run" >&2; cat "$work/$name.err" >&2; exit 1; }
  }
}
cli=$build/verkan-cli
failed=0

# CPU first, while nothing else of this script runs (none with ROUNDS 0).
if ((rounds > 0)); then
cpu_port=$(broker_config cpu)
start_broker cpu "$cpu_port"
say "$(printf '%-6s %8s %8s %7s %8s %8s   (%% of one core; waits/s; events injected/printed/delivered)' \
  round watch +mqtt added watch +mqtt)"
for ((round = 1; round <= rounds; ++round)); do
  "$build/linebench" cpu "$cpu_seconds" --load cli --cli "$cli" --warm-up 10 \
    --report "$work/cpu.plain.$round" >/dev/null 2>"$work/cpu.plain.$round.err" &
  plain=$!
  "$build/linebench" cpu "$cpu_seconds" --load cli --cli "$cli" --warm-up 10 \
    --mqtt "127.0.0.1:$cpu_port" --report "$work/cpu.mqtt.$round" >/dev/null 2>"$work/cpu.mqtt.$round.err" &
  with=$!
  wait "$plain" && wait "$with" || {
    echo "bench-mqtt: a cpu run failed in round $round" >&2
    cat "$work/cpu.plain.$round.err" "$work/cpu.mqtt.$round.err" >&2
    exit 1
  }
  a=$(value cpu_share_of_one_core_percent "$work/cpu.plain.$round")
  b=$(value cpu_share_of_one_core_percent "$work/cpu.mqtt.$round")
  echo "$a" >>"$work/cpu.plain"
  echo "$b" >>"$work/cpu.mqtt"
  added "$a" "$b" >>"$work/cpu.added"
  echo >>"$work/cpu.added"
  value waits_per_s "$work/cpu.plain.$round" >>"$work/waits.plain"
  value waits_per_s "$work/cpu.mqtt.$round" >>"$work/waits.mqtt"
  say "$(printf '%-6s %8s %8s %6s%% %8s %8s   (%s/%s; %s/%s/%s)' "$round" "$a" "$b" \
    "$(added "$a" "$b")" "$(value waits_per_s "$work/cpu.plain.$round")" \
    "$(value waits_per_s "$work/cpu.mqtt.$round")" \
    "$(value events_injected "$work/cpu.plain.$round")" "$(value flank_events_printed "$work/cpu.plain.$round")" \
    "$(value events_injected "$work/cpu.mqtt.$round")" "$(value flank_events_printed "$work/cpu.mqtt.$round")" \
    "$(value mqtt_events_delivered "$work/cpu.mqtt.$round")")"
done
cpu_plain=$(median <"$work/cpu.plain")
cpu_mqtt=$(median <"$work/cpu.mqtt")
# The target compares the medians; the median of the rounds' own figures
# (each round ran both side by side) is given beside.
cpu_added=$(added "$cpu_plain" "$cpu_mqtt")
cpu_added_rounds=$(median <"$work/cpu.added")
waits_plain=$(median <"$work/waits.plain")
waits_mqtt=$(median <"$work/waits.mqtt")
cpu_result=$(awk -v a="$cpu_plain" -v x="$cpu_added" 'BEGIN { print (a > 0 && x <= 10 ? "pass" : "FAIL") }')
[[ $cpu_result == pass ]] || failed=1
fi

l=$work/latency
if ((trials > 0)); then
  lat_port=$(broker_config latency)
  start_broker latency "$lat_port"
  say "latency: $trials alarms through 127.0.0.1:$lat_port"
  linebench latency latency --trials "$trials" --cli "$cli" --mqtt "127.0.0.1:$lat_port"
  [[ $(value result "$l") == pass ]] || failed=1
fi

sum() { awk -v k="$1" '$1 == k { s += $2 } END { print s + 0 }' "${@:2}"; }
most() { awk -v k="$1" '$1 == k && $2 > m { m = $2 } END { print m + 0 }' "${@:2}"; }
restart_reports=()
restart_result=pass
for ((run = 1; run <= restarts; ++run)); do
  name=restart$run
  port=$(broker_config "$name")
  say "restart $run: broker on 127.0.0.1:$port stopped for 5 s"
  linebench "$name" restart --cli "$cli" --mqtt "127.0.0.1:$port" \
    --broker-command "$mosquitto -c $work/broker-$name/mosquitto.conf" --seed "$run" \
    --trace "$work/$name.trace"
  restart_reports+=("$work/$name")
  [[ $(value result "$work/$name") == pass ]] || { restart_result=FAIL; failed=1; cp "$work/$name.trace" "/tmp/bench-mqtt-$name.trace"; say "restart $run failed: trace in /tmp/bench-mqtt-$name.trace"; }
done

if ((trials > 0)); then
  echo "alarm_trials $(value trials "$l")"
  echo "alarm_round_measured_ms $(value round_measured_ms "$l")"
  echo "alarm_to_subscriber_p50_ms $(value latency_p50_ms "$l")"
  echo "alarm_to_subscriber_p99_ms $(value latency_p99_ms "$l")"
  echo "alarm_to_subscriber_max_ms $(value latency_max_ms "$l")"
  echo "alarm_to_subscriber_target_p99_ms $(value latency_target_p99_ms "$l")"
  echo "alarm_to_json_p99_ms $(value json_latency_p99_ms "$l")"
  echo "alarm_trials_missed $(value trials_missed "$l")"
  echo "alarm_result $(value result "$l")"
fi
if ((restarts > 0)); then
  r=("${restart_reports[@]}")
  echo "restart_runs $restarts"
  echo "restart_broker_down_s $(value broker_down_s "${r[0]}")"
  echo "restart_events_injected $(sum events_injected "${r[@]}")"
  echo "restart_events_printed $(sum events_printed "${r[@]}")"
  echo "restart_events_printed_during_outage $(sum events_printed_during_outage "${r[@]}")"
  echo "restart_events_delivered $(sum events_delivered "${r[@]}")"
  echo "restart_events_duplicated $(sum events_duplicated "${r[@]}")"
  echo "restart_events_missing $(sum events_missing "${r[@]}")"
  echo "restart_events_out_of_order $(sum events_out_of_order "${r[@]}")"
  echo "restart_publisher_online_after_broker_back_max_ms $(most publisher_online_after_broker_back_ms "${r[@]}")"
  echo "restart_outage_caught_up_after_broker_back_max_ms $(most outage_caught_up_after_broker_back_ms "${r[@]}")"
  echo "restart_result $restart_result"
fi
if ((rounds > 0)); then
echo "cpu_rounds $rounds"
echo "cpu_seconds $cpu_seconds"
echo "cpu_watch_percent $cpu_plain"
echo "cpu_watch_mqtt_percent $cpu_mqtt"
echo "cpu_added_percent $cpu_added"
echo "cpu_added_percent_median_of_rounds $cpu_added_rounds"
echo "cpu_watch_waits_per_s $waits_plain"
echo "cpu_watch_mqtt_waits_per_s $waits_mqtt"
echo "cpu_result $cpu_result"
fi
echo "result $([[ $failed == 0 ]] && echo pass || echo FAIL)"
exit "$failed"
