# Sourced by window.sh: Kivari side by side with a bare gtkmm window (one
# label, one entry) and the same window linked with WebKitGTK,
# on the cairo renderer, in alternating order. Reports the median time from
# process start to the mapped window, the median resident memory at the idle
# desktop, and Allow to the first paint of a local page in the first browser
# cell of a fresh process.
runs="${3:-9}"
export GSK_RENDERER=cairo
programs=("Kivari:$build/kivari" "Bare:$build/bench/kivari_bare_window"
          "Bare:$build/bench/kivari_bare_window_webkit")
labels=("Kivari" "bare window" "bare window + WebKitGTK")

# startOnce TITLE PROGRAM: starts PROGRAM as $pid; sets $ms to the time until its window is mapped.
startOnce() {
  local start deadline=$((SECONDS + 20))
  start=$(date +%s%N)
  "$2" >"$runtime/log" 2>&1 &
  pid=$!
  until xwininfo -name "$1" 2>/dev/null | grep -q IsViewable; do
    [ $SECONDS -lt $deadline ] || { echo "no window from $2 within 20 s (X server $(kill -0 $xvfb 2>/dev/null && echo alive || echo gone)); it said:" >&2; tail -5 "$runtime/log" >&2; exit 1; }
    sleep 0.002
  done
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""; }

declare -A startMs rssKiB
for i in $(seq "$runs"); do
  order=(0 1 2)
  [ $((i % 2)) -eq 0 ] && order=(2 1 0)
  for p in "${order[@]}"; do
    startOnce "${programs[$p]%%:*}" "${programs[$p]#*:}"
    startMs[$p]+="$ms "
    stop
  done
done
for i in 1 2 3; do
  for p in 0 1 2; do
    startOnce "${programs[$p]%%:*}" "${programs[$p]#*:}"
    # The idle desktop: the splash and the drone are over, the cursor has
    # stopped blinking, and the first security notice is still to come.
    sleep 18
    rssKiB[$p]+="$(awk '/VmRSS/ {print $2}' "/proc/$pid/status") "
    stop
  done
done

printf "cairo renderer, %d start runs and 3 memory runs each, alternating\n\n" "$runs"
printf "| %-24s | %16s | %8s | %14s | %9s |\n" "program" "start to window" "× bare" "resident (idle)" "− bare"
printf "|%s|%s|%s|%s|%s|\n" "--------------------------" "-----------------:" "---------:" "----------------:" "----------:"
bareStart=$(tr ' ' '\n' <<<"${startMs[1]}" | grep . | median)
bareRss=$(tr ' ' '\n' <<<"${rssKiB[1]}" | grep . | median)
for p in 0 1 2; do
  s=$(tr ' ' '\n' <<<"${startMs[$p]}" | grep . | median)
  r=$(tr ' ' '\n' <<<"${rssKiB[$p]}" | grep . | median)
  awk -v n="${labels[$p]}" -v s="$s" -v bs="$bareStart" -v r="$r" -v br="$bareRss" \
    'BEGIN { printf "| %-24s | %13d ms | %7.2f× | %11.1f MB | %+6.1f MB |\n", n, s, s / bs, r / 1024, (r - br) / 1024 }'
done
echo
echo "runs (ms): Kivari ${startMs[0]}| bare ${startMs[1]}| bare + WebKitGTK ${startMs[2]}"

firstPaint=()
for i in $(seq 5); do
  ms=$("$build/bench/kivari_cells_bench" first 2> >(grep -v -e "dbus" -e "a11y bus" -e "^$" >&2)) || exit 1
  firstPaint+=("$ms")
done
printf "Allow to first paint of a local page in the first browser cell: median %s ms (runs: %s)\n" \
  "$(printf '%s\n' "${firstPaint[@]}" | median)" "${firstPaint[*]}"
