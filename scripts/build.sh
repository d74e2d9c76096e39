#!/usr/bin/env bash
# Configures and builds into the given folder; further arguments go to cmake's
# configure step. TARGET names one target to build instead of all.
set -euo pipefail
dir=${1:-build}
shift || true
cd "$(dirname "$0")/.."
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" ${TARGET:+--target "$TARGET"}
