#!/usr/bin/env bash
# Builds everything and runs every test; then the tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer (TK_SANITIZERS=0 skips that).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
"$root/tools/install-deps.sh"

"$root/tools/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$root/build" -j "$jobs" --output-on-failure

if [ "${TK_SANITIZERS:-1}" != 0 ]; then
  "$root/tools/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DTK_SANITIZE=ON -DTK_BUILD_BENCH=OFF
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$root/build-asan" -j "$jobs" --output-on-failure
fi

# The music thread and the game thread share the sound lock: the sound tests again under ThreadSanitizer.
if [ "${TK_SANITIZERS:-1}" != 0 ]; then
  CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1 "$root/tools/build.sh" "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTK_TSAN=ON -DTK_BUILD_BENCH=OFF -DTK_TEST_FOLDERS=sound
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --test-dir "$root/build-tsan" -j "$jobs" --output-on-failure
fi
