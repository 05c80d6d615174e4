#!/usr/bin/env bash
# A whole field lane on one machine, everything on 127.0.0.1: lanesim's peripherals on a
# pseudo-terminal, its video over RTSP and its plates pushed over HTTP, and the console on all
# three. lanesim stops when the console closes.
# Usage: scripts/field-demo.sh BUILD_DIR
set -euo pipefail

build=$1
link=/tmp/lane-tty
"$build/tools/lanesim/lanesim" --pty "$link" --rtsp 8554 --push http://127.0.0.1:8080/plates &
lanesim=$!
trap 'kill "$lanesim" 2>/dev/null || true; wait "$lanesim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -L "$link" ] && break; sleep 0.1; done
"$build/app/laneconsole" --serial "$link" --video rtsp://127.0.0.1:8554/lane \
  --plates-listen 127.0.0.1:8080
