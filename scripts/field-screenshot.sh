#!/usr/bin/env bash
# The console on a whole field lane, as make field-demo runs it: lanesim on a
# pseudo-terminal and as an ONVIF camera with its video over RTSP, all on
# 127.0.0.1; the console's screenshot tool on both, a card read and a plate
# from the camera's events.
# Usage: scripts/field-screenshot.sh BUILD_DIR OUTPUT.png
set -euo pipefail

build=$1
output=$2
link=$(mktemp -u /tmp/lane-tty.XXXXXX)
said=$(mktemp)
"$build/tools/lanesim/lanesim" --pty "$link" --rtsp 0 --onvif 0 --quiet >"$said" &
lanesim=$!
trap 'kill "$lanesim" 2>/dev/null || true; wait "$lanesim" 2>/dev/null || true; rm -f "$said"' EXIT
for _ in $(seq 100); do grep -q 'onvif on' "$said" && break; sleep 0.1; done
camera=$(sed -n 's|^lanesim: onvif on http://127.0.0.1:\([0-9]*\)/.*|onvif://admin@127.0.0.1:\1|p' "$said")
# A car once the console has subscribed to the camera's events.
(sleep 4 && kill -USR1 "$lanesim") &
LANECONSOLE_CAMERA_PASSWORD=admin bash "$(dirname "$0")/screenshot.sh" \
  "$build/app/console_screenshot" "$output" --serial "$link" --camera "$camera"
