#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds every fuzz target with clang and libFuzzer (ASan + UBSan) and runs
# each on its seeds for SECONDS (default 10), several side by side. A crash, a sanitizer report, a
# leak or a hang fails the run and leaves the input that caused it in build-fuzz/findings/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
jobs=${TK_JOBS:-$(nproc 2>/dev/null || echo 2)}
dir="$root/build-fuzz"
# ccache hits across checkouts in other folders (CI builds a fresh clone each run).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1
if [ ! -f "$dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTK_FUZZ=ON -DTK_BUILD_TESTS=OFF -DTK_BUILD_BENCH=OFF
else
  # Configured again so that a fuzz source added since is a target to build.
  cmake "$dir" >/dev/null
fi

mkdir -p "$dir/findings"
targets=()
for source in "$root"/fuzz/*_fuzz.cpp; do
  [ -e "$source" ] || continue
  targets+=("$(basename "$source" .cpp)")
done
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets"; exit 0; }
# Only the fuzz programs (and the engine they link), not the game itself.
cmake --build "$dir" -j "$jobs" --target "${targets[@]}"

run_one() {
  local name=$1 seeds="$root/fuzz/corpus/${1%_fuzz}" work
  work=$(mktemp -d)
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/ 2>/dev/null || true
  # Each target runs in a scratch folder of its own: a reader may write reports beside its input.
  local program="$dir/$name"
  [ -x "$program" ] || program="$dir/fuzz/$name"
  if (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$program" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -max_len=65536 -artifact_prefix="$dir/findings/$name-" \
        "$work" >"$dir/findings/$name.log" 2>&1); then
    echo "fuzz $name: ok"
    rm -rf "$work"
  else
    echo "fuzz $name: FAILED (see $dir/findings/$name.log)"
    tail -n 40 "$dir/findings/$name.log"
    rm -rf "$work"
    return 1
  fi
}
export -f run_one
export root dir seconds
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}'
