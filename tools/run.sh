#!/usr/bin/env bash
# Builds the game and runs it on a working copy of the bundled data tree, so
# what the game writes (logs, save\, settings) never dirties the repository.
# Without a display it runs headless for TK_FRAMES frames (default 300).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run="$root/build/run"
mkdir -p "$run"
# Refresh the bundled files; keep what the game wrote in earlier runs.
cp -R "$root/data/." "$run/"
cd "$run"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${TK_VIDEO:-}" ]; then
  export TK_VIDEO=headless
fi
if [ "${TK_VIDEO:-}" = headless ] && [ -z "${TK_FRAMES:-}" ]; then
  export TK_FRAMES=300
fi
exec "$root/build/duskmere2"
