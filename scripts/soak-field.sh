#!/usr/bin/env bash
# A field lane soak in a real window under Xvfb: lanesim on a pseudo-terminal at 115,200 baud and
# as the lane's ONVIF camera (RTSP video, plate events), plates also pushed, all on 127.0.0.1, for
# MINUTES of wall time.
# Usage: scripts/soak-field.sh BUILD_DIR MINUTES
set -euo pipefail

build=$1
minutes=$2
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$build/bench/soak_field" "$minutes"
