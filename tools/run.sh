#!/bin/sh
# Runs the program from the project folder.
set -eu
cd "$(dirname "$0")/.."
exec ./build/default/src/hoe "$@"
