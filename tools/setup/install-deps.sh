#!/bin/sh
# Installs every Debian package the engine, its tools, tests and benchmarks need.
# Runs `apt-get update` once, and only when something is missing; uses sudo when not root.
set -eu

PACKAGES="
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev libmuparser-dev
  libsdl2-dev libepoxy-dev libegl1 libegl-mesa0 libgl1-mesa-dri libgl1
  libexpat1-dev duktape-dev
  libsndfile1-dev libopenmpt-dev
  zlib1g-dev libbz2-dev libpng-dev libjpeg62-turbo-dev libopenjp2-7-dev
  libcrypto++-dev libicu-dev libfreetype-dev fonts-dejavu-core
  xdg-utils
"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" != "0" ]; then
  SUDO="sudo"
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
