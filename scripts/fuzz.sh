#!/usr/bin/env bash
# Fuzzes the receive path of the window for a given time, then the serial
# server session's telnet parser for a third of it.
#
#   scripts/fuzz.sh SECONDS [BUILD_DIR] [--merge]
#
# Configures BUILD_DIR (default build-fuzz) with clang and -DVERKAN_FUZZ=ON,
# builds fuzz_receive, and runs it for SECONDS over a copy of fuzz/corpus.
# Crashing inputs are kept in BUILD_DIR/fuzz-artifacts/. With --merge, the
# new inputs that add coverage are merged back into fuzz/corpus.
# Exits non-zero on any crash or sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

merge=0
args=()
for a in "$@"; do
  case $a in
  --merge) merge=1 ;;
  *) args+=("$a") ;;
  esac
done
if ((${#args[@]} < 1)) || ! [[ ${args[0]} =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh SECONDS [BUILD_DIR] [--merge]" >&2
  exit 2
fi
seconds=${args[0]}
build=${args[1]:-build-fuzz}

cxx=$(command -v clang++ || command -v clang++-14 || true)
if [[ -z $cxx ]]; then
  echo "fuzz: clang++ not found (packages clang, libclang-rt-14-dev)" >&2
  exit 2
fi

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVERKAN_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzz_receive fuzz_rfc2217 -j2
fuzzer=$build/fuzz/fuzz_receive

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp fuzz/corpus/* "$work"/ 2>/dev/null || true
artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"

export QT_QPA_PLATFORM=offscreen
export QT_LOGGING_RULES='qt.multimedia*=false'
# Per-input leak checks are off: the window keeps journal entries from input
# to input on purpose. Leaks are still checked once, at exit.
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$root/fuzz/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

log=$build/fuzz-last.log
status=0
"$fuzzer" -max_total_time="$seconds" -max_len=1024 -detect_leaks=0 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$work" >"$log" 2>&1 || status=$?

grep -E '^(#[0-9]+ +(INITED|DONE)|Done [0-9]+ runs)' "$log" | tail -3 || true
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
echo "fuzz: ${runs:-0} executions, ${speed:-0} per second, log in $log"

# Stops the script when run $1 (its exit status $2, its log $3) crashed or
# a sanitizer reported.
fail_on_findings() {
  local report='ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:'
  if (($2 != 0)) || grep -qE "$report" "$3"; then
    echo "fuzz: $1 FAILED (exit $2); the crashing input is in $artifacts" >&2
    grep -E -A30 "$report" "$3" | head -60 >&2 || true
    exit 1
  fi
}
fail_on_findings "the receive path" "$status" "$log"

# The telnet parser alone: cheap per input, so a third of the time goes far.
mkdir -p "$work/rfc2217"
rfc_log=$build/fuzz-rfc2217-last.log
rfc_status=0
"$build/fuzz/fuzz_rfc2217" -max_total_time=$(((seconds + 2) / 3)) -max_len=512 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$work/rfc2217" fuzz/corpus-rfc2217 >"$rfc_log" 2>&1 || rfc_status=$?
rfc_runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$rfc_log" | tail -1)
echo "fuzz: telnet parser ${rfc_runs:-0} executions, log in $rfc_log"
fail_on_findings "the telnet parser" "$rfc_status" "$rfc_log"

if ((merge)); then
  "$fuzzer" -merge=1 -max_len=1024 fuzz/corpus "$work" >>"$log" 2>&1
  echo "fuzz: fuzz/corpus now holds $(find fuzz/corpus -type f | wc -l) inputs"
fi
