#!/usr/bin/env bash
# CI: the Debian package, made from the normal build in build/ (run scripts/test.sh first):
#  - building again with nothing changed does nothing;
#  - lintian, desktop-file-validate and appstreamcli find no errors;
#  - the package installs with apt, and its demo reaches the demo hosts in an unattended run
#    (offscreen), in English, which shows that the installed program found its language files;
#  - removing the package leaves nothing behind but the settings of the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
fail() {
    echo "check-package: $*" >&2
    exit 1
}

rebuild=$("$root/scripts/build.sh" "$build")
grep -q "no work to do" <<<"$rebuild" || fail "a second build with nothing changed did work: $rebuild"

rm -f "$build"/dormiva_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/dormiva_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single package: ${debs[*]}"
deb=${debs[0]}

lintian --fail-on error "$deb"
desktop-file-validate "$root"/packaging/*.desktop
appstreamcli validate --no-net "$build"/packaging/*.metainfo.xml

if dpkg -s dormiva >/dev/null 2>&1; then
    fail "dormiva is installed already; remove it first"
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
mapfile -t installed < <(dpkg -L dormiva)

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
status=0
HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=offscreen \
    timeout 300 dormiva --demo --demo-run >"$home/run.log" 2>"$home/errors.log" || status=$?
cat "$home/run.log"
[ "$status" = 0 ] || fail "the demo run ended with $status: $(cat "$home/errors.log")"
grep -q "^SUCCESS" "$home/run.log" || fail "the demo run reached no host"
grep -qx "INFO	All jobs have finished." "$home/run.log" || fail "the demo run did not finish in English"
[ -f "$home/config/Vardolin/Dormiva-demo/default.dvl" ] || fail "the demo kept no settings of its own"
[ ! -e "$home/config/Vardolin/Dormiva" ] || fail "the demo touched the user's own settings"

DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq dormiva >/dev/null
for path in "${installed[@]}"; do
    case $path in
    */dormiva* | */org.vardolin.Dormiva*) [ ! -e "$path" ] || fail "left behind: $path" ;;
    esac
done
echo "check-package: $(basename "$deb") passed"
