#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one: scripts/fuzz.sh TARGET [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=$1
seconds=${2:-60}
CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDORMIVA_FUZZ=ON -DDORMIVA_BENCH=OFF -DDORMIVA_WERROR=OFF >/dev/null
cmake --build "$root/build-fuzz" --parallel "$(nproc)" --target "$target"
corpus="$root/build-fuzz/corpus/$target"
mkdir -p "$corpus"
seeds="$root/fuzz/seeds/$target"
[ -d "$seeds" ] || seeds=""
"$root/build-fuzz/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=4096 "$corpus" $seeds
