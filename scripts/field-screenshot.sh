#!/usr/bin/env bash
# The console on a whole field lane, as make field-demo runs it: lanesim on a
# pseudo-terminal, its video over RTSP and its plates pushed over HTTP, all on
# 127.0.0.1; the console's screenshot tool on all three, a card read and a plate.
# Usage: scripts/field-screenshot.sh BUILD_DIR OUTPUT.png
set -euo pipefail

build=$1
output=$2
link=$(mktemp -u /tmp/lane-tty.XXXXXX)
said=$(mktemp)
plates=18080
"$build/tools/lanesim/lanesim" --pty "$link" --rtsp 0 --quiet \
  --push "http://127.0.0.1:$plates/plates" >"$said" &
lanesim=$!
trap 'kill "$lanesim" 2>/dev/null || true; wait "$lanesim" 2>/dev/null || true; rm -f "$said"' EXIT
for _ in $(seq 100); do grep -q 'video on' "$said" && break; sleep 0.1; done
video=$(sed -n 's/^lanesim: video on //p' "$said")
# A car once the console listens.
(sleep 3 && kill -USR1 "$lanesim") &
bash "$(dirname "$0")/screenshot.sh" "$build/app/console_screenshot" "$output" \
  --serial "$link" --video "$video" --plates "$plates"
