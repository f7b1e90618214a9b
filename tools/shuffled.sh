#!/usr/bin/env bash
# shuffled.sh DIR: runs every test program of DIR/tests whole, its tests in a
# random order, so no test leans on what another left behind. Each program is
# split into as many shards as there are jobs (TK_JOBS, else one per core), and
# the shards run side by side. The seed is printed so a failure can be replayed
# with --gtest_random_seed. A program that fails, or
# dies part-way (an abort, a sanitizer's report, a signal), has the failures,
# the last test it started and the tail of its output printed.
#   TK_SHUFFLE_SEED=N   runs every program with this seed instead of a random one
#   TK_GAME_TESTS=FILE  leaves out the tests named in FILE, one per line: those
#                       that start the game in a process of its own (a CTest run
#                       with the same setting lists them), which share nothing
#                       with the tests before them
set -uo pipefail
dir=$1
jobs=${TK_JOBS:-$(nproc 2>/dev/null || echo 2)}
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
filter=
if [ -n "${TK_GAME_TESTS:-}" ] && [ -s "$TK_GAME_TESTS" ]; then
  filter="-$(sort -u "$TK_GAME_TESTS" | paste -sd: -)"
fi
export filter

shards=$jobs
export shards

# One shard of one program; its line is "SHARD PROGRAM".
run_one() {
  local shard=${1%% *} program=${1#* } logs=$2 name seed rc
  name=$(basename "$program").$shard
  seed=${TK_SHUFFLE_SEED:-$((RANDOM % 99999 + 1))}
  # A shard that hangs is stopped (exit code 124) rather than holding the run up.
  GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$shard timeout -k 10 2400 "$program" --gtest_shuffle --gtest_random_seed="$seed" \
    ${filter:+--gtest_filter="$filter"} >"$logs/$name.log" 2>&1
  rc=$?
  if [ $rc != 0 ]; then
    echo "$rc $seed" >"$logs/$name.failed"
  fi
  return 0
}
export -f run_one

# The largest programs first, so that a long one does not start last.
programs=()
while IFS= read -r program; do
  [ -x "$program" ] && programs+=("$program")
done < <(ls -S "$dir"/tests/tests_* 2>/dev/null)
[ ${#programs[@]} -gt 0 ] || exit 0
for program in "${programs[@]}"; do
  for ((shard = 0; shard < shards; shard++)); do
    echo "$shard $program"
  done
done | xargs -d '\n' -n 1 -P "$jobs" bash -c 'run_one "$1" "$0"' "$logs"

status=0
for program in "${programs[@]}"; do
  for ((shard = 0; shard < shards; shard++)); do
    name=$(basename "$program").$shard
    [ -f "$logs/$name.failed" ] || continue
    read -r rc seed <"$logs/$name.failed"
    log="$logs/$name.log"
    replay="GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$shard $program --gtest_shuffle --gtest_random_seed=$seed"
    echo "shuffled run of $(basename "$program") FAILED with exit code $rc (replay: $replay):"
    grep -E "^\[  FAILED  \]|Failure$" "$log" | head -n 40
    last=$(grep -E "^\[ RUN      \]" "$log" | tail -n 1)
    if [ -n "$last" ]; then
      echo "last test started: ${last#\[ RUN      \] }"
    fi
    echo "--- the last lines of its output:"
    tail -n 40 "$log"
    echo "---"
    status=1
  done
done
exit $status
