#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one: scripts/fuzz.sh TARGET [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=$1
seconds=${2:-60}
CXX=clang++ "$root/scripts/build.sh" "$root/build-fuzz" -DDORMIVA_FUZZ=ON -DDORMIVA_BENCH=OFF -DDORMIVA_WERROR=OFF
corpus="$root/build-fuzz/corpus/$target"
mkdir -p "$corpus"
seeds="$root/fuzz/seeds/$target"
[ -d "$seeds" ] || seeds=""
"$root/build-fuzz/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=4096 "$corpus" $seeds
