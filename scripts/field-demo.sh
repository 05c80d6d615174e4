#!/usr/bin/env bash
# A whole field lane on one machine, everything on 127.0.0.1: lanesim's peripherals on a
# pseudo-terminal and lanesim as the lane's ONVIF camera (video over RTSP, plates as events, the
# barrier on its relay), and the console on both. lanesim stops when the console closes.
# Usage: scripts/field-demo.sh BUILD_DIR
set -euo pipefail

build=$1
link=/tmp/lane-tty
"$build/tools/lanesim/lanesim" --pty "$link" --rtsp 8554 --onvif 8080 &
lanesim=$!
trap 'kill "$lanesim" 2>/dev/null || true; wait "$lanesim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -L "$link" ] && break; sleep 0.1; done
# lanesim's camera takes the password admin; press 连接.
LANECONSOLE_CAMERA_PASSWORD=admin "$build/app/laneconsole" --serial "$link" \
  --camera onvif://admin@127.0.0.1:8080
