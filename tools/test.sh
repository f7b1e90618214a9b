#!/usr/bin/env bash
# Checks the tree's format and include rules, builds everything and runs every
# test, each on its own through CTest; then builds it all again under
# AddressSanitizer and UndefinedBehaviorSanitizer and runs each test program
# whole in a random order, so no test leans on what another left behind; then
# each fuzz target for a short time, and the sound tests under ThreadSanitizer.
#   TK_SANITIZERS=0     skips the sanitizer half (the shuffled runs are then
#                       made in the release build)
#   TK_FUZZ_SECONDS=N   seconds per fuzz target (default 10; 0 skips fuzzing)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${TK_JOBS:-$(nproc 2>/dev/null || echo 2)}
# Each stage prints when it starts and how long the run has taken so far.
stage() { echo "=== $(date -u +%H:%M:%S) (${SECONDS}s) $*"; }
stage "dependencies"
"$root/tools/install-deps.sh"
"$root/tools/check-tree.sh"

# The tests that start the game program are listed by the release run: they
# share nothing with the tests before them in their program, so the shuffled
# runs leave them out (see tools/shuffled.sh).
lists=$(mktemp -d)
trap 'rm -rf "$lists"' EXIT
export TK_GAME_TESTS="$lists/game-tests.txt"
# A CI machine's disk is shared and can run low: each build's tree goes once its
# tests have passed (the compiler cache keeps what a later run needs).
drop_build() { if [ -n "${CI:-}" ]; then rm -rf "$1"; fi; }

stage "release build"
"$root/tools/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
stage "release tests"
ctest --test-dir "$root/build" -j "$jobs" --output-on-failure
if [ "${TK_SANITIZERS:-1}" = 0 ]; then
  stage "release tests, shuffled"
  "$root/tools/shuffled.sh" "$root/build"
fi
drop_build "$root/build"

if [ "${TK_SANITIZERS:-1}" != 0 ]; then
  stage "sanitizer build"
  "$root/tools/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DTK_SANITIZE=ON -DTK_BUILD_BENCH=OFF
  # The leak checker's reading of dynamic thread-local storage (Mesa's driver is
  # loaded with dlopen) can take a stale slot of glibc's table for a block and
  # crash its own stop at exit; blocks there are not leak roots we rely on.
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 UBSAN_OPTIONS=print_stacktrace=1
  # The leak checker stops every thread at exit; Mesa's rasteriser threads and its
  # shader-cache writer can crash that stop, so the software rasteriser draws on the
  # calling thread here and keeps no on-disk cache.
  export LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true
  # Under the sanitizers every test program runs whole, in a random order and
  # in shards side by side: each test is checked, and so is what it leaves to
  # the next. The checks that play the game program for many frames ran in the
  # release build; here the game runs on damaged files only.
  stage "sanitizer tests, shuffled"
  "$root/tools/shuffled.sh" "$root/build-asan"
  stage "sanitizer tests of the game on damaged files"
  ctest --test-dir "$root/build-asan" -R "GameOnBadFiles" -j "$jobs" --output-on-failure
  drop_build "$root/build-asan"
  unset TK_GAME_TESTS ASAN_OPTIONS UBSAN_OPTIONS LP_NUM_THREADS MESA_SHADER_CACHE_DISABLE
fi

fuzz_seconds=${TK_FUZZ_SECONDS:-10}
if [ "$fuzz_seconds" != 0 ]; then
  if command -v clang++ >/dev/null; then
    stage "fuzzing"
    "$root/tools/fuzz.sh" "$fuzz_seconds"
  else
    echo "clang++ not installed: fuzz targets skipped"
  fi
fi

# The music thread and the game thread share the sound lock: the sound tests again under ThreadSanitizer.
if [ "${TK_SANITIZERS:-1}" != 0 ]; then
  stage "thread-sanitizer build"
  CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1 "$root/tools/build.sh" "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTK_TSAN=ON -DTK_BUILD_BENCH=OFF -DTK_TEST_FOLDERS=sound
  stage "thread-sanitizer tests"
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --test-dir "$root/build-tsan" -j "$jobs" --output-on-failure
fi
stage "done"
