#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and starts the installed
# Kivari under its own Xvfb, session bus, runtime and home folders: its window
# must appear, "calculator" must bring the capability card, and Allow must
# open the calculator cell with its web page.
#   scripts/check-install.sh [build-dir]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
fail() { echo "install check: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log" >&2; fail "install failed"; }
entry="$prefix/share/applications/org.kivari.Desktop.desktop"
[ -f "$entry" ] || fail "no desktop entry"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"
[ -f "$prefix/share/icons/hicolor/scalable/apps/org.kivari.Desktop.svg" ] || fail "no application icon"
[ -x "$prefix/bin/kivari" ] && [ -x "$prefix/bin/kivari-desktop" ] || fail "no program"
if ldd "$prefix/bin/kivari-desktop" | grep -qi -e webkit -e javascriptcore; then fail "the program links the web engine"; fi

mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cat >"$work/session.sh" <<'SESSION'
set -u
probe="$1"; program="$2"; log="$3"
"$program" >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
step() { "$probe" "$pid" "$@" || { echo "--- kivari's output:" >&2; tail -20 "$log" >&2; exit 1; }; }
step 15000 "Request"
xdotool type --delay 15 "calculator"
xdotool key Return
step 5000 "Allow"
# A card under the five-second launch splash takes no key, and takes Allow
# half a second after the splash has gone.
sleep 6
xdotool key Return
step 15000 "Web page" "Dissolve"
SESSION
HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_DATA_HOME="$work/home/.local/share" XDG_CACHE_HOME="$work/home/.cache" GSK_RENDERER=cairo \
  xvfb-run -a -s "-screen 0 1600x1000x24" \
  dbus-run-session -- bash "$work/session.sh" "$build/tests/gui/kivari_a11y_probe" "$prefix/bin/kivari" \
  "$work/kivari.log" >/dev/null 2> >(grep -v -e "dbus-daemon" -e "SpiRegistry" >&2) || fail "the installed program did not open its calculator cell"
echo "install check: the installed Kivari starts and opens its calculator cell"
