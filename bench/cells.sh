#!/usr/bin/env bash
# Measures the browser cell under a private Xvfb:
#   bench/cells.sh [build-dir] [cycles]
# time from building the cell to its first painted local page, and resident
# memory and WebKit processes left after open-and-dissolve cycles.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cycles="${2:-50}"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1080x24 >/dev/null 2>&1 &
xvfb=$!
runtime="$(mktemp -d)"
trap 'kill $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
export DISPLAY="$display"
# WebKit's sandbox keeps its bookkeeping in the runtime folder, as on a desktop session.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$runtime}"
sleep 1
"$build/bench/kivari_cells_bench" "$cycles" 2> >(grep -v -e "dbus" -e "a11y bus" -e "^$" >&2)
