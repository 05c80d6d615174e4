#!/bin/sh
# lanectl discover by multicast finds npm onvif 0.6.5's test server, which answers probes with a
# ProbeMatches recorded from a real camera. Run by field/onvif/tests/run_with_camera_mockup.sh,
# inside the network namespace where that server runs.
# Usage: discover_mockup_check.sh LANECTL
tab=$(printf '\t')
want="127.0.0.1${tab}PREDATOR${tab}HD_PREDATOR${tab}http://127.0.0.1:${ONVIF_MOCKUP_PORT:-10101}/onvif/device_service"
# The server may still be starting.
for try in 1 2 3 4 5 6 7 8 9 10; do
  found=$("$1" discover --timeout 1000)
  if [ "$found" = "$want" ]; then
    echo "lanectl discover found the recorded camera: $found"
    exit 0
  fi
done
echo "FAIL: lanectl discover printed \"$found\", not \"$want\""
exit 1
