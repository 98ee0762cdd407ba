#!/usr/bin/env bash
# Starts verkan-r on a virtual X display, captures its window to a PNG and
# exits. Usage: scripts/screenshot.sh BUILD_DIR OUTPUT.png [SECONDS]
# The window speaks the language of the environment: LANGUAGE=en for English.
# VERKAN_SCREENSHOT_SCREEN sets the virtual screen (default 1280x800); with
# QT_SCALE_FACTOR it shows the window on a small laptop screen.
# With VERKAN_SCREENSHOT_SIM=1 the simulated detector is started first and
# the program is connected to it through VERKAN_COM1 (the window still has
# to be started by hand for a live picture; see scripts/live-screenshot.sh).
set -euo pipefail
build=${1:?build dir}
out=${2:?output png}
wait_s=${3:-2}

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 "${VERKAN_SCREENSHOT_SCREEN:-1280x800}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$prog" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  xdpyinfo -display "$display" >/dev/null 2>&1 && break
  sleep 0.1
done

# Keep the port scan away from the machine's real serial ports.
for n in $(seq 1 16); do export "VERKAN_COM$n=/nonexistent/verkan-tty$n"; done
DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/verkan-r" &
prog=$!
id=""
for _ in $(seq 100); do
  id=$(xwininfo -display "$display" -root -tree 2>/dev/null |
       awk '/Программа настройки|VERKAN-R Livert setup program/ {print $1; exit}') || true
  [[ -n $id ]] && break
  sleep 0.1
done
[[ -n $id ]] || { echo "screenshot: window did not appear" >&2; exit 1; }
sleep "$wait_s"
import -display "$display" -window "$id" "$out"
echo "screenshot: $out"
