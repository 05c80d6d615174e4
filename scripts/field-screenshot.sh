#!/usr/bin/env bash
# The console on a field lane: lanesim on a pseudo-terminal, the console's
# screenshot tool on its link, a card read.
# Usage: scripts/field-screenshot.sh BUILD_DIR OUTPUT.png
set -euo pipefail

build=$1
output=$2
link=$(mktemp -u /tmp/lane-tty.XXXXXX)
"$build/tools/lanesim/lanesim" --pty "$link" --quiet &
lanesim=$!
trap 'kill "$lanesim" 2>/dev/null || true; wait "$lanesim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -L "$link" ] && break; sleep 0.1; done
bash "$(dirname "$0")/screenshot.sh" "$build/console/console_screenshot" "$output" --serial "$link"
