#!/usr/bin/env bash
# Installs what is missing, builds Kivari and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -x "$root/build/kivari" ]; then
  exec "$root/build/kivari"
fi
echo "Built the core library and tests; the Kivari window is not part of this build yet."
