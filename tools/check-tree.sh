#!/usr/bin/env bash
# check-tree.sh: two cheap guards over the files git tracks.
#  - every C++ file is formatted as .clang-format says;
#  - only the platform layer (and its tests) includes SDL, GL, EGL or epoxy,
#    and the platform layer includes no game folder.
# Outside a git checkout there is nothing to list, and it says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "check-tree: not a git checkout, guards skipped"
  exit 0
fi
status=0

sources=()
while IFS= read -r -d '' f; do
  [ -f "$f" ] && sources+=("$f") # tracked but deleted in the work tree: nothing to check
done < <(git ls-files -z -- '*.cpp' '*.h')
if command -v clang-format >/dev/null; then
  if ! printf '%s\0' "${sources[@]}" | xargs -0 -r clang-format --dry-run --Werror; then
    echo "check-tree: run clang-format -i on the files above"
    status=1
  fi
else
  echo "check-tree: clang-format not installed, format guard skipped"
fi

device='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](SDL|GL/|GLES|EGL/|KHR/|epoxy/)'
game='^[[:space:]]*#[[:space:]]*include[[:space:]]*"(shell|world|mesh|render|environment|physics|sound|characters|player|game|ui)/'
outside=()
inside=()
for f in "${sources[@]}"; do
  case "$f" in
  platform/* | tests/platform/*) inside+=("$f") ;;
  *) outside+=("$f") ;;
  esac
done
if [ ${#outside[@]} -gt 0 ] && grep -nE "$device" "${outside[@]}"; then
  echo "check-tree: only platform/ may include SDL, GL, EGL or epoxy headers"
  status=1
fi
platformOnly=()
for f in "${inside[@]}"; do
  case "$f" in platform/*) platformOnly+=("$f") ;; esac
done
if [ ${#platformOnly[@]} -gt 0 ] && grep -nE "$game" "${platformOnly[@]}"; then
  echo "check-tree: platform/ may not include a game folder"
  status=1
fi
exit $status
