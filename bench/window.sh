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
#   bench/window.sh launch [build-dir] [runs]      start-up of Kivari and of a bare gtkmm window, taken in
#                                                  turns; the splash's frame cost and the drone's buffer
#   bench/window.sh launch-cpu [build-dir] [s]     CPU during the splash, then at rest once the first
#                                                  security notice has come and gone
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
what="${1:-startup}"
build="${2:-$root/build}"
pid=""
runtime="$(mktemp -d)"
# The server picks a free display itself: a guessed number may belong to
# another run's server, which can go away in the middle of a measurement.
Xvfb -displayfd 3 -screen 0 1920x1080x24 3>"$runtime/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $pid $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
until [ -s "$runtime/display" ]; do sleep 0.05; done
export DISPLAY=":$(cat "$runtime/display")"
# WebKit's sandbox keeps its bookkeeping in the runtime folder, as on a desktop session.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$runtime}"
sleep 1

# xdotool's own --sync sleeps between looks; poll the map state closely instead.
waitForWindow() {
  local deadline=$((SECONDS + 20))
  until xwininfo -name "${1:-Kivari}" 2>/dev/null | grep -q IsViewable; do
    [ $SECONDS -lt $deadline ] || { echo "no window within 20 s" >&2; exit 1; }
    sleep 0.002
  done
}

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
# Percent of one core between two tick counts taken `3` seconds apart.
percent() { awk -v t=$(($2 - $1)) -v hz="$hz" -v s="$3" 'BEGIN { printf "%.2f", 100 * t / hz / s }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Milliseconds from the start of `$1` until its window named `$2` is on screen.
startupMs() {
  local start end
  start=$(date +%s%N)
  "$1" >/dev/null 2>&1 &
  pid=$!
  waitForWindow "$2"
  end=$(date +%s%N)
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo $(( (end - start) / 1000000 ))
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
    sleep 40  # past the splash, the cursor blink and the first security notice
    before=$(ticks)
    sleep "$seconds"
    after=$(ticks)
    awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
      'BEGIN { printf "idle CPU: %.2f %% of one core over %d s\n", 100 * t / hz / s, s }'
    grep VmRSS "/proc/$pid/status"
    ;;
  launch)
    kivariRuns=(); bareRuns=()
    for i in $(seq "${3:-10}"); do
      kivariRuns+=("$(startupMs "$build/kivari" Kivari)")
      bareRuns+=("$(startupMs "$build/bench/kivari_bare_window" Bare)")
    done
    k=$(printf '%s\n' "${kivariRuns[@]}" | median)
    b=$(printf '%s\n' "${bareRuns[@]}" | median)
    echo "start to window, Kivari: ${kivariRuns[*]} ms (median $k)"
    echo "start to window, bare gtkmm window: ${bareRuns[*]} ms (median $b)"
    awk -v k="$k" -v b="$b" 'BEGIN { printf "ratio of the medians: %.2f\n", k / b }'
    # The frame figures are for the cairo renderer, the one a machine without a GPU uses.
    GSK_RENDERER=cairo "$build/bench/kivari_overlays_bench" 2> >(grep -v -e "dbus" -e "a11y bus" -e "^$" >&2)
    ;;
  launch-cpu)
    seconds="${3:-60}"
    "$build/kivari" >/dev/null 2>&1 &
    pid=$!
    waitForWindow
    t0=$(ticks); sleep 5; t1=$(ticks)
    echo "CPU during the splash (first 5 s): $(percent "$t0" "$t1" 5) % of one core"
    sleep 35  # the cursor stops blinking; the first security notice comes and goes by 36.5 s
    t2=$(ticks); sleep "$seconds"; t3=$(ticks)
    echo "CPU at rest after it (${seconds} s): $(percent "$t2" "$t3" "$seconds") % of one core"
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
  *) echo "usage: $0 startup|idle|cells|help|game|personal-cells|timed-cells|launch|launch-cpu [build-dir] [runs|seconds|cycles]" >&2; exit 2 ;;
esac
