#!/usr/bin/env bash
# make-sounds.sh: builds the sound generator and writes the bundled sounds and
# music into data/ (sounds\..., music\...) and the fuzz seeds into fuzz/corpus/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}
"$root/tools/build.sh" "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" --target tk_soundgen
"$dir/tools/tk_soundgen" "$root/data" "$root/fuzz/corpus"
