#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: first the
# core under AddressSanitizer and UndefinedBehaviorSanitizer, then the full
# build (GUI tests under Xvfb). Tests run in random order, so that one that
# leans on another shows at once. Then installs the full build into a
# temporary prefix and checks that the installed program opens a cell.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh" || exit 1

status=0
echo "== Core tests under sanitizers =="
if bash "$root/scripts/build.sh" build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKIVARI_SANITIZE=ON \
     -DKIVARI_BUILD_APP=OFF -DKIVARI_BUILD_BENCH=OFF; then
  (cd "$root/build-sanitize" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure --schedule-random -j "$(nproc)") || status=1
else
  status=1
fi

echo "== Full build and tests =="
bash "$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo || exit 1
(cd "$root/build" && xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure --schedule-random -j "$(nproc)") || status=1

echo "== Installed into a temporary prefix =="
bash "$root/scripts/check-install.sh" "$root/build" || status=1
exit $status
