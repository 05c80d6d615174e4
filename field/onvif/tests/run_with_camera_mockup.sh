#!/bin/sh
# Runs TEST_BINARY against the test server of npm onvif 0.6.5, which answers
# with XML recorded from real cameras (naming hosts on a private network).
# Both run in a network namespace of their own with only loopback, so nothing
# can reach those hosts and the server's multicast membership stays on lo.
# Exit 77 (skipped) when npm cannot install the package or no namespace can
# be made.
#
#   run_with_camera_mockup.sh BUILD_DIR TEST_BINARY [TEST_ARGS...]
set -eu
build=$1
shift
prefix="$build/npm-onvif-0.6.5"
server="$prefix/node_modules/onvif/test/serverMockup.coffee"
if [ ! -f "$server" ] || [ ! -x "$prefix/node_modules/.bin/coffee" ]; then
  if ! npm install --no-audit --no-fund --prefix "$prefix" onvif@0.6.5 coffeescript@1 dot@1 \
    xml2js >"$build/npm-onvif-0.6.5.log" 2>&1; then
    echo "SKIPPED: npm cannot install onvif@0.6.5 (see $build/npm-onvif-0.6.5.log)"
    exit 77
  fi
fi
if ! unshare -rn true 2>/dev/null; then
  echo "SKIPPED: no network namespace can be made here (unshare -rn)"
  exit 77
fi
export ONVIF_MOCKUP_DIR="$prefix/node_modules/onvif/test/serverMockup"
export ONVIF_MOCKUP_PORT=10101
exec unshare -rn sh -c '
  set -eu
  ip link set lo up
  ip link set lo multicast on
  ip route add 224.0.0.0/4 dev lo
  HOSTNAME=127.0.0.1 PORT=$ONVIF_MOCKUP_PORT "$0/node_modules/.bin/coffee" "$1" &
  server=$!
  trap "kill $server 2>/dev/null || true" EXIT
  shift
  "$@"
' "$prefix" "$server" "$@"
