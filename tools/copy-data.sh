#!/usr/bin/env bash
# copy-data.sh FROM TO: brings the run folder TO up to date with the bundled
# data tree FROM, keeping what the player or the game changed there. TO holds a
# list of the bundled files as they were last copied (".bundled"); a file that
# still matches it is replaced by a newer bundled version, a file that no
# longer does (a setting the player changed, a file the game rewrote) is kept,
# and files the bundle does not have (saves, logs) are never touched.
set -euo pipefail
from=$1
to=$2
manifest="$to/.bundled"
mkdir -p "$to"
declare -A copied=()
if [ -f "$manifest" ]; then
  while IFS= read -r line; do
    copied["${line#* }"]=${line%% *}
  done <"$manifest"
fi
fresh=$(mktemp)
trap 'rm -f "$fresh"' EXIT
while IFS= read -r -d '' file; do
  rel=${file#"$from"/}
  bundled=$(sha1sum <"$file" | cut -d' ' -f1)
  target="$to/$rel"
  if [ -e "$target" ]; then
    current=$(sha1sum <"$target" | cut -d' ' -f1)
    if [ "$current" = "$bundled" ]; then
      echo "$bundled $rel" >>"$fresh"
      continue
    fi
    if [ "${copied[$rel]:-}" != "$current" ]; then
      echo "keeping $target: changed since it was copied from the bundle"
      # Still the copy's record, so it stays kept until the player removes it.
      [ -n "${copied[$rel]:-}" ] && echo "${copied[$rel]} $rel" >>"$fresh"
      continue
    fi
  fi
  mkdir -p "$(dirname "$target")"
  cp "$file" "$target"
  echo "$bundled $rel" >>"$fresh"
done < <(find "$from" -type f -print0 | sort -z)
mv "$fresh" "$manifest"
trap - EXIT
