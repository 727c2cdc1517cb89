#!/bin/sh
# Runs every benchmark program that was built.
set -eu
cd "$(dirname "$0")/.."
for b in build/default/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $b"
  "$b"
done
