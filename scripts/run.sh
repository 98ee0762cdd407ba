#!/usr/bin/env bash
# Installs what building and running need (scripts/setup.sh run), builds,
# starts the simulated detector on a pseudo-terminal and the program with COM
# port 1 pointing at it.
# Pick port 1 in the window and press "СТАРТ". The simulator reads commands
# from this terminal (try "flank 1 alarm", "tamper open", "help").
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh run
build=${VERKAN_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target verkan-r verkan-sim

link=${XDG_RUNTIME_DIR:-/tmp}/verkan-sim-tty
# The simulator takes its commands from this terminal (a background job
# would otherwise read from /dev/null).
exec 3<&0
"$build/sim/verkan-sim" --link "$link" <&3 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -e $link ]] && break; sleep 0.1; done
echo "simulated detector at $link (address 1); in the window choose COM port 1"
VERKAN_COM1=$link "$build/verkan-r"
