#!/usr/bin/env bash
# shuffled.sh DIR: runs every test program of DIR/tests whole, its tests in a
# random order, so no test leans on what another left behind. The seed is
# printed so a failure can be replayed with --gtest_random_seed. A program that
# fails, or dies part-way (an abort, a sanitizer's report, a signal), has the
# failures, the last test it started and the tail of its output printed.
#   TK_SHUFFLE_SEED=N   runs every program with this seed instead of a random one
set -uo pipefail
dir=$1
status=0
for program in "$dir"/tests/tests_*; do
  [ -x "$program" ] || continue
  seed=${TK_SHUFFLE_SEED:-$((RANDOM % 99999 + 1))}
  log=$(mktemp)
  "$program" --gtest_shuffle --gtest_random_seed="$seed" >"$log" 2>&1
  rc=$?
  if [ $rc != 0 ]; then
    name=$(basename "$program")
    echo "shuffled run of $name FAILED with exit code $rc (replay: $program --gtest_shuffle --gtest_random_seed=$seed):"
    grep -E "^\[  FAILED  \]|Failure$" "$log" | head -n 40
    last=$(grep -E "^\[ RUN      \]" "$log" | tail -n 1)
    if [ -n "$last" ]; then
      echo "last test started: ${last#\[ RUN      \] }"
    fi
    echo "--- the last lines of its output:"
    tail -n 40 "$log"
    echo "---"
    status=1
  fi
  rm -f "$log"
done
exit $status
