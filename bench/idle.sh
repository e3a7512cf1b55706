#!/usr/bin/env bash
# CPU use and resident memory of Kivari sitting at the idle prompt desktop.
# Usage: bench/idle.sh [build-dir] [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
seconds="${2:-60}"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1080x24 >/dev/null 2>&1 &
xvfb=$!
export DISPLAY="$display"
sleep 1
"$build/kivari" >/dev/null 2>&1 &
pid=$!
trap 'kill $pid $xvfb 2>/dev/null' EXIT
xdotool search --sync --onlyvisible --name '^Kivari$' >/dev/null
sleep 8  # let the start-up settle
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "idle CPU: %.2f %% of one core over %d s\n", 100 * t / hz / s, s }'
grep VmRSS "/proc/$pid/status"
