#!/bin/sh
# lanectl discover and Debian's onvif-util find lanesim by multicast, inside a network namespace
# this test makes for itself: only its own loopback is there, so no probe can reach a real network.
# Usage: discover_multicast_test.sh LANECTL LANESIM
if ! unshare -n true 2>/dev/null; then
  echo "SKIP: this machine does not let the test make a network namespace (unshare -n)"
  exit 77
fi
exec unshare -n sh -s "$1" "$2" <<'INSIDE'
set -eu
lanectl=$1
lanesim=$2
ip link set lo up
ip link set lo multicast on
ip route add 224.0.0.0/4 dev lo

log=$(mktemp)
LANESIM_DISCOVERY_MULTICAST=1 "$lanesim" --onvif 0 >"$log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$log"' EXIT
tries=0
until grep -q '^lanesim: WS-Discovery on .*239\.255\.255\.250:3702$' "$log"; do
  tries=$((tries + 1))
  if [ $tries -gt 300 ] || ! kill -0 $sim 2>/dev/null; then
    cat "$log"
    echo "FAIL: lanesim's responder did not start"
    exit 1
  fi
  sleep 0.1
done
service=$(sed -n 's/^lanesim: onvif on //p' "$log")
tab=$(printf '\t')

found=$("$lanectl" discover --timeout 2000)
echo "lanectl discover: $found"
if [ "$found" != "127.0.0.1${tab}lanesim${tab}Virtual Lane Camera${tab}$service" ]; then
  echo "FAIL: lanectl discover did not list lanesim once"
  exit 1
fi

if ! command -v onvif-util >/dev/null; then
  echo "FAIL: onvif-util is missing (scripts/install-deps.sh installs onvif-tools)"
  exit 1
fi
listed=$(timeout 30 onvif-util -a </dev/null)
echo "onvif-util -a: $listed"
if ! printf '%s\n' "$listed" | grep -qx '127\.0\.0\.1 (lanesim Virtual Lane Camera)'; then
  echo "FAIL: onvif-util did not find lanesim"
  exit 1
fi
echo "lanesim found by multicast by lanectl and onvif-util"
INSIDE
