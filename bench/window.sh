#!/usr/bin/env bash
# Measures Kivari's window under a private Xvfb.
#   bench/window.sh startup [build-dir] [runs]     time from process start until the window is mapped
#   bench/window.sh idle [build-dir] [seconds]     CPU use and resident memory at the idle desktop
#   bench/window.sh cells [build-dir] [cycles]     a browser cell's first paint of a local page, and
#                                                  memory and WebKit processes after open-and-dissolve cycles
#   bench/window.sh help [build-dir] [runs]        a help question to the help cell's first frame
#   bench/window.sh game [build-dir] [cycles]      a game cell from Allow to its panel and page, and memory
#                                                  and WebKit processes after cycles that reached the page
#   bench/window.sh personal-cells [build-dir]     composer, reminder, calendar and notes: Allow to first
#                                                  frame, and memory over 100 open-and-dissolve cycles
#   bench/window.sh timed-cells [build-dir] [cycles] [seconds]
#                                                  timer, weather and music cells on the cairo renderer:
#                                                  Allow to first frame, idle CPU with a running timer and
#                                                  playing music, memory over open-and-dissolve cycles
#   bench/window.sh start-vs-bare [build-dir] [runs]
#                                                  Kivari against a bare gtkmm window on the cairo renderer:
#                                                  start to window, idle memory, first browser cell's paint
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
what="${1:-startup}"
build="${2:-$root/build}"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1080x24 >/dev/null 2>&1 &
xvfb=$!
pid=""
runtime="$(mktemp -d)"
trap 'kill $pid $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
export DISPLAY="$display"
# WebKit's sandbox keeps its bookkeeping in the runtime folder, as on a desktop session.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$runtime}"
sleep 1

# xdotool's own --sync sleeps between looks; poll the map state closely instead.
waitForWindow() {
  local deadline=$((SECONDS + 20))
  until xwininfo -name Kivari 2>/dev/null | grep -q IsViewable; do
    [ $SECONDS -lt $deadline ] || { echo "no window within 20 s" >&2; exit 1; }
    sleep 0.002
  done
}

case "$what" in
  startup)
    for i in $(seq "${3:-10}"); do
      start=$(date +%s%N)
      "$build/kivari" >/dev/null 2>&1 &
      pid=$!
      waitForWindow
      end=$(date +%s%N)
      echo "run $i: $(( (end - start) / 1000000 )) ms"
      kill "$pid"; wait "$pid" 2>/dev/null || true
    done
    ;;
  idle)
    seconds="${3:-60}"
    "$build/kivari" >/dev/null 2>&1 &
    pid=$!
    waitForWindow
    sleep 15  # let the start-up settle, the cursor blink included
    ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
    hz=$(getconf CLK_TCK)
    before=$(ticks)
    sleep "$seconds"
    after=$(ticks)
    awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
      'BEGIN { printf "idle CPU: %.2f %% of one core over %d s\n", 100 * t / hz / s, s }'
    grep VmRSS "/proc/$pid/status"
    ;;
  cells)
    "$build/bench/kivari_cells_bench" "${3:-50}" 2> >(grep -v -e "dbus" -e "a11y bus" -e "^$" >&2)
    ;;
  help)
    "$build/bench/kivari_help_bench" "${3:-20}" 2> >(grep -v -e "dbus" -e "a11y bus" -e "^$" >&2)
    ;;
  game)
    "$build/bench/kivari_game_bench" "${3:-20}" 2> >(grep -v -e "dbus" -e "a11y bus" -e "^$" >&2)
    ;;
  personal-cells)
    "$build/bench/kivari_personal_cells_bench" 2> >(grep -v -e "dbus" -e "a11y bus" -e "^$" >&2)
    ;;
  timed-cells)
    for measure in "frames" "idle-timer ${4:-30}" "idle-music ${4:-30}" "memory ${3:-100}"; do
      # shellcheck disable=SC2086
      GSK_RENDERER=cairo "$build/bench/kivari_timed_cells_bench" $measure \
        2> >(grep -v -e "dbus" -e "a11y bus" -e "^$" >&2)
    done
    ;;
  start-vs-bare)
    source "$root/bench/start-vs-bare.sh"
    ;;
  *) echo "usage: $0 startup|idle|cells|help|game|personal-cells|timed-cells [build-dir] [runs|seconds|cycles]" >&2; exit 2 ;;
esac
