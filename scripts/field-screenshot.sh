#!/usr/bin/env bash
# The console on a field lane: lanesim on a pseudo-terminal with its video over
# RTSP on 127.0.0.1, the console's screenshot tool on both, a card read.
# Usage: scripts/field-screenshot.sh BUILD_DIR OUTPUT.png
set -euo pipefail

build=$1
output=$2
link=$(mktemp -u /tmp/lane-tty.XXXXXX)
said=$(mktemp)
"$build/tools/lanesim/lanesim" --pty "$link" --rtsp 0 --quiet >"$said" &
lanesim=$!
trap 'kill "$lanesim" 2>/dev/null || true; wait "$lanesim" 2>/dev/null || true; rm -f "$said"' EXIT
for _ in $(seq 100); do grep -q 'video on' "$said" && break; sleep 0.1; done
video=$(sed -n 's/^lanesim: video on //p' "$said")
bash "$(dirname "$0")/screenshot.sh" "$build/console/console_screenshot" "$output" \
  --serial "$link" --video "$video"
