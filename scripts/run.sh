#!/usr/bin/env bash
# Installs what is needed, builds and starts Dormiva.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
exec "$root/build/src/app/dormiva" "$@"
