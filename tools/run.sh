#!/bin/sh
# Runs the program. Without a display it runs headless for five seconds and keeps the last frame
# as a picture.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  mkdir -p build/screenshots
  echo "No display: running headless for 450 frames."
  exec ./build/default/src/hoe --headless --frames 450 --screenshot build/screenshots/last-frame.png "$@"
fi
exec ./build/default/src/hoe "$@"
