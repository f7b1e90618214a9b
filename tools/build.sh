#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configure (once) and build the tree into DIR.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
jobs=${TK_JOBS:-$(nproc 2>/dev/null || echo 2)}
# ccache hits across checkouts in other folders (CI builds a fresh clone each run).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$root" -B "$dir" -G Ninja "$@"
fi
cmake --build "$dir" -j "$jobs"
