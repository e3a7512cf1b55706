#!/usr/bin/env bash
# Configures and builds one tree: build.sh <dir> [--target <name>]... [cmake options...]
# Without a --target, everything is built (tests and benchmarks too).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
options=() targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--target" ]; then
    targets+=("$2"); shift 2
  else
    options+=("$1"); shift
  fi
done
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$root/$dir" -G Ninja "${launcher[@]}" "${options[@]}" >/dev/null
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$root/$dir" -j "$(nproc)" --target "${targets[@]}"
else
  cmake --build "$root/$dir" -j "$(nproc)"
fi
