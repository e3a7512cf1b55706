#!/usr/bin/env bash
# Measures Kivari's window under a private Xvfb.
#   bench/window.sh startup [build-dir] [runs]     time from process start until the window is mapped
#   bench/window.sh moments [build-dir]            CPU (share of one core) and resident memory of the
#                                                  Kivari process at each moment of a session, with the
#                                                  cairo and the GL renderer side by side
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
#   bench/window.sh long-text [build-dir] [chars] [model-chars]
#                                                  help, card, composer, reminder, timer and weather given one
#                                                  unbroken word (65,000 characters; a model answer's 1,048,000):
#                                                  request to first frame and until the window answers input
#   bench/window.sh launch [build-dir] [runs]      start-up of Kivari and of a bare gtkmm window, taken in
#                                                  turns; the splash's frame cost and the drone's buffer
#   bench/window.sh notice [build-dir]             CPU while the security notice shows (cairo renderer), over
#                                                  the idle desktop and over a notes cell, against both without it
#   bench/window.sh drone [build-dir] [runs]       time from start until the drone's stream reaches a private
#                                                  PulseAudio daemon on a null sink (needs pulseaudio and pactl);
#                                                  SCREEN=3840x2160 for a large screen
#   bench/window.sh quit-stuck-sound [build-dir] [runs]
#                                                  with a sound server that takes the connection and never
#                                                  answers: time from a window close request and from SIGTERM
#                                                  to the process's end, and whether its run folder went (python3)
#   bench/window.sh quit-web [build-dir] [runs] [s]
#                                                  SIGTERM s seconds (0.08) after Allow on the calculator cell,
#                                                  while its web processes still start: time to the process's end,
#                                                  whether its run folder went, and any line written after it
#   bench/window.sh launch-cpu [build-dir] [s]     CPU during the splash, then at rest once the first
#                                                  security notice has come and gone
#   bench/window.sh start-vs-bare [build-dir] [runs]
#                                                  Kivari against a bare gtkmm window on the cairo renderer:
#                                                  start to window, idle memory, first browser cell's paint
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
what="${1:-startup}"
build="${2:-$root/build}"
screen="${SCREEN:-1600x1000}"
width=${screen%x*} height=${screen#*x}
pid=""
runtime="$(mktemp -d)"
# Xvfb takes a free display of its own choosing: other runs may hold some.
# -noreset: a program that ends while the next one connects must not find the server resetting.
Xvfb -displayfd 3 -noreset -screen 0 "${width}x${height}x24" 3>"$runtime/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $pid $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
until [ -s "$runtime/display" ]; do
  kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
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

hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
# cpu SECONDS: the process's CPU over the next SECONDS as "percent rss-MB".
cpu() {
  local before after
  before=$(ticks)
  sleep "$1"
  after=$(ticks 2>/dev/null) || { echo "kivari ended; its last words:" >&2; tail -5 "$runtime/log" >&2; exit 1; }
  awk -v t=$((after - before)) -v hz="$hz" -v s="$1" \
      -v kb="$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")" \
      'BEGIN { printf "%.1f %.0f\n", 100 * t / hz / s, kb / 1024 }'
}

moments=(
  "idle desktop, after the splash (6-14 s)"
  "prompt focused, first 10 s (cursor blink)"
  "prompt focused, after the blink stops"
  "capability card shown"
  "notes cell open, first 10 s (cursor blink)"
  "notes cell open, nothing happening"
  "1-6 s after the dissolve"
  "after the dissolve, blink stopped"
  "calculator cell open, nothing happening"
)

