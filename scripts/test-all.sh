#!/usr/bin/env bash
# Installs what the tests need on Debian 12 and runs every test: the release build with the
# oracle and table checks, then the same suite (less its slow cases) under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
fi
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  cmake ninja-build g++ libgtest-dev libprimesieve-dev libprimecount-dev >/dev/null

cmake --preset default
cmake --build --preset default
ctest --preset default

cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize
