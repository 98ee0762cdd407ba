#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them.
#
#   scripts/bench.sh [BUILD_DIR] [benchmark options...]
#
# BUILD_DIR defaults to build-bench. Options go to the benchmark program,
# e.g. --benchmark_filter=Status --benchmark_min_time=2. Needs Google
# Benchmark (package libbenchmark-dev).
set -euo pipefail
cd "$(dirname "$0")/.."
build="build-bench"
if (($#)) && [[ $1 != -* ]]; then
  build=$1
  shift
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVERKAN_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_reply -j2
if [[ ! -x $build/bench/bench_reply ]]; then
  echo "bench: bench_reply was not built (is libbenchmark-dev installed?)" >&2
  exit 1
fi
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.multimedia*=false' \
  "$build/bench/bench_reply" "$@"