# session RENDERER: one run through every moment; one "percent rss" line each.
session() {
  GSK_RENDERER="$1" "$build/kivari" >"$runtime/log" 2>&1 &
  pid=$!
  waitForWindow
  sleep 6  # past the launch splash; `launch-cpu` measures that
  cpu 8
  # The prompt sits in the middle, 45 % down the window. It has the focus
  # from the start; a key in it starts its cursor blink afresh.
  xdotool mousemove $((width / 2)) $((height * 45 / 100)) click 1 key End
  sleep 1; cpu 8
  sleep 2; cpu 10
  xdotool type --delay 20 "take a note"; xdotool key Return
  sleep 1; cpu 5
  xdotool key Return
  sleep 1; cpu 8
  sleep 2; cpu 10
  xdotool key Escape
  sleep 1; cpu 5
  sleep 5; cpu 10
  xdotool type --delay 20 "calculator"; xdotool key Return
  sleep 1; xdotool key Return
  sleep 11; cpu 10
  kill "$pid"; wait "$pid" 2>/dev/null || true
  pid=""
}

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
  moments)
    session cairo >"$runtime/cairo"
    session gl >"$runtime/gl"
    mapfile -t cairo <"$runtime/cairo"
    mapfile -t gl <"$runtime/gl"
    printf "Kivari process at %dx%d (a web cell's WebKit processes not counted): CPU as a share of one core,\nresident memory in MB\n\n" "$width" "$height"
    printf "| %-44s | %8s | %6s | %8s | %6s |\n" "moment" "cairo" "MB" "GL" "MB"
    printf "|%s|%s|%s|%s|%s|\n" "$(printf -- '-%.0s' {1..46})" "---------:" "-------:" "---------:" "-------:"
    for i in "${!moments[@]}"; do
      read -r cc cm <<<"${cairo[$i]:-- -}"
      read -r gc gm <<<"${gl[$i]:-- -}"
      printf "| %-44s | %7s%% | %6s | %7s%% | %6s |\n" "${moments[$i]}" "$cc" "$cm" "$gc" "$gm"
    done
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
  notice)
    GSK_RENDERER=cairo "$build/bench/kivari_overlays_bench" notice 2> >(grep -v -e "dbus" -e "a11y bus" -e "^$" >&2)
    ;;
  drone)
    for tool in pulseaudio pactl; do
      command -v "$tool" >/dev/null || { echo "drone: needs $tool (apt-get install pulseaudio pulseaudio-utils)" >&2; exit 1; }
    done
    # A daemon of its own, writing nothing under HOME; the program finds it through PULSE_SERVER.
    mkdir -p "$runtime/pulse" "$runtime/home"
    socket="$runtime/pulse/native"
    HOME="$runtime/home" PULSE_RUNTIME_PATH="$runtime/pulse" pulseaudio --daemonize=no --exit-idle-time=-1 -n \
      --disable-shm -L module-null-sink -L "module-native-protocol-unix auth-anonymous=1 socket=$socket" \
      >"$runtime/pulse.log" 2>&1 &
    pulse=$!
    trap 'kill $pid $pulse $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
    export PULSE_SERVER="unix:$socket" PULSE_COOKIE="$runtime/pulse/cookie"
    until pactl info >/dev/null 2>&1; do sleep 0.05; done
    echo "screen ${width}x${height}; the splash ends 5 s after the window shows"
    for i in $(seq "${3:-5}"); do
      start=$(date +%s%N)
      "$build/kivari" >"$runtime/log" 2>&1 &
      pid=$!
      waitForWindow
      shown=$(date +%s%N)
      until [ -n "$(pactl list short sink-inputs 2>/dev/null)" ]; do
        [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 20000 ] || break
        sleep 0.005
      done
      playing=$(date +%s%N)
      echo "run $i: window shown $(( (shown - start) / 1000000 )) ms, drone stream $(( (playing - start) / 1000000 )) ms after start ($(( (playing - shown) / 1000000 )) ms after the window)"
      kill "$pid"; wait "$pid" 2>/dev/null || true
      pid=""
      until [ -z "$(pactl list short sink-inputs 2>/dev/null)" ]; do sleep 0.05; done
    done
    ;;
  quit-stuck-sound)
    command -v python3 >/dev/null || { echo "quit-stuck-sound: needs python3" >&2; exit 1; }
    # Takes every connection, never writes: the sound library waits on it.
    socket="$runtime/stuck-sound"
    python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1]); s.listen(64)
held = []
while True:
    held.append(s.accept()[0])
    open(sys.argv[1] + ".taken", "w").close()
' "$socket" &
    listener=$!
    trap 'kill $pid $listener $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
    until [ -S "$socket" ]; do sleep 0.01; done
    for i in $(seq "${3:-5}"); do
      for how in close SIGTERM; do
        rm -f "$socket.taken"
        PULSE_SERVER="unix:$socket" "$build/kivari" >"$runtime/log" 2>&1 &
        pid=$!
        waitForWindow
        until [ -e "$socket.taken" ]; do sleep 0.01; done
        sleep 0.5  # the drone's thread is inside the sound library by now
        folder=$(find "/proc/$pid/fd" -lname '*/kivari-run-*' -printf '%l\n' | head -1)
        if [ "$how" = close ]; then
          # What a window manager sends for Alt+F4; prints when it was sent.
          start=$(python3 -c '
import ctypes, sys, time
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]
d = x.XOpenDisplay(None)
e = ClientMessage(type=33, window=int(sys.argv[1], 0), format=32)
e.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
e.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XSendEvent(d, e.window, 0, 0, ctypes.byref(e))
x.XFlush.argtypes = [ctypes.c_void_p]
x.XFlush(d)
print(time.time_ns())
' "$(xwininfo -name Kivari | awk '/Window id/ {print $4}')")
        else
          start=$(date +%s%N)
          kill -TERM "$pid"
        fi
        wait "$pid" 2>/dev/null || true
        end=$(date +%s%N)
        pid=""
        gone="run folder removed"
        [ -z "$folder" ] && gone="no run folder seen"
        [ -n "$folder" ] && [ -e "$folder" ] && gone="RUN FOLDER LEFT: $folder"
        echo "run $i, $how: process ended $(( (end - start) / 1000000 )) ms after it; $gone"
      done
    done
    ;;
  quit-web)
    for i in $(seq "${3:-5}"); do
      "$build/kivari" >"$runtime/log" 2>&1 &
      pid=$!
      waitForWindow
      xdotool type --delay 15 "calculator"; xdotool key Return
      sleep 6  # past the launch splash and the card's first half second
      xdotool key Return
      sleep "${4:-0.08}"
      folder=$(find "/proc/$pid/fd" -lname '*/kivari-run-*' -printf '%l\n' | head -1)
      start=$(date +%s%N)
      kill -TERM "$pid"
      wait "$pid" 2>/dev/null || true
      end=$(date +%s%N)
      pid=""
      lines=$(wc -l <"$runtime/log")
      sleep 2  # what is still running writes by now
      late=$(($(wc -l <"$runtime/log") - lines))
      gone="run folder removed"
      [ -n "$folder" ] && [ -e "$folder" ] && gone="RUN FOLDER LEFT: $folder"
      echo "run $i: process ended $(( (end - start) / 1000000 )) ms after SIGTERM; $gone; $late line(s) written after it"
      tail -n "$late" "$runtime/log" | head -3
    done
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
  long-text)
    "$build/bench/kivari_long_text_bench" "${3:-65000}" "${4:-1048000}" \
      2> >(grep -v -e "dbus" -e "a11y bus" -e "^$" >&2)
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
  *) echo "usage: $0 startup|moments|cells|help|game|personal-cells|long-text|timed-cells|launch|notice|drone|quit-stuck-sound|launch-cpu|start-vs-bare [build-dir] [runs|seconds|cycles]" >&2; exit 2 ;;
esac
