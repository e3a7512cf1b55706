#!/usr/bin/env bash
# Time from process start until Kivari's window is mapped on the screen,
# over several runs under a private Xvfb. Usage: bench/startup.sh [build-dir] [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-10}"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1080x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
sleep 1
export DISPLAY="$display"
for i in $(seq "$runs"); do
  start=$(date +%s%N)
  "$build/kivari" >/dev/null 2>&1 &
  pid=$!
  # xdotool's own --sync sleeps between looks; poll the map state closely instead.
  until xwininfo -name Kivari 2>/dev/null | grep -q IsViewable; do sleep 0.002; done
  end=$(date +%s%N)
  echo "run $i: $(( (end - start) / 1000000 )) ms"
  kill "$pid"; wait "$pid" 2>/dev/null || true
done
