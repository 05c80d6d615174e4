#!/usr/bin/env bash
# Runs the screenshot tool in a real X session under Xvfb (offscreen when Xvfb is missing).
# Usage: scripts/screenshot.sh TOOL OUTPUT.png [--serial PORT]
set -euo pipefail

tool=$1
output=$2
shift 2
mkdir -p "$(dirname "$output")"

if command -v xvfb-run >/dev/null 2>&1; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$tool" "$output" "$@"
else
  echo "screenshot: xvfb-run not found, rendering offscreen" >&2
  QT_QPA_PLATFORM=offscreen "$tool" "$output" "$@"
fi
echo "screenshot: saved $output"
