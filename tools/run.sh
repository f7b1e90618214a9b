#!/usr/bin/env bash
# Builds the game and runs it on a working copy of the bundled data tree, so
# what the game writes (logs, save\, settings) never dirties the repository.
# Files of the copy that the player or the game changed are kept from run to
# run (tools/copy-data.sh). Without a display it runs headless: unless
# TK_SCRIPT or TK_FRAMES say otherwise it goes past the loading screen into the
# level, takes a screenshot and quits, and says where its log and picture are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run="$root/build/run"
"$root/tools/copy-data.sh" "$root/data" "$run"
cd "$run"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${TK_VIDEO:-}" ]; then
  export TK_VIDEO=headless
fi
first_look=0
if [ "${TK_VIDEO:-}" = headless ] && [ -z "${TK_SCRIPT:-}" ] && [ -z "${TK_FRAMES:-}" ]; then
  # The loading screen waits for a key: press it, wait for the level to be
  # shown, take its picture and quit (TK_FRAMES only guards against a hang).
  first_look=1
  rm -f tk_screen0000.bmp
  printf '%s\n' 'frame 2: wait level frame 200' 'frame 3: key press Space' 'frame 5: wait level frame 215' \
    'frame 6: screenshot' 'frame 8: quit' >"$run/first-look.txt"
  export TK_SCRIPT="$run/first-look.txt" TK_FRAMES=5000
fi
status=0
"$root/build/duskmere2" || status=$?
echo "The game's log: $run/!console.txt"
if [ "$first_look" = 1 ] && [ -f tk_screen0000.bmp ]; then
  echo "The level as it was shown: $run/tk_screen0000.bmp"
fi
exit $status
