#!/usr/bin/env bash
# Installs what is needed, builds and runs the test suite.
#   scripts/test.sh             the normal build in build/
#   scripts/test.sh --sanitize  the suite built with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
if [ "${1:-}" = "--sanitize" ]; then
    "$root/scripts/build.sh" "$root/build-asan" -DDORMIVA_SANITIZE=ON -DDORMIVA_BENCH=OFF
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    cd "$root/build-asan"
else
    "$root/scripts/build.sh" "$root/build"
    cd "$root/build"
fi
ctest --output-on-failure --timeout 600
