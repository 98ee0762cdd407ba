#!/usr/bin/env bash
# Measures how long verkan-r takes from launch until its window is mapped on
# a virtual X display, port scan included. Ports 1-16 point at missing paths
# (the scan still tries every one) so no real serial port is touched.
# Usage: scripts/startup-time.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?build dir}
runs=${2:-10}
display=:$((190 + RANDOM % 50))
Xvfb "$display" -screen 0 1100x700x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
for n in $(seq 1 16); do export "VERKAN_COM$n=/nonexistent/verkan-tty$n"; done
times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/verkan-r" >/dev/null 2>&1 &
  prog=$!
  until xwininfo -display "$display" -root -tree 2>/dev/null | grep -q 'Программа настройки'; do
    sleep 0.005
  done
  end=$(date +%s%N)
  kill "$prog"; wait "$prog" 2>/dev/null || true
  times+=($(((end - start) / 1000000)))
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "window shown after: median %d ms, max %d ms over %d runs\n", a[int((NR+1)/2)], a[NR], NR}'
