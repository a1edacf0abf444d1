#!/usr/bin/env bash
# Configures and builds into the given folder (default build/); extra arguments go to CMake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
shift || true
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORMIVA_WERROR=ON "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
