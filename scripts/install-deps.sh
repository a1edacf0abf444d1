#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/deps.txt (run as root, or with sudo available).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
# Server packages that tests start themselves (Samba, OpenLDAP) must not start on the machine.
if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee /usr/sbin/policy-rc.d >/dev/null
    $sudo chmod 755 /usr/sbin/policy-rc.d
fi
mapfile -t packages < <(grep -v -e '^#' -e '^$' "$here/deps.txt")
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
