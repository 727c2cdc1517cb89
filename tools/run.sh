#!/bin/sh
# Runs the program. Without a display it runs headless for a few seconds and reports.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running headless for 450 frames."
  exec ./build/default/src/hoe --headless --frames 450 "$@"
fi
exec ./build/default/src/hoe "$@"
