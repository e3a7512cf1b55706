#!/usr/bin/env bash
# Installs what is missing, builds Kivari (the program and its web cells only)
# and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
if [ ! -x "$root/build/kivari" ]; then
  echo "Building Kivari for the first time; this takes a few minutes."
fi
bash "$root/scripts/build.sh" build --target kivari --target kivari-webcells -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec "$root/build/kivari"
