#!/usr/bin/env bash
# Configures and builds into the given folder (default build/); extra arguments go to CMake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
shift || true
# Configure only a new folder or for other arguments: CMake's generator orders some dependencies differently
# from run to run, and an unneeded reconfigure could then rebuild the whole tree. Ninja re-runs CMake by
# itself when a CMakeLists.txt changes.
stamp=$dir/.dormiva-configure-arguments
if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$*" ]; then
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORMIVA_WERROR=ON "$@" >/dev/null
    printf '%s' "$*" >"$stamp"
fi
cmake --build "$dir" --parallel "$(nproc)"
